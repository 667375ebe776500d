// The main window's timers, each owned by one part of the window; their IDs
// are named together so that no two parts take the same one.
#pragma once

#include <windows.h>

namespace orvane::ui {

enum TimerId : UINT_PTR {
  kDrainTimerId = 1,          // the log queue, should a drain message be lost (ServerControl)
  kTrayRetryTimerId = 2,      // while the shell refuses the tray icon (TrayController)
  kAddressRereadTimerId = 3,  // after a burst of network notifications (AddressPresenter)
};

}  // namespace orvane::ui
