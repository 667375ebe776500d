// What outside code (automation, the window tests) may rely on to find and
// drive the main window: its class name, the control IDs and the private
// messages it handles. Values never change between versions.
#pragma once

#include <windows.h>

#include <cstddef>

#include "ui/resource_ids.h"

namespace orvane::ui {

inline constexpr wchar_t kMainWindowClass[] = L"OrvaneServerMainWindow";

// Control IDs, also the child-window IDs (GetDlgItem on the main window).
enum ControlId : int {
  kSettingsGroupId = 1000,
  kPortLabelId = 1001,
  kPortBoxId = 1002,
  kPortArrowsId = 1003,
  kStartButtonId = 1004,
  kStopButtonId = 1005,
  kTrayButtonId = 1006,
  kSiteFolderLabelId = 1007,
  kSiteFolderBoxId = 1008,
  kBrowseButtonId = 1009,
  kAddressLabelId = 1010,
  kAddressBoxId = 1011,
  kOpenSiteButtonId = 1012,
  kLogLabelId = 1013,
  kConnectionLogBoxId = 1014,
  kRequestLogBoxId = 1015,
};

// The menu bar is the resource IDR_MAIN_MENU; its two command IDs. The
// window adds the options menu beside them, with a check item for each row
// of the options table (front/option_table.h): the first ID plus the row.
enum MenuId : int {
  kInstructionsMenuItemId = IDM_INSTRUCTIONS,
  kAboutMenuItemId = IDM_ABOUT,
  kFirstOptionMenuItemId = 2003,
  kLastOptionMenuItemId = 2099,
  // The options menu's commands that are not a row's check item.
  kRenewCodeMenuItemId = 2100,
  kUploadFolderMenuItemId = 2101,
  kAllowFirewallMenuItemId = 2102,
};
inline constexpr int OptionMenuItemId(std::size_t row) {
  return kFirstOptionMenuItemId + static_cast<int>(row);
}

// The notification-area icon's identifier and its callback message; the low
// word of lParam carries the mouse message (WM_LBUTTONUP and so on).
inline constexpr UINT kTrayIconId = 100;
inline constexpr UINT kTrayNotifyMessage = WM_APP + 1;
// Posted by worker threads: log text is waiting in the queue.
inline constexpr UINT kDrainLogsMessage = WM_APP + 2;
// Posted by worker threads: wParam != 0 enables the start button.
inline constexpr UINT kSetStartEnabledMessage = WM_APP + 3;
// Sent by outside code (the tests; a menu of another process cannot be read
// under Wine): the answer has two bits for each row of the options table,
// one for its check mark in the options menu and one for the server's own
// setting, which must agree (for a row of the window's own, such as
// 记住这些设置, the window's own choice).
inline constexpr UINT kQueryServingOptionsMessage = WM_APP + 4;
inline constexpr std::size_t kMostOptionRows = 16;
inline constexpr LRESULT OptionCheckedBit(std::size_t row) { return LRESULT{1} << row; }
inline constexpr LRESULT OptionServedBit(std::size_t row) {
  return LRESULT{1} << (kMostOptionRows + row);
}
// Posted by a pool thread when the elevated firewall helper has ended:
// wParam is its exit code.
inline constexpr UINT kFirewallHelperEndedMessage = WM_APP + 5;

}  // namespace orvane::ui
