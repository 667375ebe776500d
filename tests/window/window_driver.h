// Drives a running OrvaneServer.exe from another process through real window
// messages, as an operator's clicks and keys would. Every wait is bounded.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "support/wait.h"

namespace orvane::window_test {

// Polls `done` every 20 ms until it holds or `timeout_ms` passes.
using ::orvane::testing::WaitUntil;

std::wstring FromGbk(std::string_view gbk);

// A Unix path as Wine reaches it, through drive Z:.
std::wstring OnDriveZ(const std::string& unix_path);
// Runs `script` in the build machine's shell (under Wine) and returns what it
// printed on standard output, empty on failure; waits at most 20 s.
std::string RunShell(const std::string& script);

// A file's whole contents, or nullopt when it cannot be opened; and a file
// made (or replaced) with `bytes`.
std::optional<std::string> ReadWholeFile(const std::wstring& path);
bool WriteWholeFile(const std::wstring& path, std::string_view bytes);

// WM_GETTEXT / WM_SETTEXT with a time limit (the other side may be busy).
std::wstring TextOf(HWND window);
bool SetTextOf(HWND window, const std::wstring& text);
// A message the other side must have handled before this returns.
LRESULT SendBounded(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

// Real keyboard and mouse input through the X server (xdotool's XTest
// events), which Wine receives as a keyboard and a mouse; off the X server
// (a real Windows) there is none.
class XInput {
 public:
  // `xdotool` is the Unix path of the tool, empty when there is none.
  explicit XInput(std::string xdotool) : xdotool_(std::move(xdotool)) {}
  bool available() const { return !xdotool_.empty(); }
  // Runs xdotool with `arguments` ("key Tab", "type 8a1") and waits for it.
  bool Run(const std::string& arguments) const;
  // Moves the pointer to a client point of `window` (physical pixels).
  bool PointAt(HWND window, POINT client_point) const;
  // A left click there.
  bool Click(HWND window, POINT client_point) const;

 private:
  std::string xdotool_;
};

// The control of `window`'s thread that has the keyboard focus.
HWND FocusOf(HWND window);

// One OrvaneServer.exe process and its main window.
class ServerProcess {
 public:
  ServerProcess() = default;
  ~ServerProcess();
  ServerProcess(const ServerProcess&) = delete;
  ServerProcess& operator=(const ServerProcess&) = delete;

  // Starts the program with `arguments` on its command line and waits for
  // its main window.
  bool Start(const std::wstring& exe_path, const std::wstring& arguments = L"");
  HWND window() const { return window_; }
  HWND Control(int id) const { return GetDlgItem(window_, id); }
  // Clicks a button the way the mouse does (BM_CLICK), without waiting.
  void Click(int id) const;
  // A visible message box of this process, or nullptr.
  HWND FindMessageBox() const;
  HWND WaitForMessageBox(int timeout_ms) const;
  // True once the process ended within the time; its exit code in `code`.
  bool WaitForExit(int timeout_ms, DWORD& code) const;
  bool Running() const;

 private:
  PROCESS_INFORMATION info_{};
  HWND window_ = nullptr;
};

// The window's answer to kQueryServingOptionsMessage (the options menu's
// check marks and the server's options, a bit each); -1 without an answer.
LRESULT ServingOptionBits(HWND window);
// Its two bits for the options table's row whose switch is `name` ("list"):
// that option on, and checked.
LRESULT OptionOnBits(std::string_view name);

// The message text of a message box (its static text control).
std::wstring MessageBoxText(HWND box);
// Presses a message-box button (IDOK, IDCANCEL) without waiting.
void AnswerMessageBox(HWND box, int button);

// A port that nothing listens on, found by binding it on every address (as
// the program does), so parallel test runs on one machine do not collide.
// It lies from 20000 to 31999: the program reads a port above 32767 as no
// port. The probe stays bound and listening in `*hold` when given (the
// caller closes it), else it is closed. 0 when none was found.
int FreePort(SOCKET* hold = nullptr);

// One HTTP GET to 127.0.0.1:port; the whole answer, empty when the
// connection failed. Gives up after `timeout_ms`.
std::string HttpGet(int port, const std::string& path, int timeout_ms = 5000,
                    const std::string& headers = "");

}  // namespace orvane::window_test
