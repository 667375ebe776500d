#include "ui/address_panel.h"

#include <commctrl.h>

#include <utility>

#include "platform/adapters.h"
#include "ui/address_captions.h"
#include "ui/address_ids.h"
#include "front/address_text.h"
#include "ui/clipboard.h"
#include "ui/win_text.h"

namespace orvane::ui {

void AddressPanel::Attach(HINSTANCE instance, HWND window, HWND address_box,
                          PhoneViewFn phone_view) {
  instance_ = instance;
  window_ = window;
  box_ = address_box;
  phone_view_ = std::move(phone_view);
  SetWindowSubclass(box_, BoxProc, 0, reinterpret_cast<DWORD_PTR>(this));
  // Without notifications the address is still read at each port change.
  (void)watch_.Start(window_, kAddressesChangedMessage);
}

LRESULT CALLBACK AddressPanel::BoxProc(HWND box, UINT message, WPARAM wparam, LPARAM lparam,
                                       UINT_PTR, DWORD_PTR self) {
  // No exception may unwind into the system's code that called us.
  try {
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
  } catch (...) {
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

bool AddressPanel::OnCommand(int id, const std::optional<std::wstring>& served) {
  if (id == kCopyAddressCommandId) {
    // A refused action: the beep Windows gives for one. The clipboard stays
    // as it was.
    if (!CopyToClipboard(window_, served.value_or(WindowText(box_)))) MessageBeep(MB_OK);
    return false;
  }
  if (id == kShowQrCommandId) {
    qr_.Open(instance_, window_, box_, QrContentFor(served));
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

void AddressPanel::Follow(const std::optional<std::wstring>& served) {
  if (qr_.is_open()) qr_.Follow(QrContentFor(served));
}

// The code carries the address the server answers at; a line under it says
// when that is not the box's text, or that the server is not started, and
// the last line what the phone will see there.
QrContent AddressPanel::QrContentFor(const std::optional<std::wstring>& served) const {
  QrContent content{served.value_or(WindowText(box_)), {}};
  if (!served) {
    content.remark = FromGbk(kServerNotStartedLine) + L"\r\n";
  } else if (*served != WindowText(box_)) {
    content.remark = FromGbk(kServedAddressLine) + L"\r\n";
  }
  switch (phone_view_ ? phone_view_() : PhoneView::kNotFound) {
    case PhoneView::kIndexPage:
      content.remark += FromGbk(kPhoneSeesIndexLine);
      break;
    case PhoneView::kListing:
      content.remark += FromGbk(kPhoneSeesListingLine);
      break;
    case PhoneView::kNotFound:
      content.remark += FromGbk(kPhoneSeesNotFoundLine);
      break;
  }
  return content;
}

}  // namespace orvane::ui
