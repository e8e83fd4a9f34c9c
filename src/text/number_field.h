#pragma once

#include <optional>
#include <string_view>

#include "platform/wide_string.h"

namespace tavi {

// Spaces and tabs around a field are not part of its value.
WStringView TrimBlanks(WStringView field);

// The value of a field that is one number and nothing else, spaces and tabs around it aside: an
// optional sign, digits with an optional decimal point ("5.", ".5" and "5" alike, at least one
// digit), an optional exponent. With decimalComma, a comma stands for the decimal point, as
// spreadsheets write it where the comma does not separate fields. None for anything else
// ("16.3abc", "N48", "inf", an empty field), so that a typo is never read as the number it starts
// with. A number is read exactly as ParseDouble reads it.
std::optional<double> ParseNumberField(WStringView field, bool decimalComma);
// The same for a field of 8-bit text; a byte that is not ASCII makes it no number.
std::optional<double> ParseNumberField(std::string_view field, bool decimalComma);

}  // namespace tavi
