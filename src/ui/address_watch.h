// Hears when this machine's IPv4 addresses, interfaces or routes change (a
// network joined or left, a lease renewed, a gateway added) and tells the
// window's thread.
#pragma once

#include <winsock2.h>
#include <windows.h>
#include <ws2ipdef.h>
#include <iphlpapi.h>
#include <netioapi.h>

#include <atomic>

#include "platform/unique_resource.h"

namespace orvane::ui {

// A registration of NotifyIpInterfaceChange and its kin. Cancelling waits
// for a callback that is running to return.
struct MibNotificationTraits {
  using Handle = HANDLE;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle handle) { CancelMibChangeNotify2(handle); }
};
using UniqueMibNotification = platform::UniqueResource<MibNotificationTraits>;

class AddressWatch {
 public:
  AddressWatch() = default;
  ~AddressWatch() { Stop(); }
  AddressWatch(const AddressWatch&) = delete;
  AddressWatch& operator=(const AddressWatch&) = delete;

  // From now on a change posts `message` to `window`, once until Heard is
  // called, so a burst of notifications leaves one message in the queue.
  // The system calls back on a thread of its own, which only posts. False
  // when the system offers none of the notifications.
  [[nodiscard]] bool Start(HWND window, UINT message);
  // The window took the message: the next change posts again.
  void Heard() { posted_.store(false); }
  // No callback runs once this returns.
  void Stop();

 private:
  // The system's callbacks (on its own thread); `context` is this watch.
  static void WINAPI OnInterfaceChange(void* context, MIB_IPINTERFACE_ROW*, MIB_NOTIFICATION_TYPE);
  static void WINAPI OnAddressChange(void* context, MIB_UNICASTIPADDRESS_ROW*,
                                     MIB_NOTIFICATION_TYPE);
  static void WINAPI OnRouteChange(void* context, MIB_IPFORWARD_ROW2*, MIB_NOTIFICATION_TYPE);
  void Post();

  // Written before the notifications are registered, then only read (by the
  // system's callback thread too).
  HWND window_ = nullptr;
  UINT message_ = 0;
  // Set by the callback thread when it posts, cleared by the window thread.
  std::atomic<bool> posted_{false};
  UniqueMibNotification interfaces_;  // window thread only
  UniqueMibNotification addresses_;   // window thread only
  UniqueMibNotification routes_;      // window thread only
};

}  // namespace orvane::ui
