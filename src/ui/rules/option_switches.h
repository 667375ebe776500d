// The program's command-line switches, for a shortcut that starts it with an
// option on. Pure, so the rule is tested without a window.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace orvane::ui {

// True when one of `arguments` (the command line without the program's own
// name) is "/" followed by `name`, in any case of the ASCII letters:
// HasSwitch({L"/LIST"}, L"list"). Any other argument is no switch.
bool HasSwitch(const std::vector<std::wstring>& arguments, std::wstring_view name);

}  // namespace orvane::ui
