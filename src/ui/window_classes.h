// The classes of the program's windows, registered in one place.
#pragma once

#include <windows.h>

namespace orvane::ui {

// Registers the main window's class and the QR window's, once, before the
// first window is made. False when either cannot be registered.
[[nodiscard]] bool RegisterWindowClasses(HINSTANCE instance);

}  // namespace orvane::ui
