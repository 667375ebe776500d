// The real window under Wine: OrvaneServer.exe is started and worked through
// window messages, the way an operator's keys and clicks reach it.
//   window_tests PATH\TO\OrvaneServer.exe
#include <gtest/gtest.h>

#include <winsock2.h>
#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "ui/control_ids.h"
#include "support/gbk_texts.h"
#include "window_driver.h"
#include "window_fixture.h"

namespace orvane::window_test {

std::wstring g_exe_path;
XInput g_input{""};

namespace {

using namespace orvane::ui;

int g_expected_dpi = 0;  // the screen DPI this run is meant for (0: any)

// GBK texts the window must show.
const std::string kInfoCaption = "\xD0\xC5\xCF\xA2\xA3\xBA";  // 信息：

int Dpi() {
  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  return dpi;
}

TEST_F(WindowTest, ControlsHaveTheirCaptionsPlacesAndInitialTexts) {
  const struct {
    int id;
    std::string caption;  // GBK
    int x, y, width, height;
  } controls[] = {
      {kPortLabelId, "\xCD\xF8\xD6\xB7\xB6\xCB\xBF\xDA:", 24, 16, 56, 22},
      {kPortBoxId, "80", 88, 16, 50, 22},
      {kStartButtonId, "\xC6\xF4\xB6\xAF", 160, 16, 55, 22},
      {kStopButtonId, "\xCD\xA3\xD6\xB9", 224, 16, 55, 22},
      {kTrayButtonId, "\xCD\xD0\xC5\xCC", 296, 16, 56, 22},
      {kSiteFolderLabelId, "\xCD\xF8\xD6\xB7\xC2\xB7\xBE\xB6:", 24, 48, 56, 22},
      {kBrowseButtonId, "\xE4\xAF\xC0\xC0", 296, 48, 56, 22},
      {kAddressLabelId, "\xBB\xF1\xB5\xC3\xCD\xF8\xD6\xB7:", 24, 80, 56, 22},
      {kOpenSiteButtonId, "\xB4\xF2\xBF\xAA\xCD\xF8\xD2\xB3", 296, 80, 56, 22},
      {kLogLabelId, "\xD0\xC5\xCF\xA2\xB1\xED:", 24, 136, 48, 24},
      {kConnectionLogBoxId, "", 88, 112, 256, 72},
      {kRequestLogBoxId, "", 88, 112, 256, 32},
      {kSettingsGroupId, "", 8, 0, 352, 200},
      {kSiteFolderBoxId, "(program folder)", 88, 48, 184, 22},
      {kAddressBoxId, "(address)", 88, 80, 184, 22},
  };
  const int dpi = Dpi();
  for (const auto& c : controls) {
    SCOPED_TRACE(c.id);
    HWND control = server_.Control(c.id);
    ASSERT_NE(nullptr, control);
    if (c.caption.empty() || c.caption[0] != '(') {
      EXPECT_EQ(FromGbk(c.caption), TextOf(control));
    }
    RECT r{};
    GetWindowRect(control, &r);
    MapWindowPoints(HWND_DESKTOP, server_.window(), reinterpret_cast<POINT*>(&r), 2);
    EXPECT_EQ(MulDiv(c.x, dpi, 96), r.left);
    EXPECT_EQ(MulDiv(c.y, dpi, 96), r.top);
    EXPECT_EQ(MulDiv(c.width, dpi, 96), r.right - r.left);
    EXPECT_EQ(MulDiv(c.height, dpi, 96), r.bottom - r.top);
    EXPECT_EQ(c.id != kRequestLogBoxId, IsWindowVisible(control) != FALSE);
    // Each tab stop is a group of its own, as in a dialog template: the
    // arrow keys (which move within a group) leave the focus where it is.
    if (GetWindowLongPtrW(control, GWL_STYLE) & WS_TABSTOP && IsWindowVisible(control)) {
      EXPECT_EQ(control, GetNextDlgGroupItem(server_.window(), control, FALSE));
      EXPECT_EQ(control, GetNextDlgGroupItem(server_.window(), control, TRUE));
    }
  }

  // The site folder starts as the program's own folder.
  const std::wstring folder = g_exe_path.substr(0, g_exe_path.find_last_of(L'\\'));
  EXPECT_EQ(0, lstrcmpiW(folder.c_str(), TextOf(server_.Control(kSiteFolderBoxId)).c_str()));
  const std::wstring host = Host();
  EXPECT_NE(L"?", host) << TextOf(address_box_);
  EXPECT_NE(L"0.0.0.0", host);
  EXPECT_EQ(std::wstring::npos, host.find(L':'));

  // Fixed frame, minimize box, no maximize box, centred, not topmost.
  const LONG_PTR style = GetWindowLongPtrW(server_.window(), GWL_STYLE);
  EXPECT_TRUE(style & WS_MINIMIZEBOX);
  EXPECT_FALSE(style & WS_MAXIMIZEBOX);
  EXPECT_FALSE(style & WS_THICKFRAME);
  EXPECT_FALSE(GetWindowLongPtrW(server_.window(), GWL_EXSTYLE) & WS_EX_TOPMOST);
  RECT frame{}, work{};
  GetWindowRect(server_.window(), &frame);
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  EXPECT_NEAR((work.left + work.right) / 2, (frame.left + frame.right) / 2, 1);
  EXPECT_NEAR((work.top + work.bottom) / 2, (frame.top + frame.bottom) / 2, 1);
  EXPECT_EQ(0, TextOf(server_.window()).rfind(L"OrvaneServer ", 0));
}

// `control`'s rectangle in the client coordinates of `window`.
RECT RectIn(HWND window, HWND control) {
  RECT r{};
  GetWindowRect(control, &r);
  MapWindowPoints(HWND_DESKTOP, window, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

TEST_F(WindowTest, LayoutScalesWithTheDpiAndEveryCaptionFits) {
  const int dpi = Dpi();
  if (g_expected_dpi != 0) {
    ASSERT_EQ(g_expected_dpi, dpi) << "the screen is not at this run's DPI";
  }
  RECT client{};
  GetClientRect(server_.window(), &client);
  EXPECT_EQ(MulDiv(368, dpi, 96), client.right);
  EXPECT_EQ(MulDiv(207, dpi, 96), client.bottom);

  // Every visible control lies inside the client area and on no other one
  // (the settings group, which frames them, aside).
  std::vector<std::pair<int, RECT>> placed;
  for (int id = kPortLabelId; id <= kConnectionLogBoxId; ++id) {
    HWND control = server_.Control(id);
    if (!IsWindowVisible(control)) continue;
    SCOPED_TRACE(id);
    const RECT r = RectIn(server_.window(), control);
    EXPECT_TRUE(r.left >= 0 && r.top >= 0 && r.right <= client.right && r.bottom <= client.bottom);
    for (const auto& [other, o] : placed) {
      RECT both{};
      EXPECT_FALSE(IntersectRect(&both, &r, &o)) << "overlaps " << other;
    }
    placed.emplace_back(id, r);
  }

  // Each caption, in the system's message font that the window uses at
  // the screen's DPI, fits its control; a button keeps a margin for its
  // edge and focus frame.
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  ASSERT_TRUE(SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0));
  HFONT font = CreateFontIndirectW(&metrics.lfMessageFont);
  HDC dc = GetDC(nullptr);
  HGDIOBJ before = SelectObject(dc, font);
  // clang-format off
  const struct {
    int id;
    int margin;  // at 96 DPI, both sides together
  } captions[] = {
      {kPortLabelId, 0},   {kSiteFolderLabelId, 0}, {kAddressLabelId, 0},
      {kLogLabelId, 0},    {kStartButtonId, 8},     {kStopButtonId, 8},
      {kTrayButtonId, 8},  {kBrowseButtonId, 8},    {kOpenSiteButtonId, 8},
  };
  // clang-format on
  for (const auto& c : captions) {
    const std::wstring text = TextOf(server_.Control(c.id));
    SCOPED_TRACE(c.id);
    SIZE size{};
    ASSERT_TRUE(GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size));
    const RECT r = RectIn(server_.window(), server_.Control(c.id));
    EXPECT_LE(size.cx + MulDiv(c.margin, dpi, 96), r.right - r.left) << size.cx;
    EXPECT_LE(size.cy, r.bottom - r.top) << size.cy;
  }
  SelectObject(dc, before);
  ReleaseDC(nullptr, dc);
  DeleteObject(font);
}

TEST_F(WindowTest, MenuBarHasTwoMenusOfOneEntryEach) {
  // Menus cannot be read across processes under Wine, so the bar the window
  // loads is read from the program file's resources.
  ASSERT_NE(nullptr, GetMenu(server_.window()));
  HMODULE program = LoadLibraryExW(g_exe_path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(nullptr, program);
  HMENU bar = LoadMenuW(program, MAKEINTRESOURCEW(IDR_MAIN_MENU));
  ASSERT_NE(nullptr, bar);
  ASSERT_EQ(2, GetMenuItemCount(bar));
  // clang-format off
  const struct {
    int position;
    std::string menu;
    std::string entry;
    UINT command;
  } menus[] = {
      {0, "\xCA\xB9\xD3\xC3\xCB\xB5\xC3\xF7", "\xB4\xF2\xBF\xAA", kInstructionsMenuItemId},
      {1, "\xD7\xF7\xD5\xDF" "E-mial", "\xB9\xD8\xD3\xDA", kAboutMenuItemId},
  };
  // clang-format on
  for (const auto& m : menus) {
    SCOPED_TRACE(m.position);
    wchar_t text[64] = {};
    GetMenuStringW(bar, static_cast<UINT>(m.position), text, 64, MF_BYPOSITION);
    EXPECT_EQ(FromGbk(m.menu), text);
    HMENU drop_down = GetSubMenu(bar, m.position);
    ASSERT_NE(nullptr, drop_down);
    EXPECT_EQ(1, GetMenuItemCount(drop_down));
    GetMenuStringW(drop_down, 0, text, 64, MF_BYPOSITION);
    EXPECT_EQ(FromGbk(m.entry), text);
    EXPECT_EQ(m.command, GetMenuItemID(drop_down, 0));
  }
  DestroyMenu(bar);
  FreeLibrary(program);
}

TEST_F(WindowTest, MenuEntriesShowTheirInformationBoxes) {
  const struct {
    int command;
    std::string starts_with;
  } entries[] = {
      {kInstructionsMenuItemId, "\xC7\xEB\xBF\xB4\xCB\xB5\xC3\xF7"},  // 请看说明
      {kAboutMenuItemId, "OrvaneServer "},
  };
  for (const auto& e : entries) {
    SCOPED_TRACE(e.command);
    PostMessageW(server_.window(), WM_COMMAND, MAKEWPARAM(e.command, 0), 0);
    HWND box = server_.WaitForMessageBox(5000);
    ASSERT_NE(nullptr, box);
    EXPECT_EQ(FromGbk(kInfoCaption), TextOf(box));
    EXPECT_EQ(0, MessageBoxText(box).rfind(FromGbk(e.starts_with), 0))
        << MessageBoxText(box).size();
    EXPECT_EQ(nullptr, GetWindow(box, GW_OWNER));
    AnswerMessageBox(box, IDOK);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(box); }, 5000));
  }
}

TEST_F(WindowTest, PortBoxDropsTypedCharactersButNotPastedText) {
  // clang-format off
  const struct {
    const wchar_t* keys;
    const wchar_t* expected;
  } cases[] = {
      {L"8a0", L"80"},
      {L"-5", L"-5"},
      {L"1 2.x3", L"123"},
      {L"\xFF18" L"0", L"0"},        // a full-width 8 is not a digit key
      {L"\x7AEF\x53E3" L"8", L"8"},  // 端口: what an input method commits
  };
  // clang-format on
  // Keys arrive as WM_CHAR; text from an input method as WM_IME_CHAR, which
  // the box turns into posted WM_CHAR messages: every row ends with a kept
  // character, so once it shows, all of the row has arrived.
  for (UINT route : {WM_CHAR, WM_IME_CHAR}) {
    for (const auto& c : cases) {
      SCOPED_TRACE(std::wstring(c.keys) + (route == WM_CHAR ? L" WM_CHAR" : L" WM_IME_CHAR"));
      ASSERT_TRUE(SetTextOf(port_box_, L""));
      for (const wchar_t* key = c.keys; *key != L'\0'; ++key) {
        SendBounded(port_box_, route, *key, 1);
      }
      WaitUntil([&] { return TextOf(port_box_).size() >= wcslen(c.expected); }, 2000);
      EXPECT_EQ(c.expected, TextOf(port_box_));
    }
  }

  // Pasting goes through unfiltered.
  ASSERT_TRUE(SetTextOf(port_box_, L""));
  ASSERT_TRUE(OpenClipboard(nullptr));
  EmptyClipboard();
  const wchar_t pasted[] = L"8a0";
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, sizeof pasted);
  memcpy(GlobalLock(memory), pasted, sizeof pasted);
  GlobalUnlock(memory);
  SetClipboardData(CF_UNICODETEXT, memory);
  CloseClipboard();
  SendBounded(port_box_, WM_PASTE, 0, 0);
  EXPECT_EQ(L"8a0", TextOf(port_box_));
}

// Clicks the upper or lower half of the arrows control.
void ClickArrow(HWND arrows, bool up) {
  RECT r{};
  GetClientRect(arrows, &r);
  const LPARAM at = MAKELPARAM(r.right / 2, up ? r.bottom / 4 : r.bottom * 3 / 4);
  SendBounded(arrows, WM_LBUTTONDOWN, MK_LBUTTON, at);
  SendBounded(arrows, WM_LBUTTONUP, 0, at);
}

TEST_F(WindowTest, ArrowsStepThePortAndWrapAtTheRangeEnds) {
  HWND arrows = server_.Control(kPortArrowsId);
  ASSERT_NE(nullptr, arrows);
  const std::wstring host = Host();
  // clang-format off
  const struct {
    const wchar_t* text;
    bool up;
    const wchar_t* expected;
    const wchar_t* address_port;  // what follows the host in the address
  } cases[] = {
      {L"10000", true, L"0", L"/"},     {L"0", false, L"10000", L":10000/"},
      {L"abc", true, L"1", L":1/"},     {L"abc", false, L"10000", L":10000/"},
      {L"79", true, L"80", L"/"},       {L"8079", true, L"8080", L":8080/"},
      {L"-5", true, L"0", L"/"},        {L"20000", false, L"10000", L":10000/"},
  };
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(std::wstring(c.text) + (c.up ? L" up" : L" down"));
    ASSERT_TRUE(SetTextOf(port_box_, c.text));
    ClickArrow(arrows, c.up);
    EXPECT_EQ(c.expected, TextOf(port_box_));
    EXPECT_EQ(L"http://" + host + c.address_port, TextOf(address_box_));
    // The new text is selected as a whole.
    DWORD from = 1, to = 0;
    SendBounded(port_box_, EM_GETSEL, reinterpret_cast<WPARAM>(&from),
                reinterpret_cast<LPARAM>(&to));
    EXPECT_EQ(0u, from);
    EXPECT_EQ(lstrlenW(c.expected), static_cast<int>(to));
  }
}

TEST_F(WindowTest, AddressFollowsEveryChangeOfThePortText) {
  const std::wstring host = Host();
  // clang-format off
  const struct {
    const wchar_t* port_text;
    const wchar_t* address_port;
  } cases[] = {
      {L"8080", L":8080/"}, {L" 8080 ", L":8080/"}, {L"0", L"/"},      {L"", L"/"},
      {L"-1", L"/"},        {L"-", L"/"},           {L"40000", L"/"},  {L"70000", L":4464/"},
      {L"65616", L"/"},     {L"80", L"/"},          {L"81.9", L":81/"},
  };
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(c.port_text);
    ASSERT_TRUE(SetTextOf(port_box_, c.port_text));
    EXPECT_EQ(L"http://" + host + c.address_port, TextOf(address_box_));
  }
}

TEST_F(WindowTest, ServesTheSiteFolderAndLogsEachClient) {
  const int port = FreePort();
  ASSERT_NE(0, port);
  ASSERT_NO_FATAL_FAILURE(StartServing(port));
  // StartServer writes the settled port back, which rebuilds the address.
  EXPECT_EQ(std::to_wstring(port), TextOf(port_box_));
  EXPECT_NE(std::wstring::npos, TextOf(address_box_).find(L":" + std::to_wstring(port) + L"/"));

  // Wine has no firewall to read: the Start's one line says that it cannot
  // tell, and claims no block (阻止).
  HWND log = server_.Control(kConnectionLogBoxId);
  const std::wstring unknown = FromGbk(
      "\xCE\xDE\xB7\xA8\xB6\xC1\xC8\xA1 Windows \xB7\xC0\xBB\xF0"
      "\xC7\xBD");  // 无法读取 Windows 防火墙
  ASSERT_TRUE(WaitUntil([&] { return TextOf(log).rfind(unknown, 0) == 0; }, 5000))
      << TextOf(log).size();
  const std::wstring firewall_line = TextOf(log);
  EXPECT_EQ(1, std::count(firewall_line.begin(), firewall_line.end(), L'\n'));
  EXPECT_EQ(std::wstring::npos, firewall_line.find(FromGbk("\xD7\xE8\xD6\xB9")));

  const std::string answer = HttpGet(port, "/hello.txt");
  EXPECT_EQ(0u, answer.rfind("HTTP/1.1 200", 0)) << answer;
  EXPECT_NE(std::string::npos, answer.find("\r\n\r\nhello from the site")) << answer;

  const std::wstring client_from = FromGbk(testing::kClientFrom) + L"127.0.0.1:";
  ASSERT_TRUE(WaitUntil(
      [&] {
        return TextOf(log).compare(firewall_line.size(), client_from.size(), client_from) == 0;
      },
      5000))
      << TextOf(log).size();
  HWND request_log = server_.Control(kRequestLogBoxId);
  EXPECT_TRUE(WaitUntil([&] { return TextOf(request_log).find(L"GET /hello.txt") == 0; }, 5000));
  EXPECT_FALSE(IsWindowVisible(request_log));

  // With the caret put inside the log, the next line still lands at the end.
  const std::wstring first = TextOf(log);
  SendBounded(log, EM_SETSEL, 3, 3);
  EXPECT_FALSE(HttpGet(port, "/hello.txt").empty());
  ASSERT_TRUE(WaitUntil([&] { return TextOf(log).size() > first.size(); }, 5000));
  const std::wstring both = TextOf(log);
  EXPECT_EQ(first, both.substr(0, first.size()));
  EXPECT_EQ(client_from, both.substr(first.size(), client_from.size()));
  EXPECT_EQ(L"\r\n", both.substr(both.size() - 2));

  server_.Click(kStopButtonId);
  EXPECT_TRUE(WaitUntil([&] { return IsWindowEnabled(start_button_) != FALSE; }, 5000));
  EXPECT_TRUE(HttpGet(port, "/hello.txt", 2000).empty());
}

TEST_F(WindowTest, PortInUseShowsTheBindMessageAndLeavesStartEnabled) {
  SOCKET blocker = INVALID_SOCKET;
  const int port = FreePort(&blocker);
  ASSERT_NE(0, port);

  ASSERT_TRUE(SetTextOf(port_box_, std::to_wstring(port)));
  server_.Click(kStartButtonId);
  HWND box = server_.WaitForMessageBox(5000);
  ASSERT_NE(nullptr, box);
  EXPECT_EQ(FromGbk(kInfoCaption), TextOf(box));
  EXPECT_EQ(FromGbk(testing::CannotBindText(port)), MessageBoxText(box));
  EXPECT_EQ(nullptr, GetWindow(box, GW_OWNER));
  AnswerMessageBox(box, IDOK);
  ASSERT_TRUE(WaitUntil([&] { return !IsWindow(box); }, 5000));
  EXPECT_TRUE(IsWindowEnabled(start_button_));

  // Once the port is free, the next start succeeds.
  closesocket(blocker);
  server_.Click(kStartButtonId);
  EXPECT_TRUE(WaitUntil([&] { return !IsWindowEnabled(start_button_); }, 5000));
  EXPECT_EQ(nullptr, server_.FindMessageBox());
}

TEST_F(WindowTest, TrayHidesTheWindowAndEveryClickKindBringsItBack) {
  // clang-format off
  const struct {
    UINT kind;
    bool restores;
  } kinds[] = {
      {WM_MOUSEMOVE, false},    {WM_LBUTTONDOWN, false}, {WM_LBUTTONUP, true},
      {WM_LBUTTONDBLCLK, true}, {WM_RBUTTONUP, true},    {WM_CONTEXTMENU, true},
      {NIN_SELECT, true},       {NIN_KEYSELECT, true},   {NIN_BALLOONUSERCLICK, true},
      {NIN_BALLOONTIMEOUT, false},
  };
  // The shell speaks version 4: the event in the low word, the icon's ID in
  // the high word, and the anchor point in wParam.
  const auto notify = [&](UINT kind) {
    SendBounded(server_.window(), kTrayNotifyMessage, MAKEWPARAM(40, 40),
                MAKELPARAM(kind, kTrayIconId));
  };
  // clang-format on
  for (const auto& k : kinds) {
    SCOPED_TRACE(k.kind);
    server_.Click(kTrayButtonId);
    // Hidden only once the icon is there; minimized (still visible) before.
    ASSERT_TRUE(WaitUntil([&] { return !IsWindowVisible(server_.window()); }, 5000))
        << "minimized: " << (IsIconic(server_.window()) != FALSE);
    notify(k.kind);
    EXPECT_EQ(k.restores, IsWindowVisible(server_.window()) != FALSE);
    if (!k.restores) {
      notify(WM_LBUTTONUP);
      ASSERT_TRUE(IsWindowVisible(server_.window()));
    }
  }
}

TEST_F(WindowTest, ClosingWhileServingAsksCancelKeepsServingOkExits) {
  const int port = FreePort();
  ASSERT_NE(0, port);
  ASSERT_NO_FATAL_FAILURE(StartServing(port));

  PostMessageW(server_.window(), WM_CLOSE, 0, 0);
  HWND box = server_.WaitForMessageBox(5000);
  ASSERT_NE(nullptr, box);
  EXPECT_EQ(FromGbk(kInfoCaption), TextOf(box));
  // 服务器正在工作,确定要退出?
  EXPECT_EQ(FromGbk("\xB7\xFE\xCE\xF1\xC6\xF7\xD5\xFD\xD4\xDA\xB9\xA4\xD7\xF7,\xC8\xB7\xB6\xA8"
                    "\xD2\xAA\xCD\xCB\xB3\xF6?"),
            MessageBoxText(box));
  AnswerMessageBox(box, IDCANCEL);
  ASSERT_TRUE(WaitUntil([&] { return !IsWindow(box); }, 5000));
  EXPECT_TRUE(IsWindow(server_.window()));
  EXPECT_FALSE(IsWindowEnabled(start_button_));
  EXPECT_EQ(0u, HttpGet(port, "/hello.txt").rfind("HTTP/1.1 200", 0));

  PostMessageW(server_.window(), WM_CLOSE, 0, 0);
  box = server_.WaitForMessageBox(5000);
  ASSERT_NE(nullptr, box);
  AnswerMessageBox(box, IDOK);
  DWORD code = 1;
  ASSERT_TRUE(server_.WaitForExit(15000, code));
  EXPECT_EQ(0u, code);
}

// Started from a shortcut with "/LIST": the folder listing is on from the
// first request, checked in the options menu. Other command lines turn on
// what they name, in any order among other arguments, and nothing else.
class ListSwitchTest : public WindowTest {
 protected:
  std::wstring Arguments() const override { return L"/LIST"; }
};

TEST_F(ListSwitchTest, StartsWithTheListingOnAndServesIt) {
  EXPECT_EQ(OptionOnBits("list"), ServingOptionBits(server_.window()));
  const int port = FreePort();
  ASSERT_NE(0, port);
  ASSERT_NO_FATAL_FAILURE(StartServing(port));
  const std::string root = HttpGet(port, "/");
  EXPECT_EQ(0u, root.rfind("HTTP/1.1 200 OK\r\n", 0)) << root.substr(0, 40);
  EXPECT_NE(std::string::npos, root.find("href=\"hello.txt\""));

  const struct {
    const wchar_t* arguments;
    LRESULT bits;
  } others[] = {
      {L"8080 /Types C:\\site /list", OptionOnBits("list") | OptionOnBits("types")},
      {L"-list /lists list \"/list types\"", 0},
  };
  for (const auto& other : others) {
    SCOPED_TRACE(::testing::PrintToString(std::wstring(other.arguments)));
    ServerProcess program;
    ASSERT_TRUE(program.Start(g_exe_path, other.arguments)) << "no main window";
    EXPECT_EQ(other.bits, ServingOptionBits(program.window()));
  }
}

TEST_F(WindowTest, ClosingWhileStoppedAsksNothing) {
  PostMessageW(server_.window(), WM_CLOSE, 0, 0);
  DWORD code = 1;
  bool asked = false;
  const bool ended = WaitUntil(
      [&] {
        asked = asked || server_.FindMessageBox() != nullptr;
        return !server_.Running();
      },
      15000);
  EXPECT_FALSE(asked);
  ASSERT_TRUE(ended);
  ASSERT_TRUE(server_.WaitForExit(0, code));
  EXPECT_EQ(0u, code);
}

}  // namespace
}  // namespace orvane::window_test

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (argc < 2) {
    fprintf(stderr,
            "usage: window_tests PATH\\TO\\OrvaneServer.exe [--xdotool=UNIX_PATH] [--dpi=N]\n");
    return 2;
  }
  // Rectangles and the DPI in real pixels, as the program (DPI-aware) has them.
  SetProcessDPIAware();
  for (int i = 2; i < argc; ++i) {
    const std::string option = argv[i];
    if (option.rfind("--xdotool=", 0) == 0) {
      orvane::window_test::g_input = orvane::window_test::XInput(option.substr(10));
    } else if (option.rfind("--dpi=", 0) == 0) {
      orvane::window_test::g_expected_dpi = std::atoi(option.c_str() + 6);
    }
  }
  // A Unix path (as ctest passes it under Wine) is reached through drive Z:.
  std::string path = argv[1];
  if (!path.empty() && path[0] == '/') path = "Z:" + path;
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  orvane::window_test::g_exe_path.assign(path.begin(), path.end());
  WSADATA wsa;
  if (WSAStartup(MAKEWORD(2, 2), &wsa) != 0) return 1;
  const int result = RUN_ALL_TESTS();
  WSACleanup();
  return result;
}
