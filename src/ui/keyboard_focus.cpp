#include "ui/keyboard_focus.h"

#include <commctrl.h>

namespace orvane::ui {
namespace {

LRESULT CALLBACK LeaveOnTabProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR,
                                DWORD_PTR) {
  LRESULT result = DefSubclassProc(hwnd, message, wparam, lparam);
  if (message == WM_GETDLGCODE) {
    // IsDialogMessage asks once per key, passing the key's message: give
    // Tab back to the dialog handling; every other key stays with the box.
    const auto* key = reinterpret_cast<const MSG*>(lparam);
    result &= ~static_cast<LRESULT>(DLGC_WANTTAB);
    if (key != nullptr && key->message == WM_KEYDOWN && key->wParam == VK_TAB) {
      result &= ~static_cast<LRESULT>(DLGC_WANTALLKEYS | DLGC_WANTMESSAGE);
    }
  }
  return result;
}

bool CanTakeFocus(HWND window, HWND control) {
  return control != nullptr && IsChild(window, control) && IsWindowEnabled(control) &&
         IsWindowVisible(control);
}

}  // namespace

void LeaveOnTab(HWND edit_box) {
  if (edit_box != nullptr) SetWindowSubclass(edit_box, LeaveOnTabProc, 1, 0);
}

bool IsEscapeFor(HWND window, const MSG& message) {
  const bool escape =
      (message.message == WM_KEYDOWN || message.message == WM_CHAR) && message.wParam == VK_ESCAPE;
  return escape && window != nullptr && (message.hwnd == window || IsChild(window, message.hwnd));
}

void MoveFocusFrom(HWND window, HWND control) {
  if (control == nullptr || GetFocus() != control) return;
  HWND next = GetNextDlgTabItem(window, control, FALSE);
  SetFocus(next != nullptr && next != control ? next : window);
}

void FocusMemory::Remember(HWND window) {
  HWND focus = GetFocus();
  if (focus != nullptr && IsChild(window, focus)) control_ = focus;
}

void FocusMemory::Restore(HWND window, HWND fallback) {
  HWND target = fallback;
  if (control_ != nullptr && IsChild(window, control_)) {
    target = CanTakeFocus(window, control_) ? control_ : GetNextDlgTabItem(window, control_, FALSE);
  }
  if (!CanTakeFocus(window, target)) target = fallback;
  if (target != nullptr) SetFocus(target);
}

}  // namespace orvane::ui
