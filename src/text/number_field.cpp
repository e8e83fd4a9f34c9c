#include "text/number_field.h"

#include <cstddef>

#include "text/string_conversion.h"

namespace tavi {

namespace {

bool IsBlank(WChar c) {
  return c == u' ' || c == u'\t';
}

bool IsDigit(WChar c) {
  return c >= u'0' && c <= u'9';
}

std::size_t SkipDigits(WStringView text, std::size_t i) {
  while (i < text.size() && IsDigit(text[i])) ++i;
  return i;
}

std::size_t SkipSign(WStringView text, std::size_t i) {
  return i < text.size() && (text[i] == u'+' || text[i] == u'-') ? i + 1 : i;
}

// Whether text is [sign] digits [point digits] [exponent] with a digit before or after the point;
// point is the one character taken as the decimal point.
bool IsPlainNumber(WStringView text, WChar point) {
  std::size_t i = SkipSign(text, 0);
  const std::size_t integerStart = i;
  i = SkipDigits(text, i);
  std::size_t digits = i - integerStart;
  if (i < text.size() && text[i] == point) {
    const std::size_t fractionStart = i + 1;
    i = SkipDigits(text, fractionStart);
    digits += i - fractionStart;
  }
  if (digits == 0) return false;
  if (i < text.size() && (text[i] == u'e' || text[i] == u'E')) {
    const std::size_t exponentStart = SkipSign(text, i + 1);
    i = SkipDigits(text, exponentStart);
    if (i == exponentStart) return false;
  }
  return i == text.size();
}

}  // namespace

WStringView TrimBlanks(WStringView field) {
  std::size_t start = 0;
  std::size_t end = field.size();
  while (start < end && IsBlank(field[start])) ++start;
  while (end > start && IsBlank(field[end - 1])) --end;
  return field.substr(start, end - start);
}

std::optional<double> ParseNumberField(WStringView field, bool decimalComma) {
  const WStringView text = TrimBlanks(field);
  if (IsPlainNumber(text, u'.')) return ParseDouble(text);
  if (!decimalComma || !IsPlainNumber(text, u',')) return std::nullopt;
  WString pointed(text);
  for (WChar& c : pointed) {
    if (c == u',') c = u'.';
  }
  return ParseDouble(pointed);
}

}  // namespace tavi
