// The QR window: a small window owned by the main window that shows the
// address box's text as a QR code, with the text under it, for a phone's
// camera. Window thread only.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "address/qr_modules.h"
#include "ui/win_handles.h"

namespace orvane::ui {

class QrWindow {
 public:
  QrWindow() = default;
  ~QrWindow() { Close(); }
  QrWindow(const QrWindow&) = delete;
  QrWindow& operator=(const QrWindow&) = delete;

  // Shows `address` in a window owned by `owner`, beside it and level with
  // `anchor` (the address box); when it is open already it shows `address` and comes to
  // the front. The keyboard focus goes to it; Esc and Enter close it.
  void Open(HINSTANCE instance, HWND owner, HWND anchor, const std::wstring& address);
  // Shows `address` instead, if the window is open.
  void Follow(const std::wstring& address);
  void Close();
  bool is_open() const { return hwnd_ != nullptr; }

 private:
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam);
  void SetAddress(const std::wstring& address);
  void MakeFont();
  // Sizes the window for its content at its DPI, its top-left at `origin`.
  void Fit(POINT origin);
  SIZE ContentSize();
  void Paint(HDC dc);
  int Scale(int pixels) const { return MulDiv(pixels, dpi_, 96); }
  int ModulePixels() const;

  HWND hwnd_ = nullptr;
  int dpi_ = 96;
  UniqueFont font_;
  std::wstring address_;
  std::optional<QrModules> code_;  // none: a sentence says why
  std::wstring note_;              // that sentence
};

}  // namespace orvane::ui
