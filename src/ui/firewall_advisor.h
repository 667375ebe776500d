// What the window says about Windows Firewall, and the mend it offers: at
// each Start the firewall and the shown address's network are read off the
// window thread and one line goes to the connection log when other machines
// may not get in; 选项→允许通过防火墙 runs the elevated helper step and logs
// what it did. It never touches the firewall but through that menu choice.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "http/operator_panel.h"
#include "platform/unique_resource.h"
#include "platform/win32/win32_handle.h"

namespace orvane::ui {

// A wait registered with RegisterWaitForSingleObject; unregistering waits
// for a callback that is running to return.
struct RegisteredWaitTraits {
  using Handle = HANDLE;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle handle) { UnregisterWaitEx(handle, INVALID_HANDLE_VALUE); }
};
using UniqueRegisteredWait = platform::UniqueResource<RegisteredWaitTraits>;

class FirewallAdvisor {
 public:
  FirewallAdvisor() = default;
  // Waits for the checks still running (Stop).
  ~FirewallAdvisor();
  FirewallAdvisor(const FirewallAdvisor&) = delete;
  FirewallAdvisor& operator=(const FirewallAdvisor&) = delete;

  // Once the window exists: the helper's end is posted to `window` as
  // kFirewallHelperEndedMessage, and lines go to `panel`'s log queue.
  void Attach(HWND window, OperatorPanel& panel);
  // After a Start that started: the verdict for TCP `port` on the network
  // of `shown_host` (the address the box shows), on a thread of its own
  // with its own COM apartment; at most one line, through the log queue.
  void CheckAfterStart(std::uint16_t port, std::string shown_host);
  // 选项→允许通过防火墙: this program again, elevated (the "runas" verb),
  // with the helper's switch. A refused prompt, or a helper that cannot
  // start, is logged at once; otherwise its end comes back as a message.
  void AskToAllow();
  // kFirewallHelperEndedMessage: logs what the helper did.
  void HelperEnded(std::uint32_t exit_code);
  // Waits up to `timeout_ms` for the checks still running and drops the
  // wait for a helper; false when a check outlived the wait.
  [[nodiscard]] bool Stop(DWORD timeout_ms);

 private:
  static DWORD WINAPI CheckThread(void* job);
  static void CALLBACK OnHelperExited(void* self, BOOLEAN timed_out);

  HWND window_ = nullptr;
  OperatorPanel* panel_ = nullptr;
  // Window thread only. The checks' threads, finished ones dropped at the
  // next check.
  std::vector<platform::UniqueKernelHandle> checks_;
  // The helper while it runs: its process and the wait on it, whose
  // callback (on a pool thread) only reads the process and posts.
  platform::UniqueKernelHandle helper_;
  UniqueRegisteredWait helper_wait_;
};

}  // namespace orvane::ui
