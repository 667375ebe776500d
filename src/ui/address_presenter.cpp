#include "ui/address_presenter.h"

#include <commctrl.h>

#include "front/address_text.h"
#include "front/phone_landing.h"
#include "http/core/settings.h"
#include "http/core/text_rules.h"
#include "platform/adapters.h"
#include "ui/address_captions.h"
#include "ui/address_ids.h"
#include "ui/clipboard.h"
#include "ui/timer_ids.h"
#include "ui/win_text.h"

namespace orvane::ui {
namespace {

// The adapters are read once, this long after the last of a burst of
// network notifications (a VPN connecting sends dozens).
constexpr UINT kAddressRereadMs = 300;

}  // namespace

// The QR window asks anew each time the operator comes back to it: what
// was typed into the folder box since is then taken into account.
AddressPresenter::AddressPresenter(const Server& server, const CodePage& ansi)
    : server_(server), ansi_(ansi), qr_([this] { Refresh(); }) {}

void AddressPresenter::Attach(HINSTANCE instance, HWND window, HWND port_box, HWND site_folder_box,
                              HWND address_box) {
  instance_ = instance;
  window_ = window;
  port_box_ = port_box;
  site_folder_box_ = site_folder_box;
  box_ = address_box;
  SetWindowSubclass(box_, BoxProc, 0, reinterpret_cast<DWORD_PTR>(this));
  // Without notifications the address is still read at each port change.
  (void)watch_.Start(window_, kAddressesChangedMessage);
}

LRESULT CALLBACK AddressPresenter::BoxProc(HWND box, UINT message, WPARAM wparam, LPARAM lparam,
                                           UINT_PTR, DWORD_PTR self) {
  // No exception may unwind into the system's code that called us.
  try {
    switch (message) {
      case WM_CONTEXTMENU:
        // In place of the edit control's own menu (right click, Shift+F10,
        // the menu key).
        reinterpret_cast<AddressPresenter*>(self)->ShowMenu(lparam);
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

void AddressPresenter::ShowServerAddress() {
  if (port_box_ == nullptr || box_ == nullptr) return;
  const std::string port_text = WideToBytes(WindowText(port_box_), CP_ACP);
  const std::string address = AddressFor(ServerAddressText(port_text, ShownHost(), ansi_), "/");
  const std::wstring text = Widen(address, CP_ACP);
  if (text != WindowText(box_)) SetWindowTextW(box_, text.c_str());
}

std::string AddressPresenter::ShownHost() {
  shown_ = FollowAdapterAddress(chosen_, platform::QueryAdapters());
  return shown_;
}

// Read from the server, which runs exactly while the Start button is
// disabled.
std::optional<std::int16_t> AddressPresenter::ServedPort() const {
  if (!server_.Running()) return std::nullopt;
  return server_.server_port();
}

std::optional<std::wstring> AddressPresenter::ServedAddress(std::string_view path) const {
  const std::optional<std::int16_t> port = ServedPort();
  if (!port) return std::nullopt;
  return Widen(AddressFor(ServerAddressText(DecimalText(*port), shown_, ansi_), path), CP_ACP);
}

// The address as a visitor needs it, leading to `path`: with the access
// code in its query while one is required.
std::string AddressPresenter::AddressFor(const std::string& address, std::string_view path) const {
  const ServingOptions options = server_.serving_options();
  return VisitorAddress(address, path, options.access_code ? options.code : std::string());
}

void AddressPresenter::ShowMenu(LPARAM at) {
  offered_ = ListAdapterAddresses(platform::QueryAdapters()).usable;
  ShowAddressMenu(box_, at, offered_, shown_);
}

bool AddressPresenter::OnCommand(int id) {
  if (id == kCopyAddressCommandId) {
    // A refused action: the beep Windows gives for one. The clipboard stays
    // as it was.
    if (!CopyToClipboard(window_, ServedAddress().value_or(WindowText(box_)))) {
      MessageBeep(MB_OK);
    }
    return true;
  }
  if (id == kShowQrCommandId) {
    AskPhoneView();
    qr_.Open(instance_, window_, box_, QrContentNow());
    return true;
  }
  const int index = id - kFirstAddressCommandId;
  if (id < kFirstAddressCommandId || id > kLastAddressCommandId) return false;
  if (index >= static_cast<int>(offered_.size())) return true;
  chosen_ = offered_[static_cast<std::size_t>(index)].address;
  ShowServerAddress();
  return true;
}

void AddressPresenter::Refresh() {
  if (!qr_.is_open()) return;
  AskPhoneView();
  Follow();
}

void AddressPresenter::AskPhoneView() {
  const std::string root = server_.Running()
                               ? server_.site_root()
                               : SettleSiteRoot(WideToBytes(WindowText(site_folder_box_), CP_UTF8));
  phone_view_ = PhoneSeesAt(root, server_.serving_options());
}

void AddressPresenter::Follow() {
  if (qr_.is_open()) qr_.Follow(QrContentNow());
}

// The code carries the address the server answers at; a line under it says
// when that is not the box's text, or that the server is not started, and
// the last line what the phone will see there.
QrContent AddressPresenter::QrContentNow() const {
  const ServingOptions options = server_.serving_options();
  const std::optional<std::wstring> served = ServedAddress("/");
  const std::string_view landing = PhoneLandingPath(options, phone_view_ == PhoneView::kListing);
  QrContent content{ServedAddress(landing).value_or(WindowText(box_)), {}};
  if (!served && landing != "/") {
    const std::string port_text = WideToBytes(WindowText(port_box_), CP_ACP);
    content.address =
        Widen(AddressFor(ServerAddressText(port_text, shown_, ansi_), landing), CP_ACP);
  }
  if (!served) {
    content.remark = FromGbk(kServerNotStartedLine) + L"\r\n";
  } else if (*served != WindowText(box_)) {
    content.remark = FromGbk(kServedAddressLine) + L"\r\n";
  }
  if (options.access_code) content.remark += FromGbk(kCodeInAddressLine) + L"\r\n";
  switch (phone_view_) {
    case PhoneView::kIndexPage:
      content.remark += FromGbk(kPhoneSeesIndexLine);
      break;
    case PhoneView::kListing:
      content.remark += FromGbk(kPhoneSeesListingLine);
      break;
    case PhoneView::kNotFound:
      content.remark += FromGbk(kPhoneSeesNotFoundLine);
      break;
    case PhoneView::kUploadPage:
      content.remark += FromGbk(kPhoneSeesUploadLine);
      break;
  }
  if (options.uploads && phone_view_ != PhoneView::kUploadPage) {
    content.remark += L"\r\n" + FromGbk(kCanSendFilesLine);
  }
  return content;
}

void AddressPresenter::AddressesChanged() {
  watch_.Heard();
  // Each notification puts the re-read off again (same timer ID).
  SetTimer(window_, kAddressRereadTimerId, kAddressRereadMs, nullptr);
}

void AddressPresenter::Reread() {
  KillTimer(window_, kAddressRereadTimerId);
  ShowServerAddress();
}

void AddressPresenter::Stop() {
  KillTimer(window_, kAddressRereadTimerId);
  watch_.Stop();
}

}  // namespace orvane::ui
