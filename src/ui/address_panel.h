// Everything the address box offers beyond its text: its own context menu
// (copy, QR code, a choice among this machine's addresses), the QR window,
// and a fresh address when the machine's network changes. Window thread
// only.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "ui/address_menu.h"
#include "ui/address_watch.h"
#include "ui/qr_window.h"

namespace orvane::ui {

class AddressPanel {
 public:
  AddressPanel() = default;
  AddressPanel(const AddressPanel&) = delete;
  AddressPanel& operator=(const AddressPanel&) = delete;

  // Gives `address_box` its menu; changes of the machine's addresses post
  // kAddressesChangedMessage to `window`, the box's parent.
  void Attach(HINSTANCE instance, HWND window, HWND address_box);
  // The host the address box shows, from the adapters as they are now: the
  // operator's choice from the menu while it still exists, else the
  // automatic one; empty when no address is usable.
  std::string ShownHost();
  // A command of the box's menu (other IDs are ignored). True when an
  // address was chosen and the box must be rebuilt.
  [[nodiscard]] bool OnCommand(int id);
  // The box's text changed: the QR window follows it.
  void AddressBoxChanged();
  void CloseQrWindow() { qr_.Close(); }

 private:
  static LRESULT CALLBACK BoxProc(HWND box, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR id,
                                  DWORD_PTR self);
  void ShowMenu(LPARAM at);

  HINSTANCE instance_ = nullptr;
  HWND window_ = nullptr;
  HWND box_ = nullptr;
  std::string chosen_;                  // picked from the menu, kept for the run; empty: automatic
  std::string shown_;                   // the host last shown
  std::vector<UsableAddress> offered_;  // the addresses of the menu last opened
  QrWindow qr_;
  AddressWatch watch_;
};

}  // namespace orvane::ui
