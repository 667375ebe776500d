#include "ui/qr_window.h"

#include <algorithm>

#include "ui/address_captions.h"
#include "ui/address_ids.h"
#include "ui/dpi.h"
#include "ui/win_text.h"

namespace orvane::ui {
namespace {

// The remark paints itself over the white background, never under it.
constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr int kQuietModules = 4;  // the white border a reader needs around the code
constexpr int kMarginPixels = 8;  // at 96 DPI, around the text
constexpr int kNoteWidthPixels = 220;

// "http:///" or "http://:8080/": no host, nothing worth encoding.
bool HasHost(const std::wstring& address) {
  constexpr std::wstring_view kScheme = L"http://";
  if (address.compare(0, kScheme.size(), kScheme) != 0) return !address.empty();
  return address.size() > kScheme.size() && address[kScheme.size()] != L'/' &&
         address[kScheme.size()] != L':';
}

}  // namespace

void QrWindow::Open(HINSTANCE instance, HWND owner, HWND anchor, const QrContent& content) {
  if (hwnd() != nullptr) {
    Follow(content);
  } else {
    // Beside the main window, level with the address box, so it covers
    // neither the box nor its menu. Made there, so that it takes the DPI of
    // the monitor it will stand on.
    RECT box{};
    RECT main{};
    GetWindowRect(anchor, &box);
    GetWindowRect(owner, &main);
    const POINT origin{main.right + MulDiv(8, WindowDpi(owner), kBaseDpi), box.top};
    const std::wstring title = FromGbk(kQrWindowTitle);
    opening_ = true;
    if (CreateThis(0, kQrWindowClass, title.c_str(), kStyle, origin, SIZE{100, 100}, owner, nullptr,
                   instance) == nullptr) {
      opening_ = false;
      return;
    }
    dpi_ = WindowDpi(hwnd());
    font_ = MessageFont(dpi_);
    remark_ = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | SS_CENTER | SS_NOPREFIX, 0, 0, 0, 0,
                              hwnd(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(kQrRemarkId)),
                              instance, nullptr);
    SendMessageW(remark_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
    SetContent(content);
    Fit(origin);  // pushed back onto the monitor if need be
    ShowWindow(hwnd(), SW_SHOW);
    opening_ = false;
  }
  SetForegroundWindow(hwnd());
  SetFocus(hwnd());
}

void QrWindow::Follow(const QrContent& content) {
  if (hwnd() == nullptr || content == content_) return;
  SetContent(content);
  RECT now{};
  GetWindowRect(hwnd(), &now);
  Fit(POINT{now.left, now.top});
  InvalidateRect(hwnd(), nullptr, TRUE);
}

void QrWindow::SetContent(const QrContent& content) {
  content_ = content;
  SetWindowTextW(remark_, content_.remark.c_str());
  ShowWindow(remark_, content_.remark.empty() ? SW_HIDE : SW_SHOW);
  code_.reset();
  note_.clear();
  if (!HasHost(content.address)) {
    note_ = FromGbk(kNoAddressForQr);
    return;
  }
  code_ = EncodeQr(WideToBytes(content.address, CP_UTF8));
  if (!code_) note_ = FromGbk(kAddressTooLongForQr);  // longer than any QR code holds
}

// Whole device pixels per module, so no module is drawn wider than another:
// 5 at 96 DPI, growing with the DPI.
int QrWindow::ModulePixels() const { return std::max(2, MulDiv(5, dpi_, 96)); }

SIZE QrWindow::ContentSize() {
  const UniqueScreenDc dc(GetDC(nullptr));
  const HGDIOBJ old_font = SelectObject(dc.get(), font_.get());
  const int margin = Scale(kMarginPixels);
  const int side = code_ ? (code_->size + 2 * kQuietModules) * ModulePixels()
                         : Scale(kNoteWidthPixels) + 2 * margin;
  RECT note{0, 0, side - 2 * margin, 0};
  int note_height = 0;
  if (!code_) {
    DrawTextW(dc.get(), note_.c_str(), -1, &note, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
    note_height = note.bottom - note.top + 2 * margin;
  }
  RECT line{0, 0, 0, 0};
  DrawTextW(dc.get(), content_.address.c_str(), -1, &line,
            DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
  // Each line of the remark whole: the width of the longest.
  RECT remark{0, 0, 0, 0};
  if (!content_.remark.empty()) {
    DrawTextW(dc.get(), content_.remark.c_str(), -1, &remark, DT_CALCRECT | DT_NOPREFIX);
  }
  SelectObject(dc.get(), old_font);
  const int width = std::max<int>(
      {side, line.right - line.left + 2 * margin, remark.right - remark.left + 2 * margin});
  const int code_height = code_ ? side : note_height;
  remark_top_ = code_height + (line.bottom - line.top);
  remark_height_ = content_.remark.empty() ? 0 : remark.bottom - remark.top + margin / 2;
  return SIZE{width, remark_top_ + remark_height_ + margin};
}

// Keeps the whole window on the monitor it is on.
void QrWindow::Fit(POINT origin) {
  // Under per-monitor v1 the frame stays at the system DPI while the client
  // area scales: FrameDpi tells which.
  const SIZE client = ContentSize();
  const SIZE frame = FrameSize(client.cx, client.cy, kStyle, false, FrameDpi(hwnd(), dpi_));
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  if (GetMonitorInfoW(MonitorFromPoint(origin, MONITOR_DEFAULTTONEAREST), &monitor)) {
    const RECT& work = monitor.rcWork;
    origin.x = std::max(work.left, std::min<LONG>(origin.x, work.right - frame.cx));
    origin.y = std::max(work.top, std::min<LONG>(origin.y, work.bottom - frame.cy));
  }
  SetWindowPos(hwnd(), nullptr, origin.x, origin.y, frame.cx, frame.cy,
               SWP_NOZORDER | SWP_NOACTIVATE);
  SetWindowPos(remark_, nullptr, 0, remark_top_, client.cx, remark_height_,
               SWP_NOZORDER | SWP_NOACTIVATE);
}

void QrWindow::Paint(HDC dc) {
  RECT client{};
  GetClientRect(hwnd(), &client);
  FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  const HGDIOBJ old_font = SelectObject(dc, font_.get());
  SetTextColor(dc, RGB(0, 0, 0));
  SetBkColor(dc, RGB(255, 255, 255));
  const int margin = Scale(kMarginPixels);
  int top = 0;
  if (code_) {
    const int module = ModulePixels();
    const int side = (code_->size + 2 * kQuietModules) * module;
    const int left = (client.right - side) / 2;
    const HBRUSH dark = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    for (int y = 0; y < code_->size; ++y) {
      for (int x = 0; x < code_->size; ++x) {
        if (!code_->IsDark(x, y)) continue;
        const RECT cell{left + (x + kQuietModules) * module, (y + kQuietModules) * module,
                        left + (x + kQuietModules + 1) * module, (y + kQuietModules + 1) * module};
        FillRect(dc, &cell, dark);
      }
    }
    top = side;
  } else {
    RECT note{margin, margin, client.right - margin, client.bottom};
    top = margin + DrawTextW(dc, note_.c_str(), -1, &note, DT_WORDBREAK | DT_NOPREFIX) + margin;
  }
  RECT line{0, top, client.right, client.bottom};
  DrawTextW(dc, content_.address.c_str(), -1, &line, DT_CENTER | DT_SINGLELINE | DT_NOPREFIX);
  SelectObject(dc, old_font);
}

LRESULT QrWindow::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  const HWND hwnd = this->hwnd();
  switch (message) {
    case WM_KEYDOWN:
      // A fresh press only (bit 30: the key was already down): an Enter held
      // down in the main window, auto-repeating, must not close the window
      // it has just opened.
      if ((wparam == VK_ESCAPE || wparam == VK_RETURN) && (lparam & (1 << 30)) == 0) {
        DestroyNow();
        return 0;
      }
      break;
    case WM_PAINT: {
      PAINTSTRUCT paint{};
      HDC dc = BeginPaint(hwnd, &paint);
      Paint(dc);
      EndPaint(hwnd, &paint);
      return 0;
    }
    case WM_ERASEBKGND:
      return 1;  // Paint covers every pixel
    case WM_ACTIVATE:
      if (LOWORD(wparam) != WA_INACTIVE && !opening_ && on_activate_) on_activate_();
      break;
    case WM_CTLCOLORSTATIC: {
      // The remark in black on the window's white.
      const auto dc = reinterpret_cast<HDC>(wparam);
      SetTextColor(dc, RGB(0, 0, 0));
      SetBkColor(dc, RGB(255, 255, 255));
      return reinterpret_cast<LRESULT>(GetStockObject(WHITE_BRUSH));
    }
    case WM_DPICHANGED: {
      // Moved to a monitor of another scale: modules, text and frame anew.
      dpi_ = HIWORD(wparam);
      if (UniqueFont font = MessageFont(dpi_)) {
        SendMessageW(remark_, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), FALSE);
        font_ = std::move(font);
      }
      const auto* suggested = reinterpret_cast<const RECT*>(lparam);
      Fit(POINT{suggested->left, suggested->top});
      InvalidateRect(hwnd, nullptr, TRUE);
      return 0;
    }
    default:
      break;
  }
  return DefWindowProcW(hwnd, message, wparam, lparam);
}

}  // namespace orvane::ui
