#include "ui/address_watch.h"

namespace orvane::ui {

bool AddressWatch::Start(HWND window, UINT message) {
  Stop();
  window_ = window;
  message_ = message;
  posted_.store(false);
  // An interface going up or down (Wi-Fi joined), an address coming or going
  // (the DHCP lease that follows) and a route (the default gateway, which
  // often arrives after the address and decides which address is shown).
  HANDLE handle = nullptr;
  if (NotifyIpInterfaceChange(AF_INET, OnInterfaceChange, this, FALSE, &handle) == NO_ERROR) {
    interfaces_.reset(handle);
  }
  handle = nullptr;
  if (NotifyUnicastIpAddressChange(AF_INET, OnAddressChange, this, FALSE, &handle) == NO_ERROR) {
    addresses_.reset(handle);
  }
  handle = nullptr;
  if (NotifyRouteChange2(AF_INET, OnRouteChange, this, FALSE, &handle) == NO_ERROR) {
    routes_.reset(handle);
  }
  return interfaces_ || addresses_ || routes_;
}

void AddressWatch::Stop() {
  interfaces_.reset();
  addresses_.reset();
  routes_.reset();
}

void WINAPI AddressWatch::OnInterfaceChange(void* context, MIB_IPINTERFACE_ROW*,
                                            MIB_NOTIFICATION_TYPE) {
  static_cast<AddressWatch*>(context)->Post();
}

void WINAPI AddressWatch::OnAddressChange(void* context, MIB_UNICASTIPADDRESS_ROW*,
                                          MIB_NOTIFICATION_TYPE) {
  static_cast<AddressWatch*>(context)->Post();
}

void WINAPI AddressWatch::OnRouteChange(void* context, MIB_IPFORWARD_ROW2*, MIB_NOTIFICATION_TYPE) {
  static_cast<AddressWatch*>(context)->Post();
}

void AddressWatch::Post() {
  if (posted_.exchange(true)) return;  // one is waiting in the queue already
  if (!PostMessageW(window_, message_, 0, 0)) posted_.store(false);
}

}  // namespace orvane::ui
