// `PortBox`'s input: which characters it takes, by every route they come.
#pragma once

#include <windows.h>

namespace orvane::ui {

// Filters the characters typed into the port box, as WM_CHAR, WM_IME_CHAR,
// WM_UNICHAR or an input method's committed text, by IsAcceptedPortChar, and
// turns the input method off for it. A paste is not filtered.
void FilterPortBoxInput(HWND port_box);

}  // namespace orvane::ui
