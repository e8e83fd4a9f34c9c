#pragma once

#include "platform/wide_string.h"

namespace tavi {

// The folder of a path, without the trailing separator; empty when the path names no folder. A
// separator at position 0 does not count, so "/x" has no folder part.
WString GetFolderPart(const WString& path);

// The file name without folder and without anything from its first dot on: "/data/my.pois.csv"
// gives "my". A dot inside the folder never counts.
WString GetTitlePart(const WString& path);

}  // namespace tavi
