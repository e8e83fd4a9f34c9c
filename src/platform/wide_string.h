#pragma once

#include <string>
#include <string_view>

namespace tavi {

// All text inside the program is UTF-16. Every module names the type through these aliases only,
// so that the representation can change in one place (large files hold millions of strings).
using WString = std::u16string;
using WStringView = std::u16string_view;
using WChar = char16_t;

}  // namespace tavi
