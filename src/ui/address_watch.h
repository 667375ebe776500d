// Hears when this machine's IPv4 addresses or interfaces change (a network
// joined or left, a lease renewed) and tells the window's thread.
#pragma once

#include <winsock2.h>
#include <windows.h>
#include <ws2ipdef.h>
#include <iphlpapi.h>
#include <netioapi.h>

namespace orvane::ui {

class AddressWatch {
 public:
  AddressWatch() = default;
  ~AddressWatch() { Stop(); }
  AddressWatch(const AddressWatch&) = delete;
  AddressWatch& operator=(const AddressWatch&) = delete;

  // From now on every change posts `message` to `window`. The system calls
  // back on a thread of its own, which only posts. False when the system
  // offers neither notification.
  [[nodiscard]] bool Start(HWND window, UINT message);
  // No callback runs once this returns.
  void Stop();

 private:
  // The system's callbacks (on its own thread); `context` is this watch.
  static void WINAPI OnInterfaceChange(void* context, MIB_IPINTERFACE_ROW*, MIB_NOTIFICATION_TYPE);
  static void WINAPI OnAddressChange(void* context, MIB_UNICASTIPADDRESS_ROW*,
                                     MIB_NOTIFICATION_TYPE);
  void Post() const;

  // Written before the notifications are registered, then only read (by the
  // system's callback thread too).
  HWND window_ = nullptr;
  UINT message_ = 0;
  HANDLE interfaces_ = nullptr;  // window thread only
  HANDLE addresses_ = nullptr;   // window thread only
};

}  // namespace orvane::ui
