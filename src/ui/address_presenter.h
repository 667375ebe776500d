// The address and what a phone finds there: the address box's text
// (`ShowServerAddress`), the port the running server answers on, the box's
// own context menu (copy, QR code, a choice among this machine's
// addresses), the QR window with its lines, and a fresh address when the
// machine's network changes. Window thread only.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/code_page.h"
#include "http/server.h"
#include "ui/address_menu.h"
#include "ui/address_watch.h"
#include "ui/phone_view.h"
#include "ui/qr_window.h"

namespace orvane::ui {

class AddressPresenter {
 public:
  AddressPresenter(const Server& server, const CodePage& ansi);
  AddressPresenter(const AddressPresenter&) = delete;
  AddressPresenter& operator=(const AddressPresenter&) = delete;

  // Once the boxes exist: gives `address_box` its menu; changes of the
  // machine's addresses post kAddressesChangedMessage to `window`, the
  // boxes' parent.
  void Attach(HINSTANCE instance, HWND window, HWND port_box, HWND site_folder_box,
              HWND address_box);
  // `ShowServerAddress`: the address box rebuilt from the port box and the
  // adapters as they are now. The box is rewritten only when its text
  // changes, so a re-read after a network notification leaves the
  // operator's selection alone.
  void ShowServerAddress();
  // A command of the address box's menu; false for any other ID. Copy and
  // the QR code give the address where the running server answers, whatever
  // the box holds; while the server is stopped, the box's text.
  [[nodiscard]] bool OnCommand(int id);
  // The address box's text changed: the QR window follows. Nothing is asked
  // of the disk.
  void AddressEdited() { Follow(); }
  // The server started or stopped, or the options or the site folder
  // changed: what the phone will see is asked again (only while the QR
  // window is open: it asks when it opens) and the QR window follows.
  void Refresh();
  // kAddressesChangedMessage: the adapters are read again once a burst of
  // notifications has passed (the re-read timer).
  void AddressesChanged();
  // kAddressRereadTimerId.
  void Reread();
  void CloseQrWindow() { qr_.Close(); }
  // The window is being destroyed: no more notifications, no re-read.
  void Stop();

 private:
  static LRESULT CALLBACK BoxProc(HWND box, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR id,
                                  DWORD_PTR self);
  void ShowMenu(LPARAM at);
  // The host the box shows, from the adapters as they are now: the
  // operator's choice from the menu while it still exists, else the
  // automatic one; empty when no address is usable.
  std::string ShownHost();
  // The port the server answers on while it runs; none while it is stopped.
  [[nodiscard]] std::optional<std::int16_t> ServedPort() const;
  // The address box's text for the port being served; none while stopped.
  [[nodiscard]] std::optional<std::wstring> ServedAddress(std::string_view path = "/") const;
  [[nodiscard]] std::string AddressFor(const std::string& address, std::string_view path) const;
  // What the phone will see at the folder being served, or while stopped
  // at the folder in the box (what a start would serve).
  void AskPhoneView();
  [[nodiscard]] QrContent QrContentNow() const;
  void Follow();

  const Server& server_;
  const CodePage ansi_;
  HINSTANCE instance_ = nullptr;
  HWND window_ = nullptr;
  HWND port_box_ = nullptr;
  HWND site_folder_box_ = nullptr;
  HWND box_ = nullptr;
  std::string chosen_;                  // picked from the menu, kept for the run; empty: automatic
  std::string shown_;                   // the host last shown
  std::vector<UsableAddress> offered_;  // the addresses of the menu last opened
  PhoneView phone_view_ = PhoneView::kNotFound;  // as last asked
  QrWindow qr_;
  AddressWatch watch_;
};

}  // namespace orvane::ui
