// Everything the address box offers beyond its text: its own context menu
// (copy, QR code, a choice among this machine's addresses), the QR window,
// and a fresh address when the machine's network changes. Window thread
// only.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "ui/address_menu.h"
#include "ui/address_watch.h"
#include "ui/qr_window.h"

namespace orvane::ui {

// What a phone that follows the code finds at "/": the site folder's
// default document, the folder's listing, or the 404 text.
enum class PhoneView { kIndexPage, kListing, kNotFound };
using PhoneViewFn = std::function<PhoneView()>;

class AddressPanel {
 public:
  AddressPanel() = default;
  AddressPanel(const AddressPanel&) = delete;
  AddressPanel& operator=(const AddressPanel&) = delete;

  // Gives `address_box` its menu; changes of the machine's addresses post
  // kAddressesChangedMessage to `window`, the box's parent. The QR window
  // asks `phone_view` what the phone will see each time it shows anew.
  void Attach(HINSTANCE instance, HWND window, HWND address_box, PhoneViewFn phone_view);
  // The host the address box shows, from the adapters as they are now: the
  // operator's choice from the menu while it still exists, else the
  // automatic one; empty when no address is usable.
  std::string ShownHost();
  // The host the box showed last, without reading the adapters again.
  [[nodiscard]] const std::string& shown_host() const { return shown_; }
  // A command of the box's menu (other IDs are ignored). True when an
  // address was chosen and the box must be rebuilt. Copy and the QR code give
  // `served`, the address where the running server answers, whatever the box
  // holds; while the server is stopped (none) they give the box's text.
  [[nodiscard]] bool OnCommand(int id, const std::optional<std::wstring>& served);
  // The box's text, the server's state or what the phone will see changed:
  // the QR window follows.
  void Follow(const std::optional<std::wstring>& served);
  void CloseQrWindow() { qr_.Close(); }
  // The window took the watch's message: the next change posts again.
  void ChangeHeard() { watch_.Heard(); }
  // No more network notifications (the window is being destroyed).
  void StopWatching() { watch_.Stop(); }

 private:
  static LRESULT CALLBACK BoxProc(HWND box, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR id,
                                  DWORD_PTR self);
  void ShowMenu(LPARAM at);
  [[nodiscard]] QrContent QrContentFor(const std::optional<std::wstring>& served) const;

  HINSTANCE instance_ = nullptr;
  HWND window_ = nullptr;
  HWND box_ = nullptr;
  PhoneViewFn phone_view_;
  std::string chosen_;                  // picked from the menu, kept for the run; empty: automatic
  std::string shown_;                   // the host last shown
  std::vector<UsableAddress> offered_;  // the addresses of the menu last opened
  QrWindow qr_;
  AddressWatch watch_;
};

}  // namespace orvane::ui
