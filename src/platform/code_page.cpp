#include "platform/code_page.h"

#include <array>
#include <cstddef>
#include <cstring>

namespace tavi {

namespace {

constexpr WChar kReplacement = u'\uFFFD';
constexpr std::string_view kReplacementBytes = "\xEF\xBF\xBD";

// Bytes 80..9F of Windows-1252. The five bytes the code page leaves undefined map to the C1
// control with the same number, as the system's own conversion does.
constexpr std::array<WChar, 32> kAnsiHigh = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80..87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88..8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90..97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98..9F
};

constexpr std::uint64_t kHighBits = 0x8080808080808080ULL;

// Widens a run of ASCII bytes eight at a time; returns how many bytes it took.
std::size_t WidenAscii(const unsigned char* in, std::size_t count, WChar* out) {
  std::size_t i = 0;
  while (count - i >= 8) {
    std::uint64_t chunk = 0;
    std::memcpy(&chunk, in + i, sizeof chunk);
    if ((chunk & kHighBits) != 0) break;
    for (std::size_t k = 0; k < 8; ++k) out[i + k] = in[i + k];
    i += 8;
  }
  while (i < count && in[i] < 0x80) {
    out[i] = in[i];
    ++i;
  }
  return i;
}

bool IsContinuation(unsigned char byte) {
  return (byte & 0xC0) == 0x80;
}

// The valid range of the second byte of a sequence, which depends on its lead byte; this is where
// overlong forms, encoded surrogates and values above U+10FFFF are ruled out.
struct SecondByteRange {
  unsigned char low;
  unsigned char high;
};

SecondByteRange SecondRange(unsigned char lead) {
  switch (lead) {
    case 0xE0:
      return {0xA0, 0xBF};
    case 0xED:
      return {0x80, 0x9F};
    case 0xF0:
      return {0x90, 0xBF};
    case 0xF4:
      return {0x80, 0x8F};
    default:
      return {0x80, 0xBF};
  }
}

// Sequence length announced by a lead byte; 0 for bytes that can never start a sequence.
std::size_t SequenceLength(unsigned char lead) {
  if (lead >= 0xC2 && lead <= 0xDF) return 2;
  if (lead >= 0xE0 && lead <= 0xEF) return 3;
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  return 0;
}

// Measures the non-ASCII sequence at in[0] (at most `left` bytes): returns the bytes it takes and
// whether it is valid. An invalid sequence takes its maximal valid prefix, at least one byte.
std::size_t ScanSequence(const unsigned char* in, std::size_t left, bool& valid) {
  valid = false;
  const std::size_t length = SequenceLength(in[0]);
  if (length == 0) return 1;
  const SecondByteRange range = SecondRange(in[0]);
  if (left < 2 || in[1] < range.low || in[1] > range.high) return 1;
  for (std::size_t used = 2; used < length; ++used) {
    if (used >= left || !IsContinuation(in[used])) return used;
  }
  valid = true;
  return length;
}

// Decodes one non-ASCII sequence at in[0] (at most `left` bytes). Writes one or two units and
// returns how many were written; `used` receives the bytes consumed. An invalid sequence yields a
// single U+FFFD.
std::size_t DecodeSequence(const unsigned char* in, std::size_t left, WChar* out,
                           std::size_t& used) {
  bool valid = false;
  used = ScanSequence(in, left, valid);
  if (!valid) {
    out[0] = kReplacement;
    return 1;
  }
  char32_t code = static_cast<char32_t>(in[0] & (0xFF >> (used + 1)));
  for (std::size_t i = 1; i < used; ++i) {
    code = (code << 6) | static_cast<char32_t>(in[i] & 0x3F);
  }
  if (code < 0x10000) {
    out[0] = static_cast<WChar>(code);
    return 1;
  }
  code -= 0x10000;
  out[0] = static_cast<WChar>(0xD800 + (code >> 10));
  out[1] = static_cast<WChar>(0xDC00 + (code & 0x3FF));
  return 2;
}

bool IsHighSurrogate(WChar unit) {
  return unit >= 0xD800 && unit <= 0xDBFF;
}
bool IsLowSurrogate(WChar unit) {
  return unit >= 0xDC00 && unit <= 0xDFFF;
}

}  // namespace

char* WriteUtf8(WStringView text, char* out) {
  const std::size_t count = text.size();
  std::size_t i = 0;
  while (i < count) {
    const char32_t unit = text[i++];
    if (unit < 0x80) {
      *out++ = static_cast<char>(unit);
      continue;
    }
    if (unit < 0x800) {
      *out++ = static_cast<char>(0xC0 | (unit >> 6));
      *out++ = static_cast<char>(0x80 | (unit & 0x3F));
      continue;
    }
    char32_t code = unit;
    if (IsHighSurrogate(static_cast<WChar>(unit)) && i < count && IsLowSurrogate(text[i])) {
      code = 0x10000 + ((unit - 0xD800) << 10) + (static_cast<char32_t>(text[i++]) - 0xDC00);
      *out++ = static_cast<char>(0xF0 | (code >> 18));
      *out++ = static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    } else {
      if (unit >= 0xD800 && unit <= 0xDFFF) code = kReplacement;
      *out++ = static_cast<char>(0xE0 | (code >> 12));
    }
    *out++ = static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    *out++ = static_cast<char>(0x80 | (code & 0x3F));
  }
  return out;
}

namespace {

// The UTF-8 form of every Windows-1252 byte, as AnsiToWide and WriteUtf8 make it.
const std::array<std::string, 256>& AnsiUtf8Table() {
  static const std::array<std::string, 256> table = [] {
    std::array<std::string, 256> forms;
    for (std::size_t byte = 0; byte < forms.size(); ++byte) {
      const char c = static_cast<char>(byte);
      forms[byte] = WideToUtf8(AnsiToWide(std::string_view(&c, 1)));
    }
    return forms;
  }();
  return table;
}

}  // namespace

WString Utf8ToWide(std::string_view bytes) {
  // UTF-16 never needs more units than UTF-8 has bytes.
  WString wide(bytes.size(), WChar{0});
  const auto* in = reinterpret_cast<const unsigned char*>(bytes.data());
  const std::size_t count = bytes.size();
  WChar* out = wide.data();
  std::size_t read = 0;
  std::size_t written = 0;
  while (read < count) {
    const std::size_t ascii = WidenAscii(in + read, count - read, out + written);
    read += ascii;
    written += ascii;
    if (read == count) break;
    std::size_t used = 0;
    written += DecodeSequence(in + read, count - read, out + written, used);
    read += used;
  }
  wide.resize(written);
  return wide;
}

std::size_t AsciiPrefixLength(std::string_view bytes) {
  const auto* in = reinterpret_cast<const unsigned char*>(bytes.data());
  std::size_t i = 0;
  for (; bytes.size() - i >= sizeof(std::uint64_t); i += sizeof(std::uint64_t)) {
    std::uint64_t eight = 0;
    std::memcpy(&eight, in + i, sizeof eight);
    if ((eight & kHighBits) != 0) break;
  }
  while (i < bytes.size() && in[i] < 0x80) ++i;
  return i;
}

bool IsValidUtf8Window(std::string_view bytes) {
  const auto* in = reinterpret_cast<const unsigned char*>(bytes.data());
  const std::size_t count = bytes.size();
  std::size_t i = 0;
  while (i < count) {
    if (in[i] < 0x80) {
      ++i;
      continue;
    }
    const std::size_t length = SequenceLength(in[i]);
    if (length == 0) return false;
    const SecondByteRange range = SecondRange(in[i]);
    for (std::size_t k = 1; k < length; ++k) {
      if (i + k == count) return true;  // cut by the window, not by the text
      const bool fits =
          k == 1 ? in[i + k] >= range.low && in[i + k] <= range.high : IsContinuation(in[i + k]);
      if (!fits) return false;
    }
    i += length;
  }
  return true;
}

std::size_t SanitizedUtf8Length(std::string_view bytes) {
  const auto* in = reinterpret_cast<const unsigned char*>(bytes.data());
  std::size_t length = 0;
  for (std::size_t i = 0; i < bytes.size();) {
    if (in[i] < 0x80) {
      ++i;
      ++length;
      continue;
    }
    bool valid = false;
    const std::size_t used = ScanSequence(in + i, bytes.size() - i, valid);
    i += used;
    length += valid ? used : kReplacementBytes.size();
  }
  return length;
}

char* WriteSanitizedUtf8(std::string_view bytes, char* out) {
  const auto* in = reinterpret_cast<const unsigned char*>(bytes.data());
  for (std::size_t i = 0; i < bytes.size();) {
    if (in[i] < 0x80) {
      *out++ = static_cast<char>(in[i++]);
      continue;
    }
    bool valid = false;
    const std::size_t used = ScanSequence(in + i, bytes.size() - i, valid);
    if (valid) {
      std::memcpy(out, bytes.data() + i, used);
      out += used;
    } else {
      std::memcpy(out, kReplacementBytes.data(), kReplacementBytes.size());
      out += kReplacementBytes.size();
    }
    i += used;
  }
  return out;
}

std::size_t AnsiUtf8Length(std::string_view bytes) {
  std::size_t length = 0;
  for (const char c : bytes) length += AnsiUtf8Table()[static_cast<unsigned char>(c)].size();
  return length;
}

char* WriteAnsiAsUtf8(std::string_view bytes, char* out) {
  for (const char c : bytes) {
    const std::string_view encoded = AnsiUtf8Table()[static_cast<unsigned char>(c)];
    std::memcpy(out, encoded.data(), encoded.size());
    out += encoded.size();
  }
  return out;
}

WString AnsiToWide(std::string_view bytes) {
  WString wide(bytes.size(), WChar{0});
  WChar* out = wide.data();
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    *out++ = (byte >= 0x80 && byte <= 0x9F) ? kAnsiHigh[byte - 0x80u] : WChar{byte};
  }
  return wide;
}

WString MultiByteToWide(CodePage codePage, std::string_view bytes) {
  return codePage == CP_UTF8 ? Utf8ToWide(bytes) : AnsiToWide(bytes);
}

std::size_t Utf8Length(WStringView text) {
  const std::size_t count = text.size();
  std::size_t length = 0;
  for (std::size_t i = 0; i < count; ++i) {
    const WChar unit = text[i];
    if (unit < 0x80) {
      length += 1;
    } else if (unit < 0x800) {
      length += 2;
    } else if (IsHighSurrogate(unit) && i + 1 < count && IsLowSurrogate(text[i + 1])) {
      length += 4;
      ++i;
    } else {
      length += 3;
    }
  }
  return length;
}

void AppendUtf8(WStringView text, std::string& out) {
  const std::size_t start = out.size();
  out.resize(start + Utf8Length(text));
  WriteUtf8(text, out.data() + start);
}

std::string WideToUtf8(WStringView text) {
  std::string out;
  AppendUtf8(text, out);
  return out;
}

}  // namespace tavi
