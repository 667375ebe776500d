// The address box's own menu, the QR window and dropped folders, on the real
// window under Wine, with real keys (xdotool) and a real QR decoder (zbarimg
// on a screenshot of the X screen).
//   address_window_tests PATH\TO\OrvaneServer.exe --xdotool=PATH --zbarimg=PATH
//       [--import=PATH] [--dpi=N]
#include <gtest/gtest.h>

#include <winsock2.h>
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>
#include <objbase.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "front/option_table.h"
#include "ui/address_ids.h"
#include "ui/control_ids.h"
#include "window_driver.h"

namespace orvane::window_test {
namespace {

using namespace orvane::ui;

std::wstring g_exe_path;
XInput g_input{""};
std::string g_zbarimg;  // Unix paths of the decoder and of ImageMagick's import
std::string g_import = "/usr/bin/import";
// The Unix path of the resumable upload client's script (tus_client.js).
std::string g_tus_client;
int g_expected_dpi = 0;
// The user's Downloads folder, asked for once at the start: under Wine, after
// some of the tests before it have run, the known folder reads back empty.
std::wstring g_downloads;

// What zbarimg reads in the screen's pixels under `window`'s client area:
// the decoded texts, one a line ("" when there is no code).
std::string DecodeScreen(HWND window) {
  RECT client{};
  GetClientRect(window, &client);
  POINT origin{0, 0};
  ClientToScreen(window, &origin);
  const std::string png = "/tmp/orvane-qr-" + std::to_string(GetCurrentProcessId()) + ".png";
  const std::string crop = std::to_string(client.right) + "x" + std::to_string(client.bottom) +
                           "+" + std::to_string(origin.x) + "+" + std::to_string(origin.y);
  return RunShell(g_import + " -window root -crop " + crop + " +repage " + png + " && " +
                  g_zbarimg + " -q --raw " + png + "; rm -f " + png);
}

std::wstring ClipboardText() {
  std::wstring text;
  if (!OpenClipboard(nullptr)) return L"(clipboard busy)";
  if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
    if (const auto* chars = static_cast<const wchar_t*>(GlobalLock(data))) {
      text = chars;
      GlobalUnlock(data);
    }
  }
  CloseClipboard();
  return text;
}

void PutOnClipboard(const std::wstring& text) {
  if (!OpenClipboard(nullptr)) return;
  EmptyClipboard();
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t));
  std::memcpy(GlobalLock(memory), text.c_str(), (text.size() + 1) * sizeof(wchar_t));
  GlobalUnlock(memory);
  SetClipboardData(CF_UNICODETEXT, memory);
  CloseClipboard();
}

std::string Ascii(const std::wstring& text) { return std::string(text.begin(), text.end()); }
std::wstring Widen(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }

// A shortcut at `path` to `target`, made as the shell makes one.
bool MakeShortcut(const std::wstring& path, const std::wstring& target) {
  const bool com = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
  IShellLinkW* link = nullptr;
  IPersistFile* file = nullptr;
  bool saved = false;
  if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                 reinterpret_cast<void**>(&link))) &&
      SUCCEEDED(link->SetPath(target.c_str())) &&
      SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
    saved = SUCCEEDED(file->Save(path.c_str(), TRUE));
  }
  if (file != nullptr) file->Release();
  if (link != nullptr) link->Release();
  if (com) CoUninitialize();
  return saved;
}

class AddressTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(server_.Start(g_exe_path, Arguments())) << "no main window";
    address_box_ = server_.Control(kAddressBoxId);
    port_box_ = server_.Control(kPortBoxId);
    ASSERT_NE(nullptr, address_box_);
  }

  // The QR window of the program, or nullptr.
  HWND QrWindow() const {
    HWND found = FindWindowW(kQrWindowClass, nullptr);
    DWORD owner = 0, program = 0;
    GetWindowThreadProcessId(found, &owner);
    GetWindowThreadProcessId(server_.window(), &program);
    return found != nullptr && owner == program && IsWindowVisible(found) ? found : nullptr;
  }

  // The menu opened with the keyboard in the address box, then `key`.
  ::testing::AssertionResult MenuKey(const std::string& key) {
    RECT box{};
    GetClientRect(address_box_, &box);
    if (!g_input.Click(address_box_, POINT{box.right / 2, box.bottom / 2})) {
      return ::testing::AssertionFailure() << "xdotool";
    }
    if (!WaitUntil([&] { return FocusOf(server_.window()) == address_box_; }, 3000)) {
      return ::testing::AssertionFailure() << "the address box did not take the focus";
    }
    if (!g_input.Run("key --delay 100 shift+F10 " + key)) {
      return ::testing::AssertionFailure() << "xdotool";
    }
    return ::testing::AssertionSuccess();
  }

  // The program's command line.
  virtual std::wstring Arguments() const { return L""; }

  // Serves `folder` on a free port: the port, or 0 when the test has been
  // failed or skipped (no usable address) and must return.
  int StartServing(const std::wstring& folder) {
    const int port = FreePort();
    if (port == 0 || !SetTextOf(server_.Control(kSiteFolderBoxId), folder) ||
        !SetTextOf(port_box_, std::to_wstring(port))) {
      ADD_FAILURE() << "could not set the boxes";
      return 0;
    }
    if (TextOf(address_box_).find(L"http:///") == 0) {
      [] { GTEST_SKIP() << "no usable address"; }();  // GTEST_SKIP returns void
      return 0;
    }
    if (!ClickStart()) {
      ADD_FAILURE() << "not started";
      return 0;
    }
    return port;
  }

  // Start clicked; whether the server started (Start greyed out).
  bool ClickStart() {
    server_.Click(kStartButtonId);
    HWND start = server_.Control(kStartButtonId);
    return WaitUntil([&] { return !IsWindowEnabled(start); }, 10000);
  }

  // Stop clicked; the server must stop (Start enabled again).
  void ClickStop() {
    server_.Click(kStopButtonId);
    HWND start = server_.Control(kStartButtonId);
    EXPECT_TRUE(WaitUntil([&] { return IsWindowEnabled(start) != FALSE; }, 10000)) << "not stopped";
  }

  // The QR window opened with Shift+F10 Q.
  ::testing::AssertionResult OpenQrWindow() {
    if (!MenuKey("q")) return ::testing::AssertionFailure() << "xdotool";
    if (!WaitUntil([&] { return QrWindow() != nullptr; }, 5000)) {
      return ::testing::AssertionFailure() << "no QR window";
    }
    return ::testing::AssertionSuccess();
  }

  // `key` pressed with the pointer over the QR window.
  ::testing::AssertionResult KeyOnQrWindow(HWND qr, const std::string& key) {
    if (!g_input.PointAt(qr, POINT{4, 4}) || !g_input.Run("key " + key)) {
      return ::testing::AssertionFailure() << "xdotool";
    }
    return ::testing::AssertionSuccess();
  }

  // What `qr` shows, read until it is `expected` or 8 s pass.
  static std::string DecodedAs(HWND qr, const std::string& expected) {
    std::string decoded;
    WaitUntil(
        [&] {
          decoded = DecodeScreen(qr);
          return decoded == expected;
        },
        8000);
    return decoded;
  }

  // The access code an address carries ("/?code=CODE"), or "".
  static std::string CodeIn(const std::string& address) {
    const std::size_t at = address.find("/?code=");
    return at == std::string::npos ? std::string() : address.substr(at + 7);
  }

  // The address copied with Shift+F10 C; empty when nothing was copied.
  std::string CopiedAddress() {
    PutOnClipboard(L"something else");
    if (!MenuKey("c") || !WaitUntil([&] { return ClipboardText() != L"something else"; }, 5000)) {
      return {};
    }
    return Ascii(ClipboardText());
  }

  ServerProcess server_;
  HWND address_box_ = nullptr;
  HWND port_box_ = nullptr;
};

class AddressKeysTest : public AddressTest {
 protected:
  void SetUp() override {
    if (!g_input.available() || g_zbarimg.empty()) {
      GTEST_SKIP() << "needs xdotool and zbarimg with Wine on an X server";
    }
    AddressTest::SetUp();
  }
};

TEST_F(AddressKeysTest, CopyPutsTheAddressBoxTextOnTheClipboard) {
  ASSERT_TRUE(SetTextOf(port_box_, L"8080"));
  const std::wstring shown = TextOf(address_box_);
  ASSERT_NE(std::wstring::npos, shown.find(L":8080/"));
  PutOnClipboard(L"something else");
  ASSERT_TRUE(MenuKey("c"));
  EXPECT_TRUE(WaitUntil([&] { return ClipboardText() == shown; }, 5000))
      << Ascii(ClipboardText()) << " instead of " << Ascii(shown);

  // Held open by another program all along, the clipboard keeps what it had.
  PutOnClipboard(L"something else");
  ASSERT_TRUE(OpenClipboard(nullptr));
  const bool keys = MenuKey("c");
  Sleep(1000);
  CloseClipboard();
  ASSERT_TRUE(keys);
  EXPECT_EQ(L"something else", ClipboardText());
}

// Enter held down on the menu's QR entry opens the window, and the key's
// repeats do not close it again: only a fresh press does.
TEST_F(AddressKeysTest, AHeldEnterOpensTheQrWindowWithoutClosingIt) {
  ASSERT_TRUE(MenuKey("Down Down"));
  ASSERT_TRUE(g_input.Run("keydown Return sleep 1.5 keyup Return"));
  EXPECT_NE(nullptr, QrWindow()) << "the QR window is not open";
  if (HWND qr = QrWindow()) {
    ASSERT_TRUE(KeyOnQrWindow(qr, "Return"));
    EXPECT_TRUE(WaitUntil([&] { return QrWindow() == nullptr; }, 5000));
  }
}

// The code on the screen reads as exactly the address box's text, with and
// without a port, follows the box while open, and Esc gives the keyboard
// back to the address box.
TEST_F(AddressKeysTest, QrWindowShowsTheAddressAsACodeThatDecodesToIt) {
  if (g_expected_dpi != 0) {
    HDC screen = GetDC(nullptr);
    ASSERT_EQ(g_expected_dpi, GetDeviceCaps(screen, LOGPIXELSY));
    ReleaseDC(nullptr, screen);
  }
  const std::wstring host = TextOf(address_box_);
  if (host == L"http:///") GTEST_SKIP() << "this machine has no usable address to encode";
  ASSERT_TRUE(OpenQrWindow());
  HWND qr = QrWindow();
  wchar_t title[32] = {};
  GetWindowTextW(qr, title, 32);
  EXPECT_EQ(FromGbk("\xB6\xFE\xCE\xAC\xC2\xEB"), title);  // 二维码

  for (const wchar_t* port : {L"80", L"8080", L"10000", L"80"}) {
    SCOPED_TRACE(Ascii(port));
    ASSERT_TRUE(SetTextOf(port_box_, port));
    const std::string expected = Ascii(TextOf(address_box_)) + "\n";
    EXPECT_EQ(expected, DecodedAs(qr, expected));
  }

  // No host: a sentence, and nothing a camera could read.
  ASSERT_TRUE(SetTextOf(address_box_, L"http:///"));
  Sleep(300);
  EXPECT_EQ("", DecodeScreen(qr));

  ASSERT_TRUE(KeyOnQrWindow(qr, "Escape"));
  EXPECT_TRUE(WaitUntil([&] { return QrWindow() == nullptr; }, 5000));
  EXPECT_TRUE(WaitUntil([&] { return FocusOf(server_.window()) == address_box_; }, 5000))
      << "the focus is on control " << GetDlgCtrlID(FocusOf(server_.window()));
}

TEST_F(AddressKeysTest, QrWindowClosesWithEnterItsCloseBoxAndTheTray) {
  const struct {
    const char* name;
    void (*close)(HWND qr, HWND main);
  } closers[] = {
      {"Enter",
       [](HWND qr, HWND) {
         g_input.PointAt(qr, POINT{4, 4});
         g_input.Run("key Return");
       }},
      {"close box", [](HWND qr, HWND) { PostMessageW(qr, WM_SYSCOMMAND, SC_CLOSE, 0); }},
      {"tray button",
       [](HWND, HWND main) { PostMessageW(GetDlgItem(main, kTrayButtonId), BM_CLICK, 0, 0); }},
  };
  for (const auto& closer : closers) {
    SCOPED_TRACE(closer.name);
    if (!IsWindowVisible(server_.window())) {
      SendBounded(server_.window(), kTrayNotifyMessage, 0, MAKELPARAM(NIN_SELECT, kTrayIconId));
    }
    ASSERT_TRUE(g_input.PointAt(server_.window(), POINT{2, 2}));
    ASSERT_TRUE(OpenQrWindow());
    closer.close(QrWindow(), server_.window());
    EXPECT_TRUE(WaitUntil([&] { return QrWindow() == nullptr; }, 5000));
  }
}

// While the server runs, Copy and the QR code give the port it answers on,
// not one typed into the port box since; the address box follows the box.
TEST_F(AddressKeysTest, CopyAndQrCodeGiveThePortBeingServed) {
  wchar_t temp[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temp);
  ASSERT_TRUE(SetTextOf(server_.Control(kSiteFolderBoxId), temp));
  const int served = FreePort();
  ASSERT_NE(0, served);
  ASSERT_TRUE(SetTextOf(port_box_, std::to_wstring(served)));
  const std::wstring served_address = TextOf(address_box_);
  if (served_address.find(L"http:///") == 0) GTEST_SKIP() << "no usable address to encode";
  ASSERT_TRUE(ClickStart()) << "not started";

  // Another port typed over the box's text with real keys.
  const std::string typed = std::to_string(served + 1);
  RECT box{};
  GetClientRect(port_box_, &box);
  ASSERT_TRUE(g_input.Click(port_box_, POINT{box.right / 2, box.bottom / 2}));
  ASSERT_TRUE(g_input.Run("key --delay 50 End shift+Home"));
  ASSERT_TRUE(g_input.Run("type --delay 50 " + typed));
  ASSERT_TRUE(WaitUntil([&] { return Ascii(TextOf(port_box_)) == typed; }, 3000));
  EXPECT_NE(std::wstring::npos, TextOf(address_box_).find(L":" + Widen(typed) + L"/"));

  PutOnClipboard(L"something else");
  ASSERT_TRUE(MenuKey("c"));
  EXPECT_TRUE(WaitUntil([&] { return ClipboardText() == served_address; }, 5000))
      << Ascii(ClipboardText()) << " instead of " << Ascii(served_address);

  ASSERT_TRUE(OpenQrWindow());
  EXPECT_EQ(Ascii(served_address) + "\n", DecodedAs(QrWindow(), Ascii(served_address) + "\n"));
  ASSERT_TRUE(KeyOnQrWindow(QrWindow(), "Escape"));
  EXPECT_TRUE(WaitUntil([&] { return QrWindow() == nullptr; }, 5000));
  ClickStop();
}

// Started with /code: the address the operator copies, opens and shows as
// a QR code carries the access code; a fetch without it is refused, with it
// let in, and kept in by the cookie it leaves.
class CodeKeysTest : public AddressKeysTest {
 protected:
  std::wstring Arguments() const override { return L"/code"; }
};

TEST_F(CodeKeysTest, TheAddressCarriesTheCodeThatLetsAVisitorIn) {
  wchar_t temp[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temp);
  const std::wstring folder =
      std::wstring(temp) + L"orvane-code-" + std::to_wstring(GetTickCount());
  ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
  const std::wstring file = folder + L"\\shared.txt";
  ASSERT_TRUE(WriteWholeFile(file, "shared"));
  const int port = StartServing(folder);
  if (port == 0) return;
  const std::string copied = CopiedAddress();
  const std::string code = CodeIn(copied);
  ASSERT_FALSE(code.empty()) << copied;
  EXPECT_EQ(12u, code.size()) << copied;
  EXPECT_EQ(copied, Ascii(TextOf(address_box_)));

  EXPECT_EQ(0u, HttpGet(port, "/shared.txt").rfind("HTTP/1.1 403 Forbidden\r\n", 0));
  const std::string let_in = HttpGet(port, "/shared.txt?code=" + code);
  EXPECT_EQ(0u, let_in.rfind("HTTP/1.1 302 Found\r\n", 0)) << let_in.substr(0, 40);
  const std::size_t cookie_at = let_in.find("Set-Cookie: ");
  ASSERT_NE(std::string::npos, cookie_at);
  const std::string cookie =
      let_in.substr(cookie_at + 12, let_in.find(';', cookie_at) - cookie_at - 12);
  const std::string served = HttpGet(port, "/shared.txt", 5000, "Cookie: " + cookie + "\r\n");
  EXPECT_EQ(0u, served.rfind("HTTP/1.1 200 OK\r\n", 0)) << served.substr(0, 40);
  EXPECT_EQ("shared", served.substr(served.size() - 6));

  ASSERT_TRUE(OpenQrWindow());
  EXPECT_EQ(copied + "\n", DecodedAs(QrWindow(), copied + "\n"));
  ASSERT_TRUE(KeyOnQrWindow(QrWindow(), "Escape"));
  ClickStop();
  DeleteFileW(file.c_str());
  RemoveDirectoryW(folder.c_str());
}

// Started with /list /code /upload: a file sent from outside Wine (curl's
// form, as a browser sends it) to the upload page with the code from the
// copied address lands in the Downloads folder byte for byte, under its own
// name and with nothing else left there, and the connection log says so.
class UploadKeysTest : public AddressKeysTest {
 protected:
  std::wstring Arguments() const override { return L"/list /code /upload"; }
};

TEST_F(UploadKeysTest, AFileSentWithTheCopiedCodeLandsInDownloads) {
  ASSERT_FALSE(g_downloads.empty()) << "no Downloads folder";
  const std::wstring& downloads = g_downloads;
  const std::string name = "orvane-upload-" + std::to_string(GetCurrentProcessId()) + ".bin";
  const std::wstring stored = downloads + L"\\" + Widen(name);
  DeleteFileW(stored.c_str());  // left by a run that stopped half-way

  wchar_t temp[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temp);
  const int port = StartServing(temp);
  if (port == 0) return;
  const std::string copied = CopiedAddress();
  const std::string code = CodeIn(copied);
  ASSERT_FALSE(code.empty()) << copied;

  // Made and sent by the build machine's own tools.
  std::string outside =
      RunShell("d=$(mktemp -d) && head -c 1500000 /dev/urandom > $d/" + name + " && echo $d");
  ASSERT_FALSE(outside.empty()) << "no file made outside Wine";
  outside.pop_back();  // the line's end
  const std::string sent = outside + "/" + name;
  EXPECT_EQ("200", RunShell("curl -s -o /dev/null -w '%{http_code}' --max-time 15 -F 'f=@" + sent +
                            "' 'http://127.0.0.1:" + std::to_string(port) +
                            "/:upload?code=" + code + "'"));
  const std::string bytes = ReadWholeFile(OnDriveZ(sent)).value_or("");
  EXPECT_EQ(1500000u, bytes.size());
  EXPECT_TRUE(ReadWholeFile(stored) == bytes) << "the stored file is not the one sent";
  WIN32_FIND_DATAW found{};
  HANDLE left = FindFirstFileW((downloads + L"\\.orvane-*").c_str(), &found);
  EXPECT_EQ(INVALID_HANDLE_VALUE, left) << "a temporary file was left in Downloads";
  if (left != INVALID_HANDLE_VALUE) FindClose(left);

  // 收到文件:NAME SIZE 字节，来自 127.0.0.1:PORT
  const std::wstring logged = FromGbk("\xCA\xD5\xB5\xBD\xCE\xC4\xBC\xFE:") + Widen(name) +
                              L" 1500000 " +
                              FromGbk("\xD7\xD6\xBD\xDA\xA3\xAC\xC0\xB4\xD7\xD4 127.0.0.1:");
  HWND log = server_.Control(kConnectionLogBoxId);
  EXPECT_TRUE(WaitUntil([&] { return TextOf(log).find(logged) != std::wstring::npos; }, 5000))
      << "no stored-file line in the connection log";

  ClickStop();
  DeleteFileW(stored.c_str());
  RunShell("rm -rf " + outside);
}

// The same program, a resumable client from outside Wine (tus-js-client in
// Node, tests/headless/tus_client.js) ended half-way, as a phone losing its
// network, and a second one going on from the offset the program tells: the
// file lands in Downloads once, byte for byte, with its modification time.
TEST_F(UploadKeysTest, AnUploadCutHalfWayAndResumedLandsInDownloadsWithItsTime) {
  ASSERT_FALSE(g_downloads.empty()) << "no Downloads folder";
  const char* node_path = std::getenv("NODE_PATH");
  ASSERT_TRUE(node_path != nullptr && !g_tus_client.empty())
      << "no tus client: ./x test window installs it and sets NODE_PATH";
  const std::string name = "orvane-resumed-" + std::to_string(GetCurrentProcessId()) + ".mp4";
  const std::wstring stored = g_downloads + L"\\" + Widen(name);
  DeleteFileW(stored.c_str());
  wchar_t temp[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temp);
  const int port = StartServing(temp);
  if (port == 0) return;
  const std::string code = CodeIn(CopiedAddress());
  ASSERT_FALSE(code.empty());

  std::string outside =
      RunShell("d=$(mktemp -d) && head -c 16000000 /dev/urandom > $d/" + name +
               " && touch -d '2020-01-02 03:04:05.250 UTC' $d/" + name + " && echo $d");
  ASSERT_FALSE(outside.empty()) << "no file made outside Wine";
  outside.pop_back();
  const std::string sent = outside + "/" + name;
  const std::string client = "NODE_PATH=" + std::string(node_path) + " node " + g_tus_client;
  const std::string cookie = " orvane_code_" + std::to_string(port) + "=" + code + " " + sent;
  const std::string first = RunShell(client + " start http://127.0.0.1:" + std::to_string(port) +
                                     "/:upload" + cookie + " 0.5");
  const std::size_t url_at = first.find("http://");
  ASSERT_NE(std::string::npos, url_at) << first;
  const std::string url = first.substr(url_at, first.find('"', url_at) - url_at);
  // {"told":N,"from":N,"patches":1}: the rest, from where the program said.
  const std::string second = RunShell(client + " resume " + url + cookie);
  const std::size_t told_at = second.find("\"told\":");
  ASSERT_NE(std::string::npos, told_at) << second;
  const std::string told = second.substr(told_at + 7, second.find(',', told_at) - told_at - 7);
  EXPECT_NE("0", told);
  EXPECT_NE(std::string::npos, second.find("\"from\":" + told + ",\"patches\":1}")) << second;

  const std::string bytes = ReadWholeFile(OnDriveZ(sent)).value_or("");
  EXPECT_EQ(16000000u, bytes.size());
  EXPECT_TRUE(ReadWholeFile(stored) == bytes) << "the stored file is not the one sent";
  WIN32_FILE_ATTRIBUTE_DATA held{};
  ASSERT_TRUE(GetFileAttributesExW(stored.c_str(), GetFileExInfoStandard, &held));
  // 2020-01-02 03:04:05.250 UTC in 100 ns from 1601.
  const ULONGLONG expected = (1577934245250ULL + 11644473600000ULL) * 10000;
  EXPECT_EQ(expected, (static_cast<ULONGLONG>(held.ftLastWriteTime.dwHighDateTime) << 32) |
                          held.ftLastWriteTime.dwLowDateTime);
  WIN32_FIND_DATAW found{};
  HANDLE left = FindFirstFileW((g_downloads + L"\\.orvane-*").c_str(), &found);
  EXPECT_EQ(INVALID_HANDLE_VALUE, left) << "a temporary file was left in Downloads";
  if (left != INVALID_HANDLE_VALUE) FindClose(left);
  ClickStop();
  DeleteFileW(stored.c_str());
  RunShell("rm -rf " + outside);
}

// With uploads on, the QR code leads to a page with the send area: "/" when
// it is the folder's listing, else the upload page (an index.htm has none);
// the QR window's last line says which.
TEST_F(UploadKeysTest, TheQrCodeLeadsToAPageWithTheSendArea) {
  wchar_t temp[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temp);
  const std::wstring listed =
      std::wstring(temp) + L"orvane_listed_" + std::to_wstring(GetCurrentProcessId());
  const std::wstring home = listed + L"_home";
  for (const std::wstring& made : {listed, home}) {
    ASSERT_TRUE(CreateDirectoryW(made.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
  }
  const std::wstring index = home + L"\\index.htm";
  ASSERT_TRUE(WriteWholeFile(index, ""));
  const int port = FreePort();
  ASSERT_NE(0, port);
  ASSERT_TRUE(SetTextOf(port_box_, std::to_wstring(port)));
  const std::string shown = Ascii(TextOf(address_box_));  // http://HOST:PORT/?code=CODE
  if (shown.find("http:///") == 0) GTEST_SKIP() << "no usable address to encode";
  const std::size_t query = shown.find("/?code=");
  ASSERT_NE(std::string::npos, query) << shown;
  // 手机将看到文件夹的文件列表 / 手机可在网页上发送文件到这台电脑;
  // 手机将看到发送文件到这台电脑的页面
  const std::wstring listing_lines = FromGbk(
      "\xCA\xD6\xBB\xFA\xBD\xAB\xBF\xB4\xB5\xBD\xCE\xC4\xBC\xFE\xBC\xD0\xB5\xC4\xCE\xC4"
      "\xBC\xFE\xC1\xD0\xB1\xED\r\n\xCA\xD6\xBB\xFA\xBF\xC9\xD4\xDA\xCD\xF8\xD2\xB3\xC9"
      "\xCF\xB7\xA2\xCB\xCD\xCE\xC4\xBC\xFE\xB5\xBD\xD5\xE2\xCC\xA8\xB5\xE7\xC4\xD4");
  const std::wstring upload_line = FromGbk(
      "\xCA\xD6\xBB\xFA\xBD\xAB\xBF\xB4\xB5\xBD\xB7\xA2\xCB\xCD\xCE\xC4\xBC\xFE\xB5\xBD"
      "\xD5\xE2\xCC\xA8\xB5\xE7\xC4\xD4\xB5\xC4\xD2\xB3\xC3\xE6");
  const std::string upload_page = shown.substr(0, query) + "/:upload" + shown.substr(query + 1);
  const std::size_t list = OptionRowNamed("list");
  const struct {
    const char* name;
    std::wstring folder;
    bool listing;
    std::string address;
    std::wstring last_lines;
  } cases[] = {
      {"the listing", listed, true, shown, listing_lines},
      {"an index.htm", home, true, upload_page, upload_line},
      {"the listing off", listed, false, upload_page, upload_line},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(SetTextOf(server_.Control(kSiteFolderBoxId), c.folder));
    const LRESULT bits = ServingOptionBits(server_.window());
    ASSERT_NE(-1, bits);
    if (((bits & OptionServedBit(list)) != 0) != c.listing) {
      SendBounded(server_.window(), WM_COMMAND, MAKEWPARAM(OptionMenuItemId(list), 0), 0);
    }
    ASSERT_TRUE(OpenQrWindow());
    EXPECT_EQ(c.address + "\n", DecodedAs(QrWindow(), c.address + "\n"));
    const std::wstring remark = TextOf(GetDlgItem(QrWindow(), kQrRemarkId));
    EXPECT_EQ(c.last_lines,
              remark.substr(remark.size() - std::min(remark.size(), c.last_lines.size())));
    ASSERT_TRUE(KeyOnQrWindow(QrWindow(), "Escape"));
    ASSERT_TRUE(WaitUntil([&] { return QrWindow() == nullptr; }, 5000));
  }
  DeleteFileW(index.c_str());
  RemoveDirectoryW(home.c_str());
  RemoveDirectoryW(listed.c_str());
}

// The QR window's last line says what a phone will find at "/": the
// folder's index.htm, its listing (the option on, no index.htm), or the 404
// text and where the listing is switched on. While stopped it speaks of the
// folder in the box; while serving, of the folder being served. It is asked
// again when the options change, the server starts or stops, and when the
// operator comes back to the QR window, not at each key typed in the box.
TEST_F(AddressKeysTest, QrWindowSaysWhatThePhoneWillSeeAtTheRoot) {
  wchar_t temp[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temp);
  const std::wstring base =
      std::wstring(temp) + L"orvane_phone_" + std::to_wstring(GetCurrentProcessId());
  const std::wstring with_index = base + L"_index";
  const std::wstring bare = base + L"_bare";
  for (const std::wstring& made : {with_index, bare}) {
    ASSERT_TRUE(CreateDirectoryW(made.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
  }
  const std::wstring index = with_index + L"\\index.htm";
  ASSERT_TRUE(WriteWholeFile(index, ""));

  // 服务器未启动 (not started); 手机将看到 index.htm; 手机将看到文件夹的文件列表;
  // 手机将看到“文件不存在”；选项→列出文件夹内容 可显示文件
  const std::wstring stopped =
      FromGbk("\xB7\xFE\xCE\xF1\xC6\xF7\xCE\xB4\xC6\xF4\xB6\xAF") + L"\r\n";
  const std::wstring index_line = FromGbk("\xCA\xD6\xBB\xFA\xBD\xAB\xBF\xB4\xB5\xBD index.htm");
  const std::wstring listing_line = FromGbk(
      "\xCA\xD6\xBB\xFA\xBD\xAB\xBF\xB4\xB5\xBD\xCE\xC4\xBC\xFE\xBC\xD0\xB5\xC4\xCE\xC4\xBC\xFE"
      "\xC1\xD0\xB1\xED");
  const std::wstring not_found_line = FromGbk(
      "\xCA\xD6\xBB\xFA\xBD\xAB\xBF\xB4\xB5\xBD\xA1\xB0\xCE\xC4\xBC\xFE\xB2\xBB\xB4\xE6\xD4\xDA"
      "\xA1\xB1\xA3\xBB\xD1\xA1\xCF\xEE\xA1\xFA\xC1\xD0\xB3\xF6\xCE\xC4\xBC\xFE\xBC\xD0\xC4\xDA"
      "\xC8\xDD \xBF\xC9\xCF\xD4\xCA\xBE\xCE\xC4\xBC\xFE");

  const int port = FreePort();
  ASSERT_NE(0, port);
  ASSERT_TRUE(SetTextOf(port_box_, std::to_wstring(port)));
  ASSERT_TRUE(OpenQrWindow());
  HWND remark = GetDlgItem(QrWindow(), kQrRemarkId);
  ASSERT_NE(nullptr, remark);
  HWND site_box = server_.Control(kSiteFolderBoxId);
  const std::size_t list = OptionRowNamed("list");
  const struct {
    const char* name;
    std::wstring folder;  // put into the box
    bool listing;
    bool serve;     // start serving the box's folder first
    bool activate;  // then a click on the main window, and one back on the QR window
    std::wstring remark;
  } cases[] = {
      {"index.htm, listing off", with_index, false, false, true, stopped + index_line},
      {"index.htm, listing on", with_index, true, false, false, stopped + index_line},
      {"no index.htm, listing on", bare, true, false, true, stopped + listing_line},
      {"no index.htm, listing off", bare, false, false, false, stopped + not_found_line},
      {"serving the bare folder", bare, false, true, false, not_found_line},
      {"serving it, box changed", with_index, false, false, true, not_found_line},
      {"serving it, listing on", with_index, true, false, false, listing_line},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(SetTextOf(site_box, c.folder));
    const LRESULT bits = ServingOptionBits(server_.window());
    ASSERT_NE(-1, bits);
    if (((bits & OptionServedBit(list)) != 0) != c.listing) {
      SendBounded(server_.window(), WM_COMMAND, MAKEWPARAM(OptionMenuItemId(list), 0), 0);
    }
    if (c.serve) {
      ASSERT_TRUE(ClickStart()) << "not started";
    }
    if (c.activate) {
      ASSERT_TRUE(g_input.Click(site_box, POINT{4, 4}));
      ASSERT_TRUE(WaitUntil([&] { return GetForegroundWindow() == server_.window(); }, 3000));
      ASSERT_TRUE(g_input.Click(QrWindow(), POINT{4, 4}));
    }
    EXPECT_TRUE(WaitUntil([&] { return TextOf(remark) == c.remark; }, 5000))
        << TextOf(remark).size() << " characters";
  }
  server_.Click(kStopButtonId);
  DeleteFileW(index.c_str());
  RemoveDirectoryW(with_index.c_str());
  RemoveDirectoryW(bare.c_str());
}

// A change of the machine's addresses (as the system reports it) makes the
// window read the adapters again, even if the box holds something else.
TEST_F(AddressTest, AnAddressChangeRereadsTheAdapters) {
  ASSERT_TRUE(SetTextOf(port_box_, L"8080"));
  const std::wstring shown = TextOf(address_box_);
  ASSERT_TRUE(SetTextOf(address_box_, L"http://192.0.2.1:8080/"));
  PostMessageW(server_.window(), kAddressesChangedMessage, 0, 0);
  EXPECT_TRUE(WaitUntil([&] { return TextOf(address_box_) == shown; }, 5000))
      << Ascii(TextOf(address_box_));

  // A re-read that finds the same address leaves the text, and so the
  // operator's selection in it, alone.
  SendBounded(address_box_, EM_SETSEL, 2, 5);
  PostMessageW(server_.window(), kAddressesChangedMessage, 0, 0);
  Sleep(1000);  // the re-read waits a moment for more notifications
  const LRESULT selection = SendBounded(address_box_, EM_GETSEL, 0, 0);
  EXPECT_EQ(2, LOWORD(selection));
  EXPECT_EQ(5, HIWORD(selection));
}

// A burst of network notifications (a VPN connecting sends dozens) is read
// once, a moment after the last: counted by how often the box, set to
// other text after each re-read, is written again.
TEST_F(AddressTest, ABurstOfAddressChangesIsReadOnce) {
  const std::wstring shown = TextOf(address_box_);
  const std::wstring other = L"http://192.0.2.1/";
  ASSERT_TRUE(SetTextOf(address_box_, other));
  for (int i = 0; i < 200; ++i) PostMessageW(server_.window(), kAddressesChangedMessage, 0, 0);
  int rereads = 0;
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < 3000) {
    if (TextOf(address_box_) != other) {
      ++rereads;
      ASSERT_TRUE(SetTextOf(address_box_, other));
    }
  }
  EXPECT_GE(rereads, 1) << "the adapters were not read again";
  EXPECT_LE(rereads, 2);
}

// A drop handle as Explorer's drop hands one over: DROPFILES and the wide
// paths, each NUL-ended, with one more NUL at the end, in the memory of the
// process that takes the drop (Wine does not copy a posted one across, as
// Windows does), where DragQueryFile reads it and DragFinish lets it go.
HDROP MakeDrop(HWND target, const std::vector<std::wstring>& paths) {
  std::wstring names;
  for (const std::wstring& path : paths) names += path + L'\0';
  names += L'\0';
  std::vector<char> bytes(sizeof(DROPFILES) + names.size() * sizeof(wchar_t));
  auto* drop = reinterpret_cast<DROPFILES*>(bytes.data());
  drop->pFiles = sizeof(DROPFILES);
  drop->fWide = TRUE;
  std::memcpy(bytes.data() + sizeof(DROPFILES), names.data(), names.size() * sizeof(wchar_t));

  DWORD process_id = 0;
  GetWindowThreadProcessId(target, &process_id);
  HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_WRITE, FALSE, process_id);
  if (process == nullptr) return nullptr;
  void* remote =
      VirtualAllocEx(process, nullptr, bytes.size(), MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
  SIZE_T written = 0;
  if (remote != nullptr &&
      !WriteProcessMemory(process, remote, bytes.data(), bytes.size(), &written)) {
    remote = nullptr;
  }
  CloseHandle(process);
  return static_cast<HDROP>(remote);
}

TEST_F(AddressTest, ADroppedFolderBecomesTheSiteFolder) {
  wchar_t temp[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temp);
  std::wstring root = temp;
  if (root.back() == L'\\') root.pop_back();
  // A Unicode name: 网站 (web site) and a Latin letter with a diacritic.
  const std::wstring folder =
      root + L"\\orvane_drop_\x7F51\x7AD9_\x00E9_" + std::to_wstring(GetCurrentProcessId());
  const std::wstring other = folder + L"_other";
  const std::wstring file = folder + L"\\index.html";
  // Left over from a run that stopped half-way, they may exist already.
  for (const std::wstring& made : {folder, other}) {
    ASSERT_TRUE(CreateDirectoryW(made.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
  }
  ASSERT_TRUE(WriteWholeFile(file, ""));
  const std::wstring shortcut =
      root + L"\\orvane_drop_" + std::to_wstring(GetCurrentProcessId()) + L".lnk";
  ASSERT_TRUE(MakeShortcut(shortcut, other));
  // A folder whose path is longer than MAX_PATH, made through the "\\?\" form.
  std::wstring long_folder = folder;
  std::vector<std::wstring> long_levels;
  while (long_folder.size() <= MAX_PATH + 10) {
    long_folder += L"\\" + std::wstring(60, L'x');
    long_levels.push_back(long_folder);
    ASSERT_TRUE(CreateDirectoryW((LR"(\\?\)" + long_folder).c_str(), nullptr) ||
                GetLastError() == ERROR_ALREADY_EXISTS);
  }

  const struct {
    const char* name;
    std::vector<std::wstring> dropped;
    std::wstring expected;
  } cases[] = {
      {"a folder", {folder}, folder},
      {"a file: its folder", {file}, folder},
      {"several: the first", {other, folder}, other},
      {"a drive's root keeps its backslash", {L"C:\\"}, L"C:\\"},
      {"a shortcut: its target", {shortcut}, other},
      {"a path longer than MAX_PATH", {long_folder}, long_folder},
      {"an unreadable item: the box unchanged", {folder + L"\\missing\\a.txt"}, L"before"},
  };
  HWND site_box = server_.Control(kSiteFolderBoxId);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(SetTextOf(site_box, L"before"));
    const HDROP drop = MakeDrop(server_.window(), c.dropped);
    ASSERT_NE(nullptr, drop);
    // Sent, so the drop has been taken when it returns.
    SendBounded(server_.window(), WM_DROPFILES, reinterpret_cast<WPARAM>(drop), 0);
    EXPECT_EQ(c.expected, TextOf(site_box)) << TextOf(site_box).size() << " characters in the box";
  }
  for (auto level = long_levels.rbegin(); level != long_levels.rend(); ++level) {
    RemoveDirectoryW((LR"(\\?\)" + *level).c_str());
  }
  DeleteFileW(shortcut.c_str());
  DeleteFileW(file.c_str());
  RemoveDirectoryW(other.c_str());
  RemoveDirectoryW(folder.c_str());
}

}  // namespace
}  // namespace orvane::window_test

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (argc < 2) {
    fprintf(stderr,
            "usage: address_window_tests PATH\\TO\\OrvaneServer.exe [--xdotool=UNIX_PATH] "
            "[--zbarimg=UNIX_PATH] [--import=UNIX_PATH] [--dpi=N] [--tus-client=UNIX_PATH]\n");
    return 2;
  }
  SetProcessDPIAware();  // rectangles in real pixels, as the program has them
  WSADATA wsa{};         // for FreePort
  if (WSAStartup(MAKEWORD(2, 2), &wsa) != 0) return 1;
  using namespace orvane::window_test;
  for (int i = 2; i < argc; ++i) {
    const std::string option = argv[i];
    if (option.rfind("--xdotool=", 0) == 0) g_input = XInput(option.substr(10));
    if (option.rfind("--zbarimg=", 0) == 0) g_zbarimg = option.substr(10);
    if (option.rfind("--import=", 0) == 0) g_import = option.substr(9);
    if (option.rfind("--dpi=", 0) == 0) g_expected_dpi = std::atoi(option.c_str() + 6);
    if (option.rfind("--tus-client=", 0) == 0) g_tus_client = option.substr(13);
  }
  PWSTR downloads = nullptr;
  if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_Downloads, 0, nullptr, &downloads))) {
    g_downloads = downloads;
  }
  CoTaskMemFree(downloads);
  std::string path = argv[1];
  if (!path.empty() && path[0] == '/') path = "Z:" + path;
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  g_exe_path.assign(path.begin(), path.end());
  return RUN_ALL_TESTS();
}
