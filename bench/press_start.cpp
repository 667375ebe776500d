// Drives the Windows program for the bench, under Wine: finds its main
// window, types the port and the site folder into their boxes and presses
// Start, all by window messages.
//   press_start.exe PORT FOLDER
// Exit 0 once Start was pressed and the button went grey (the server runs).
#include <windows.h>

#include <cstdio>

#include "ui/control_ids.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: press_start PORT FOLDER\n");
    return 2;
  }
  using namespace orvane::ui;
  HWND window = nullptr;
  for (int i = 0; i < 300 && window == nullptr; ++i) {  // up to 30 s for Wine to start
    window = FindWindowW(kMainWindowClass, nullptr);
    if (window == nullptr) Sleep(100);
  }
  if (window == nullptr) {
    std::fprintf(stderr, "main window not found\n");
    return 1;
  }
  HWND start = GetDlgItem(window, kStartButtonId);
  if (start == nullptr || !SetDlgItemTextA(window, kPortBoxId, argv[1]) ||
      !SetDlgItemTextA(window, kSiteFolderBoxId, argv[2])) {
    std::fprintf(stderr, "controls not found\n");
    return 1;
  }
  // Posted, not sent: a failure would open a modal box, which must not block us.
  PostMessageW(window, WM_COMMAND, MAKEWPARAM(kStartButtonId, BN_CLICKED),
               reinterpret_cast<LPARAM>(start));
  for (int i = 0; i < 100; ++i) {  // up to 10 s
    if (!IsWindowEnabled(start)) return 0;
    Sleep(100);
  }
  std::fprintf(stderr, "the start button stayed enabled\n");
  return 1;
}
