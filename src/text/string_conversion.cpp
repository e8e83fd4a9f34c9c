#include "text/string_conversion.h"

#include <locale.h>

#include <array>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <string_view>
#include <utility>

namespace tavi {

namespace {

// Numbers in the files are always written with a decimal point. The desktop toolkit sets the
// process locale from the environment, so reading has to name the "C" locale explicitly.
locale_t ClassicLocale() {
  static const locale_t locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
  if (locale == static_cast<locale_t>(nullptr)) throw std::bad_alloc();
  return locale;
}

// Length of the leading run of ASCII units before any NUL. Nothing outside ASCII can belong to a
// number in the "C" locale, and reading stops at a NUL, so this run reads exactly like the whole
// text converted to UTF-8.
std::size_t AsciiPrefixLength(const WString& text) {
  std::size_t length = 0;
  while (length < text.size() && text[length] != 0 && text[length] < 0x80) ++length;
  return length;
}

// Scratch space for the UTF-8 form, reused between calls so that a converter allocates only the
// buffer it hands out.
std::string& EncodeScratch() {
  thread_local std::string scratch;
  return scratch;
}

}  // namespace

CStringConversion::CStringConversion(WString text) : m_text(std::move(text)) {}

const WString& CStringConversion::Choose(const WString& argument) const {
  return argument.empty() ? m_text : argument;
}

const char* CStringConversion::ToUtf8(WString text) {
  const WString& chosen = Choose(text);
  if (chosen.empty()) return nullptr;
  std::string& utf8 = EncodeScratch();
  utf8.clear();
  AppendUtf8(chosen, utf8);
  // 4 bytes per unit always suffice (3 per unit, 4 per surrogate pair); the zero fill ends it.
  const std::size_t size = 4 * chosen.size() + 1;
  auto buffer = std::make_unique<std::byte[]>(size);
  std::memcpy(buffer.get(), utf8.data(), utf8.size());
  const auto* result = reinterpret_cast<const char*>(buffer.get());
  m_buffers.push_back(std::move(buffer));
  return result;
}

const WChar* CStringConversion::ToWideBuffer(WString text) {
  const WString& chosen = Choose(text);
  if (chosen.empty()) return nullptr;
  const std::size_t bytes = (chosen.size() + 1) * sizeof(WChar);
  auto buffer = std::make_unique<std::byte[]>(bytes);
  std::memcpy(buffer.get(), chosen.data(), chosen.size() * sizeof(WChar));
  const auto* result = reinterpret_cast<const WChar*>(buffer.get());
  m_buffers.push_back(std::move(buffer));
  return result;
}

WString DecodeMultiByte(const char* bytes, CodePage codePage) {
  if (bytes == nullptr || bytes[0] == 0) return {};
  // Both decoders yield at least one unit for every non-empty input (invalid UTF-8 becomes
  // U+FFFD), and an unknown code page already decodes as CP_ACP, so no second attempt is needed.
  return MultiByteToWide(codePage, std::string_view(bytes));
}

double ParseDouble(const WString& text) {
  if (text.empty()) return 0.0;
  const std::size_t length = AsciiPrefixLength(text);
  std::array<char, 64> small{};
  std::string large;
  char* ascii = small.data();
  if (length >= small.size()) {
    large.resize(length);
    ascii = large.data();
  }
  for (std::size_t i = 0; i < length; ++i) ascii[i] = static_cast<char>(text[i]);
  ascii[length] = 0;
  return strtod_l(ascii, nullptr, ClassicLocale());
}

}  // namespace tavi
