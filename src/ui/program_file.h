// The program's own file, as the system started it.
#pragma once

#include <string>

namespace orvane::ui {

// The full path of this program's .exe (GetModuleFileNameW, however long);
// empty when the system cannot tell.
[[nodiscard]] std::wstring ProgramFile();

}  // namespace orvane::ui
