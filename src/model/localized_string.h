#pragma once

#include <cstdint>

#include "model/compact_string.h"
#include "platform/file.h"
#include "platform/wide_string.h"

namespace tavi {

// A localized string is stored as a list of (language code, saved string) entries; in memory a
// record keeps only the text chosen for the current language. The program writes every text in
// currentLanguage and never changes either code.
inline std::uint8_t currentLanguage = 0;
inline std::uint8_t fallbackLanguage = 0;

// Writes one entry: the count 1, currentLanguage and the text as UTF-8.
void SaveLocalizedString(const WString& text, CFile& file);

// Reads the entries into field, which starts empty: the last entry in currentLanguage wins; before
// one is seen, an entry in fallbackLanguage replaces the text, and any other language fills it
// only while it is empty. False when the end of the file cut the count or an entry short; a
// damaged count is bounded by the end of the file.
bool LoadLocalizedString(CFile& file, CCompactString& field);

}  // namespace tavi
