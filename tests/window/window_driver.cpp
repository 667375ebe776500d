#include "window_driver.h"

#include <ws2tcpip.h>

#include <chrono>
#include <cstdint>
#include <thread>
#include <vector>

#include "front/option_table.h"
#include "ui/control_ids.h"

namespace orvane::window_test {

std::wstring FromGbk(std::string_view gbk) {
  if (gbk.empty()) return {};
  const int length =
      MultiByteToWideChar(936, 0, gbk.data(), static_cast<int>(gbk.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(936, 0, gbk.data(), static_cast<int>(gbk.size()), wide.data(), length);
  return wide;
}

constexpr UINT kSendTimeoutMs = 5000;

LRESULT SendBounded(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  DWORD_PTR result = 0;
  SendMessageTimeoutW(window, message, wparam, lparam, SMTO_ABORTIFHUNG, kSendTimeoutMs, &result);
  return static_cast<LRESULT>(result);
}

std::wstring TextOf(HWND window) {
  const auto length = static_cast<std::size_t>(SendBounded(window, WM_GETTEXTLENGTH, 0, 0));
  std::wstring text(length + 1, L'\0');
  const auto got = static_cast<std::size_t>(
      SendBounded(window, WM_GETTEXT, length + 1, reinterpret_cast<LPARAM>(text.data())));
  text.resize(got < text.size() ? got : 0);
  return text;
}

bool SetTextOf(HWND window, const std::wstring& text) {
  return SendBounded(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str())) != 0;
}

std::wstring OnDriveZ(const std::string& unix_path) {
  std::wstring path = L"Z:";
  for (char c : unix_path) path += c == '/' ? L'\\' : static_cast<wchar_t>(c);
  return path;
}

std::optional<std::string> ReadWholeFile(const std::wstring& path) {
  HANDLE file =
      CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return std::nullopt;
  std::string bytes;
  std::vector<char> buffer(65536);
  DWORD got = 0;
  while (ReadFile(file, buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr) &&
         got > 0) {
    bytes.append(buffer.data(), got);
  }
  CloseHandle(file);
  return bytes;
}

bool WriteWholeFile(const std::wstring& path, std::string_view bytes) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const bool whole =
      WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) != FALSE &&
      written == bytes.size();
  CloseHandle(file);
  return whole;
}

std::string RunShell(const std::string& script) {
  // Wine starts a Unix program given by its path on drive Z:, but hands back
  // no process handle to wait on: the shell writes its output and then a done
  // mark, which are waited for.
  static int serial = 0;
  const std::string base =
      "/tmp/orvane-shell-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++serial);
  const std::string full =
      "(" + script + ") > " + base + ".out 2>/dev/null; touch " + base + ".done";
  std::wstring command =
      OnDriveZ("/bin/sh") + L" -c \"" + std::wstring(full.begin(), full.end()) + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process)) {
    return {};
  }
  if (process.hThread != nullptr) CloseHandle(process.hThread);
  if (process.hProcess != nullptr) CloseHandle(process.hProcess);
  const std::wstring done = OnDriveZ(base + ".done");
  const std::wstring out = OnDriveZ(base + ".out");
  WaitUntil([&] { return GetFileAttributesW(done.c_str()) != INVALID_FILE_ATTRIBUTES; }, 20000);
  std::string text = ReadWholeFile(out).value_or("");
  DeleteFileW(out.c_str());
  DeleteFileW(done.c_str());
  return text;
}

bool XInput::Run(const std::string& arguments) const {
  if (xdotool_.empty()) return false;
  return RunShell(xdotool_ + " " + arguments + "; echo $?") == "0\n";
}

namespace {

std::string MoveTo(HWND window, POINT client_point) {
  ClientToScreen(window, &client_point);
  return "mousemove " + std::to_string(client_point.x) + " " + std::to_string(client_point.y);
}

}  // namespace

bool XInput::PointAt(HWND window, POINT client_point) const {
  return Run(MoveTo(window, client_point));
}

bool XInput::Click(HWND window, POINT client_point) const {
  return Run(MoveTo(window, client_point) + " click 1");
}

HWND FocusOf(HWND window) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  if (!GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info)) return nullptr;
  return info.hwndFocus;
}

ServerProcess::~ServerProcess() {
  if (info_.hProcess == nullptr) return;
  if (Running()) {
    // Close as an operator would and answer a question with OK. Once the
    // window is hidden on its way out, what is left is the end of the
    // workers, which under Wine takes seconds (each thread's end is a trip
    // to the wineserver) and which the closing tests wait for themselves:
    // here the process is ended then.
    PostMessageW(window_, WM_CLOSE, 0, 0);
    const auto closing = [this] { return !Running() || !IsWindowVisible(window_); };
    if (!WaitUntil(closing, 3000)) {
      if (HWND box = FindMessageBox()) AnswerMessageBox(box, IDOK);
      WaitUntil(closing, 10000);
    }
    DWORD code = 0;
    if (!WaitForExit(0, code)) TerminateProcess(info_.hProcess, 1);
    WaitForExit(10000, code);
  }
  CloseHandle(info_.hThread);
  CloseHandle(info_.hProcess);
}

namespace {

struct WindowSearch {
  DWORD process_id;
  const wchar_t* class_name;
  bool visible_only;
  HWND found;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<WindowSearch*>(param);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner != search->process_id) return TRUE;
  if (search->visible_only && !IsWindowVisible(window)) return TRUE;
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  if (lstrcmpW(name, search->class_name) != 0) return TRUE;
  search->found = window;
  return FALSE;
}

HWND FindTopWindow(DWORD process_id, const wchar_t* class_name, bool visible_only) {
  WindowSearch search{process_id, class_name, visible_only, nullptr};
  EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

}  // namespace

bool ServerProcess::Start(const std::wstring& exe_path, const std::wstring& arguments) {
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  std::wstring command = L"\"" + exe_path + L"\"";
  if (!arguments.empty()) command += L" " + arguments;
  if (!CreateProcessW(exe_path.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      nullptr, &startup, &info_)) {
    info_ = PROCESS_INFORMATION{};
    return false;
  }
  WaitUntil(
      [&] {
        window_ = FindTopWindow(info_.dwProcessId, ui::kMainWindowClass, true);
        return window_ != nullptr;
      },
      30000);
  return window_ != nullptr;
}

void ServerProcess::Click(int id) const { PostMessageW(Control(id), BM_CLICK, 0, 0); }

HWND ServerProcess::FindMessageBox() const {
  return FindTopWindow(info_.dwProcessId, L"#32770", true);
}

HWND ServerProcess::WaitForMessageBox(int timeout_ms) const {
  HWND box = nullptr;
  WaitUntil(
      [&] {
        box = FindMessageBox();
        return box != nullptr;
      },
      timeout_ms);
  return box;
}

bool ServerProcess::WaitForExit(int timeout_ms, DWORD& code) const {
  if (WaitForSingleObject(info_.hProcess, static_cast<DWORD>(timeout_ms)) != WAIT_OBJECT_0) {
    return false;
  }
  return GetExitCodeProcess(info_.hProcess, &code) != FALSE;
}

bool ServerProcess::Running() const {
  return info_.hProcess != nullptr && WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT;
}

LRESULT ServingOptionBits(HWND window) {
  DWORD_PTR bits = 0;
  if (SendMessageTimeoutW(window, ui::kQueryServingOptionsMessage, 0, 0, SMTO_ABORTIFHUNG,
                          kSendTimeoutMs, &bits) == 0) {
    return -1;
  }
  return static_cast<LRESULT>(bits);
}

LRESULT OptionOnBits(std::string_view name) {
  const std::size_t row = OptionRowNamed(name);
  return ui::OptionCheckedBit(row) | ui::OptionServedBit(row);
}

std::wstring MessageBoxText(HWND box) {
  // A message box's text is the static control with ID 0xFFFF.
  return TextOf(GetDlgItem(box, 0xFFFF));
}

void AnswerMessageBox(HWND box, int button) {
  PostMessageW(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
}

int FreePort(SOCKET* hold) {
  // Each run starts somewhere else in the range, and never offers a port
  // twice: one a test has just stopped serving on may still be closing.
  static int next = static_cast<int>((GetCurrentProcessId() * 7919 + GetTickCount()) % 12000);
  for (int attempt = 0; attempt < 500; ++attempt) {
    const int port = 20000 + next;
    next = (next + 13) % 12000;
    SOCKET probe = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (probe == INVALID_SOCKET) return 0;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<u_short>(port));
    address.sin_addr.s_addr = htonl(INADDR_ANY);
    if (bind(probe, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 &&
        listen(probe, 1) == 0) {
      if (hold != nullptr) {
        *hold = probe;
      } else {
        closesocket(probe);
      }
      return port;
    }
    closesocket(probe);
  }
  return 0;
}

std::string HttpGet(int port, const std::string& path, int timeout_ms, const std::string& headers) {
  SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (s == INVALID_SOCKET) return {};
  const DWORD wait = static_cast<DWORD>(timeout_ms);
  setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&wait), sizeof wait);
  setsockopt(s, SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<const char*>(&wait), sizeof wait);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<u_short>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  std::string answer;
  if (connect(s, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
    const std::string request =
        "GET " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n" + headers + "\r\n";
    if (send(s, request.data(), static_cast<int>(request.size()), 0) ==
        static_cast<int>(request.size())) {
      char buffer[4096];
      for (int got; (got = recv(s, buffer, sizeof buffer, 0)) > 0;) answer.append(buffer, got);
    }
  }
  closesocket(s);
  return answer;
}

}  // namespace orvane::window_test
