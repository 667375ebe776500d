// IDs of the address box's own menu, the QR window and the address-change
// message, for the window and for outside code that drives it (the tests).
#pragma once

#include <windows.h>

namespace orvane::ui {

// Commands of the address box's menu, sent to the main window as WM_COMMAND.
enum AddressMenuId : int {
  kCopyAddressCommandId = 1101,
  kShowQrCommandId = 1102,
  kNoAddressCommandId = 1103,  // the greyed entry when no address is usable
  // The usable addresses: this ID plus the entry's position in the list.
  kFirstAddressCommandId = 1200,
  kLastAddressCommandId = 1299,
};

// Posted to the main window when this machine's addresses may have changed;
// the window reads them again. Outside code may post it too.
inline constexpr UINT kAddressesChangedMessage = WM_APP + 20;

inline constexpr wchar_t kQrWindowClass[] = L"OrvaneServerQrWindow";
// The QR window's child that holds the lines under the address (GetDlgItem
// on the QR window; its window text is those lines).
inline constexpr int kQrRemarkId = 1150;

}  // namespace orvane::ui
