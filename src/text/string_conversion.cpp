#include "text/string_conversion.h"

#include <locale.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <optional>
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

// Scratch space for the UTF-8 form, reused between calls so that a converter allocates only the
// buffer it hands out.
std::string& EncodeScratch() {
  thread_local std::string scratch;
  return scratch;
}

template <typename Char>
bool IsDigit(Char c) {
  return c >= Char('0') && c <= Char('9');
}

// Appends the digits standing at text[i] to integer; returns where they end. Beyond 19 digits
// the integer wraps, which the caller rules out by the count.
template <typename Char>
std::size_t ReadDigits(std::basic_string_view<Char> text, std::size_t i, std::uint64_t& integer) {
  for (; i < text.size() && IsDigit(text[i]); ++i) {
    integer = integer * 10 + static_cast<std::uint64_t>(text[i] - Char('0'));
  }
  return i;
}

// The value of text when it is exactly [sign]digits[.digits], with at least one digit, at most
// 2^53 as an integer once the point is removed and at most 22 digits after the point; none
// otherwise. Both the integer and the power of ten are exact doubles then, so one division gives
// the correctly rounded value, the same that strtod gives.
template <typename Char>
std::optional<double> ReadPlainDecimal(std::basic_string_view<Char> text) {
  constexpr std::size_t kMaxDigits = 19;  // any 19 digits fit 64 bits
  constexpr std::uint64_t kMaxExactInteger = std::uint64_t{1} << 53;
  static constexpr std::array<double, 23> kPowersOfTen = {
      1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
      1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
  const bool sign = !text.empty() && (text[0] == Char('-') || text[0] == Char('+'));
  const std::size_t integerStart = sign ? 1 : 0;
  std::uint64_t integer = 0;
  std::size_t i = ReadDigits(text, integerStart, integer);
  std::size_t digits = i - integerStart;
  std::size_t fractionDigits = 0;
  if (i < text.size() && text[i] == Char('.')) {
    const std::size_t fractionStart = i + 1;
    i = ReadDigits(text, fractionStart, integer);
    fractionDigits = i - fractionStart;
    digits += fractionDigits;
  }
  if (i != text.size() || digits == 0 || digits > kMaxDigits || integer > kMaxExactInteger ||
      fractionDigits >= kPowersOfTen.size()) {
    return std::nullopt;
  }
  const double value = static_cast<double>(integer) / kPowersOfTen[fractionDigits];
  return text[0] == Char('-') ? -value : value;
}

// Windows-1252 decodes byte by byte, so one table holds the whole code page.
const std::array<WChar, 256>& AnsiTable() {
  static const std::array<WChar, 256> table = [] {
    std::array<char, 256> bytes{};
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i);
    const WString wide = AnsiToWide(std::string_view(bytes.data(), bytes.size()));
    std::array<WChar, 256> units{};
    std::copy(wide.begin(), wide.end(), units.begin());
    return units;
  }();
  return table;
}

// Widens the leading ASCII bytes into out; returns how many there were. Eight bytes at a time
// while none of them has its high bit set.
std::size_t WidenAsciiPrefix(std::string_view bytes, WChar* out) {
  constexpr std::uint64_t kHighBits = 0x8080808080808080ULL;
  constexpr std::size_t kStep = sizeof(std::uint64_t);
  std::size_t i = 0;
  for (; bytes.size() - i >= kStep; i += kStep) {
    std::uint64_t eight = 0;
    std::memcpy(&eight, bytes.data() + i, kStep);
    if ((eight & kHighBits) != 0) break;
    for (std::size_t k = 0; k < kStep; ++k) out[i + k] = static_cast<WChar>(bytes[i + k]);
  }
  for (; i < bytes.size() && static_cast<unsigned char>(bytes[i]) < 0x80; ++i) {
    out[i] = static_cast<WChar>(bytes[i]);
  }
  return i;
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
  WString text;
  if (bytes != nullptr) DecodeMultiByte(std::string_view(bytes), codePage, text);
  return text;
}

// Both decoders yield at least one unit for every non-empty input (invalid UTF-8 becomes U+FFFD),
// and an unknown code page already decodes as CP_ACP, so no second attempt is needed.
void DecodeMultiByte(std::string_view bytes, CodePage codePage, WString& out) {
  // Neither code page makes more units than there are bytes.
  out.resize(bytes.size());
  const std::size_t ascii = WidenAsciiPrefix(bytes, out.data());
  if (ascii == bytes.size()) return;
  if (codePage == CP_UTF8) {
    // An ASCII byte is never part of a multi-byte sequence, so the rest decodes on its own.
    out.resize(ascii);
    out += Utf8ToWide(bytes.substr(ascii));
    return;
  }
  const std::array<WChar, 256>& table = AnsiTable();
  for (std::size_t i = ascii; i < bytes.size(); ++i) {
    out[i] = table[static_cast<unsigned char>(bytes[i])];
  }
}

double ParseDouble(WStringView text) {
  if (text.empty()) return 0.0;
  if (const std::optional<double> plain = ReadPlainDecimal(text)) return *plain;
  // Anything else is read as the C library reads the text's UTF-8 form.
  CStringConversion conversion{WString(text)};
  return strtod_l(conversion.ToUtf8({}), nullptr, ClassicLocale());
}

double ParseDouble(std::string_view text) {
  if (text.empty()) return 0.0;
  if (const std::optional<double> plain = ReadPlainDecimal(text)) return *plain;
  return strtod_l(std::string(text).c_str(), nullptr, ClassicLocale());
}

}  // namespace tavi
