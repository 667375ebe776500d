// Dialog-style keyboard use of the main window, which is a normal window
// whose messages pass through IsDialogMessage: where the focus goes when a
// control is disabled or the window comes back, and Tab out of a
// multi-line box.
#pragma once

#include <windows.h>

namespace orvane::ui {

// A multi-line edit box claims every key, Tab included; after this, Tab
// and Shift+Tab move to the next control and Enter still breaks the line.
void LeaveOnTab(HWND edit_box);

// True for the Esc key meant for `window` or one of its controls. The
// message loop drops it before IsDialogMessage: the window is no dialog, and
// there Esc would ask to close (IDCANCEL, and a multi-line box posts
// WM_CLOSE to its parent).
bool IsEscapeFor(HWND window, const MSG& message);

// Call before `control` is disabled: if it has the focus, the focus moves
// on to the next enabled tab stop of `window`, so it is never stranded.
void MoveFocusFrom(HWND window, HWND control);

// The control that had the focus when the window was deactivated or hidden,
// given the focus again when it comes back. Window thread only.
class FocusMemory {
 public:
  // Keeps the focused control if it is a child of `window`; otherwise the
  // control kept before stays.
  void Remember(HWND window);
  // Focuses the kept control, or the next tab stop after it if it has been
  // disabled or hidden since, or `fallback` when none was kept.
  void Restore(HWND window, HWND fallback);

 private:
  HWND control_ = nullptr;
};

}  // namespace orvane::ui
