#pragma once

#include <functional>

#include "platform/wide_string.h"

namespace tavi {

// A modal message box with an OK button. The front end provides it: the window shows a box, the
// command line prints to standard error, tests record the texts. It returns when the box is closed.
using MessageBoxHandler = std::function<void(const WString& text)>;

// Installs the handler; returns the previous one. Without a handler, boxes are dropped.
MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler);
void ShowMessageBox(const WString& text);

}  // namespace tavi
