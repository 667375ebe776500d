#include "ui/address_watch.h"

namespace orvane::ui {

bool AddressWatch::Start(HWND window, UINT message) {
  Stop();
  window_ = window;
  message_ = message;
  // An interface going up or down (Wi-Fi joined) and an address coming or
  // going (the DHCP lease that follows): either may change the address.
  if (NotifyIpInterfaceChange(AF_INET, OnInterfaceChange, this, FALSE, &interfaces_) != NO_ERROR) {
    interfaces_ = nullptr;
  }
  if (NotifyUnicastIpAddressChange(AF_INET, OnAddressChange, this, FALSE, &addresses_) !=
      NO_ERROR) {
    addresses_ = nullptr;
  }
  return interfaces_ != nullptr || addresses_ != nullptr;
}

void AddressWatch::Stop() {
  // CancelMibChangeNotify2 waits for a callback that is running to return.
  if (interfaces_ != nullptr) CancelMibChangeNotify2(interfaces_);
  if (addresses_ != nullptr) CancelMibChangeNotify2(addresses_);
  interfaces_ = nullptr;
  addresses_ = nullptr;
}

void WINAPI AddressWatch::OnInterfaceChange(void* context, MIB_IPINTERFACE_ROW*,
                                            MIB_NOTIFICATION_TYPE) {
  static_cast<const AddressWatch*>(context)->Post();
}

void WINAPI AddressWatch::OnAddressChange(void* context, MIB_UNICASTIPADDRESS_ROW*,
                                          MIB_NOTIFICATION_TYPE) {
  static_cast<const AddressWatch*>(context)->Post();
}

void AddressWatch::Post() const { PostMessageW(window_, message_, 0, 0); }

}  // namespace orvane::ui
