#include "text/number_field.h"

#include <cstddef>
#include <string>

#include "text/string_conversion.h"

namespace tavi {

namespace {

template <typename Char>
bool IsBlank(Char c) {
  return c == Char(' ') || c == Char('\t');
}

template <typename Char>
bool IsDigit(Char c) {
  return c >= Char('0') && c <= Char('9');
}

template <typename Char>
std::size_t SkipDigits(std::basic_string_view<Char> text, std::size_t i) {
  while (i < text.size() && IsDigit(text[i])) ++i;
  return i;
}

template <typename Char>
std::size_t SkipSign(std::basic_string_view<Char> text, std::size_t i) {
  return i < text.size() && (text[i] == Char('+') || text[i] == Char('-')) ? i + 1 : i;
}

// Whether text is [sign] digits [point digits] [exponent] with a digit before or after the point;
// point is the one character taken as the decimal point.
template <typename Char>
bool IsPlainNumber(std::basic_string_view<Char> text, Char point) {
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
  if (i < text.size() && (text[i] == Char('e') || text[i] == Char('E'))) {
    const std::size_t exponentStart = SkipSign(text, i + 1);
    i = SkipDigits(text, exponentStart);
    if (i == exponentStart) return false;
  }
  return i == text.size();
}

template <typename Char>
std::basic_string_view<Char> Trim(std::basic_string_view<Char> field) {
  std::size_t start = 0;
  std::size_t end = field.size();
  while (start < end && IsBlank(field[start])) ++start;
  while (end > start && IsBlank(field[end - 1])) --end;
  return field.substr(start, end - start);
}

template <typename Char>
std::optional<double> ParseNumber(std::basic_string_view<Char> field, bool decimalComma) {
  const std::basic_string_view<Char> text = Trim(field);
  if (IsPlainNumber(text, Char('.'))) return ParseDouble(text);
  if (!decimalComma || !IsPlainNumber(text, Char(','))) return std::nullopt;
  std::basic_string<Char> pointed(text);
  for (Char& c : pointed) {
    if (c == Char(',')) c = Char('.');
  }
  return ParseDouble(std::basic_string_view<Char>(pointed));
}

}  // namespace

WStringView TrimBlanks(WStringView field) {
  return Trim(field);
}

std::optional<double> ParseNumberField(WStringView field, bool decimalComma) {
  return ParseNumber(field, decimalComma);
}

std::optional<double> ParseNumberField(std::string_view field, bool decimalComma) {
  return ParseNumber(field, decimalComma);
}

}  // namespace tavi
