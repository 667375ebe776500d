#include "ui/address_panel.h"

#include <commctrl.h>

#include "platform/adapters.h"
#include "ui/address_ids.h"
#include "address/address_text.h"
#include "ui/clipboard.h"
#include "ui/win_text.h"

namespace orvane::ui {

void AddressPanel::Attach(HINSTANCE instance, HWND window, HWND address_box) {
  instance_ = instance;
  window_ = window;
  box_ = address_box;
  SetWindowSubclass(box_, BoxProc, 0, reinterpret_cast<DWORD_PTR>(this));
  // Without notifications the address is still read at each port change.
  (void)watch_.Start(window_, kAddressesChangedMessage);
}

LRESULT CALLBACK AddressPanel::BoxProc(HWND box, UINT message, WPARAM wparam, LPARAM lparam,
                                       UINT_PTR, DWORD_PTR self) {
  switch (message) {
    case WM_CONTEXTMENU:
      // In place of the edit control's own menu (right click, Shift+F10,
      // the menu key).
      reinterpret_cast<AddressPanel*>(self)->ShowMenu(lparam);
      return 0;
    case WM_NCDESTROY:
      RemoveWindowSubclass(box, BoxProc, 0);
      break;
    default:
      break;
  }
  return DefSubclassProc(box, message, wparam, lparam);
}

std::string AddressPanel::ShownHost() {
  shown_ = FollowAdapterAddress(chosen_, platform::QueryAdapters());
  return shown_;
}

void AddressPanel::ShowMenu(LPARAM at) {
  offered_ = ListAdapterAddresses(platform::QueryAdapters()).usable;
  ShowAddressMenu(box_, at, offered_, shown_);
}

bool AddressPanel::OnCommand(int id) {
  if (id == kCopyAddressCommandId) {
    (void)CopyToClipboard(window_, WindowText(box_));  // a busy clipboard stays as it was
    return false;
  }
  if (id == kShowQrCommandId) {
    qr_.Open(instance_, window_, box_, WindowText(box_));
    return false;
  }
  const int index = id - kFirstAddressCommandId;
  if (id < kFirstAddressCommandId || id > kLastAddressCommandId ||
      index >= static_cast<int>(offered_.size())) {
    return false;
  }
  chosen_ = offered_[static_cast<std::size_t>(index)].address;
  return true;
}

void AddressPanel::AddressBoxChanged() { qr_.Follow(WindowText(box_)); }

}  // namespace orvane::ui
