// Drives the Windows program for the bench, under Wine: finds its main
// window, types the port and the site folder into their boxes and presses
// Start, all by window messages.
//   press_start.exe PORT FOLDER
// Exit 0 once Start was pressed, the button went grey (the server runs) and
// the folder box still holds FOLDER.
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "ui/control_ids.h"

namespace {

// True once the window is shown and its thread answers messages. The program
// fills the folder box at the end of the window's creation, so text typed
// before that would be overwritten; a shown window that answers has finished.
bool ReadyForInput(HWND window) {
  if (!IsWindowVisible(window)) return false;
  DWORD_PTR result = 0;
  return SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 1000, &result) != 0;
}

// True when the control's text is exactly `expected`.
bool HoldsText(HWND window, int control, const char* expected) {
  char text[MAX_PATH * 2] = {};
  GetDlgItemTextA(window, control, text, static_cast<int>(sizeof text));
  return std::strcmp(text, expected) == 0;
}

// Types `text` and reads it back, a few times if something overwrote it.
bool TypeText(HWND window, int control, const char* text) {
  for (int i = 0; i < 20; ++i) {
    if (SetDlgItemTextA(window, control, text) && HoldsText(window, control, text)) return true;
    Sleep(100);
  }
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: press_start PORT FOLDER\n");
    return 2;
  }
  using namespace orvane::ui;
  HWND window = nullptr;
  for (int i = 0; i < 300; ++i) {  // up to 30 s for a cold Wine start
    if (window == nullptr) window = FindWindowW(kMainWindowClass, nullptr);
    if (window != nullptr && ReadyForInput(window)) break;
    Sleep(100);
  }
  if (window == nullptr || !ReadyForInput(window)) {
    std::fprintf(
        stderr, window == nullptr ? "main window not found\n" : "main window never became ready\n");
    return 1;
  }
  HWND start = GetDlgItem(window, kStartButtonId);
  if (start == nullptr) {
    std::fprintf(stderr, "controls not found\n");
    return 1;
  }
  if (!TypeText(window, kPortBoxId, argv[1]) || !TypeText(window, kSiteFolderBoxId, argv[2])) {
    std::fprintf(stderr, "the port or the folder did not stay in its box\n");
    return 1;
  }
  // Posted, not sent: a failure would open a modal box, which must not block us.
  PostMessageW(window, WM_COMMAND, MAKEWPARAM(kStartButtonId, BN_CLICKED),
               reinterpret_cast<LPARAM>(start));
  for (int i = 0; i < 100; ++i) {  // up to 10 s
    if (!IsWindowEnabled(start)) {
      // The server read the folder box when Start was pressed: it must still
      // be ours, or the bench would measure another folder.
      if (HoldsText(window, kSiteFolderBoxId, argv[2])) return 0;
      std::fprintf(stderr, "the folder box changed while Start was pressed\n");
      return 1;
    }
    Sleep(100);
  }
  std::fprintf(stderr, "the start button stayed enabled\n");
  return 1;
}
