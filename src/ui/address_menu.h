// The address box's own context menu: copy the address, show its QR code,
// and pick one of this machine's usable addresses.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "front/address_text.h"

namespace orvane::ui {

// Shows the menu for the address box `box` at screen point `at` (for the
// keyboard, LPARAM -1 of WM_CONTEXTMENU: under the box instead), `shown`
// checked among `addresses`. The chosen entry reaches the box's parent as
// WM_COMMAND with its ID (address_ids.h); the address entries carry
// kFirstAddressCommandId + their position in `addresses`.
void ShowAddressMenu(HWND box, LPARAM at, const std::vector<UsableAddress>& addresses,
                     const std::string& shown);

}  // namespace orvane::ui
