// The QR window: a small window owned by the main window that shows an
// address as a QR code, with the text under it, for a phone's camera.
// Window thread only.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <utility>

#include "front/qr_modules.h"
#include "ui/base_window.h"
#include "ui/win_handles.h"

namespace orvane::ui {

// What the window shows: `address` as a code and as text, and `remark`,
// short lines (separated by "\r\n") under them (none when empty).
struct QrContent {
  std::wstring address;
  std::wstring remark;
  friend bool operator==(const QrContent& a, const QrContent& b) {
    return a.address == b.address && a.remark == b.remark;
  }
};

class QrWindow : public BaseWindow<QrWindow> {
 public:
  // `on_activate` runs each time the open window becomes the active one
  // again, so its owner can bring the content up to date.
  explicit QrWindow(std::function<void()> on_activate = {})
      : on_activate_(std::move(on_activate)) {}
  ~QrWindow() { Close(); }

  // Shows `content` in a window owned by `owner`, beside it and level with
  // `anchor` (the address box); when it is open already it shows `content`
  // and comes to the front. The keyboard focus goes to it; Esc and Enter
  // close it.
  void Open(HINSTANCE instance, HWND owner, HWND anchor, const QrContent& content);
  // Shows `content` instead, if the window is open.
  void Follow(const QrContent& content);
  void Close() { DestroyNow(); }
  [[nodiscard]] bool is_open() const { return hwnd() != nullptr; }

 private:
  friend class BaseWindow<QrWindow>;
  LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam);
  void SetContent(const QrContent& content);
  // Sizes the window for its content at its DPI, its top-left at `origin`,
  // and puts the remark in its place.
  void Fit(POINT origin);
  // The client area the content needs; sets remark_top_ and remark_height_.
  SIZE ContentSize();
  void Paint(HDC dc);
  [[nodiscard]] int Scale(int pixels) const { return MulDiv(pixels, dpi_, 96); }
  [[nodiscard]] int ModulePixels() const;

  std::function<void()> on_activate_;
  bool opening_ = false;  // Open is making the window: its content is fresh
  int dpi_ = 96;
  UniqueFont font_;
  // The remark is a static control, so that its text can be read from
  // outside (accessibility tools, the tests); the code and the address are
  // painted.
  HWND remark_ = nullptr;
  int remark_top_ = 0;
  int remark_height_ = 0;
  QrContent content_;
  std::optional<QrModules> code_;  // none: a sentence says why
  std::wstring note_;              // that sentence
};

}  // namespace orvane::ui
