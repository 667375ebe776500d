#include "ui/port_box.h"

#include <commctrl.h>
#include <imm.h>

#include <string>

#include "ui/rules/port_entry.h"
#include "ui/win_handles.h"

namespace orvane::ui {
namespace {

// The text an input method has just committed in `window`; empty without
// an input context.
std::wstring CompositionResult(HWND window) {
  HIMC borrowed = ImmGetContext(window);
  if (borrowed == nullptr) return {};
  const UniqueInputContext context(BorrowedInputContext{window, borrowed});
  const LONG bytes = ImmGetCompositionStringW(borrowed, GCS_RESULTSTR, nullptr, 0);
  if (bytes <= 0) return {};
  std::wstring text(static_cast<std::size_t>(bytes) / sizeof(wchar_t), L'\0');
  ImmGetCompositionStringW(borrowed, GCS_RESULTSTR, text.data(), static_cast<DWORD>(bytes));
  return text;
}

LRESULT CALLBACK PortBoxProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR,
                             DWORD_PTR) {
  // Every route a typed character takes is filtered; a paste arrives as
  // WM_PASTE and is not.
  switch (message) {
    case WM_CHAR:
    case WM_IME_CHAR:
      if (!IsAcceptedPortChar(static_cast<char32_t>(wparam))) return 0;
      break;
    case WM_UNICHAR:
      if (wparam != UNICODE_NOCHAR && !IsAcceptedPortChar(static_cast<char32_t>(wparam))) {
        return FALSE;
      }
      break;
    case WM_IME_COMPOSITION:
      if ((lparam & GCS_RESULTSTR) != 0) {
        // Text an input method committed: typed in character by character
        // through the filter, instead of as a whole.
        for (wchar_t ch : CompositionResult(hwnd)) {
          if (IsAcceptedPortChar(ch)) DefSubclassProc(hwnd, WM_CHAR, ch, 1);
        }
        return 0;
      }
      break;
    default:
      break;
  }
  return DefSubclassProc(hwnd, message, wparam, lparam);
}

}  // namespace

void FilterPortBoxInput(HWND port_box) {
  SetWindowSubclass(port_box, PortBoxProc, 1, 0);
  // A port is digits: no input method, whose text would bypass the
  // character filter as a composition result.
  ImmAssociateContextEx(port_box, nullptr, 0);
}

}  // namespace orvane::ui
