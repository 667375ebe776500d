// The window under real keystrokes and clicks (xdotool), under Wine: the tab
// order, Esc and Enter in each control, the port typed in, and where the
// focus goes when the window comes and goes. Part of window_tests.
#include <gtest/gtest.h>

#include <winsock2.h>
#include <windows.h>
#include <shellapi.h>

#include <functional>
#include <string>

#include "ui/control_ids.h"
#include "window_driver.h"
#include "window_fixture.h"

namespace orvane::window_test {
namespace {

using namespace orvane::ui;

// Real keystrokes and clicks: X events from xdotool, which Wine takes as
// its keyboard and mouse, through the program's own message loop.
class KeyboardTest : public WindowTest {
 protected:
  void SetUp() override {
    if (!g_input.available()) GTEST_SKIP() << "real keys need xdotool and Wine on an X server";
    WindowTest::SetUp();
    if (HasFatalFailure()) return;
    // Without a window manager the X keyboard focus follows the pointer.
    ASSERT_TRUE(g_input.PointAt(server_.window(), Margin()));
  }

  // A point of the window's client area outside every control.
  POINT Margin() const {
    RECT client{};
    GetClientRect(server_.window(), &client);
    return POINT{client.right - 2, client.bottom - 2};
  }

  HWND Focus() const { return FocusOf(server_.window()); }

  // Presses `keys` (xdotool key names) and waits for the focus on `id`.
  ::testing::AssertionResult FocusAfterKeys(const std::string& keys, int id) {
    if (!keys.empty() && !g_input.Run("key --delay 50 " + keys)) {
      return ::testing::AssertionFailure() << "xdotool failed";
    }
    if (WaitUntil([&] { return Focus() == server_.Control(id); }, 3000)) {
      return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure()
           << keys << ": the focus is on " << GetDlgCtrlID(Focus()) << ", not " << id;
  }

  ::testing::AssertionResult TypeAndRead(const std::string& keys, const std::wstring& expected) {
    if (!g_input.Run("type --delay 50 " + keys)) return ::testing::AssertionFailure() << "xdotool";
    if (WaitUntil([&] { return TextOf(port_box_) == expected; }, 3000)) {
      return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure()
           << keys << " left " << TextOf(port_box_).size() << " characters";
  }
};

TEST_F(KeyboardTest, TabAndShiftTabVisitTheControlsInVisualOrder) {
  // clang-format off
  const int order[] = {kPortBoxId,    kStartButtonId,   kStopButtonId,
                       kTrayButtonId, kSiteFolderBoxId, kBrowseButtonId,
                       kAddressBoxId, kOpenSiteButtonId, kConnectionLogBoxId};
  // clang-format on
  constexpr int kCount = sizeof order / sizeof order[0];
  ASSERT_TRUE(FocusAfterKeys("", kPortBoxId)) << "at start-up";
  const struct {
    const char* key;
    int step;
  } directions[] = {{"Tab", 1}, {"shift+Tab", -1}};
  for (const auto& d : directions) {
    // Once round, so the log box must let Tab go again.
    for (int i = 1; i <= kCount; ++i) {
      ASSERT_TRUE(FocusAfterKeys(d.key, order[((d.step * i) % kCount + kCount) % kCount])) << i;
    }
  }
  EXPECT_EQ(L"", TextOf(server_.Control(kConnectionLogBoxId)));

  // In the log box Enter breaks the line; in the address box it does
  // nothing. Neither presses Start (here on a free port, should it start).
  const int port = FreePort();
  ASSERT_NE(0, port);
  ASSERT_TRUE(SetTextOf(port_box_, std::to_wstring(port)));
  ASSERT_TRUE(FocusAfterKeys("shift+Tab", kConnectionLogBoxId));
  ASSERT_TRUE(g_input.Run("key Return"));
  EXPECT_TRUE(
      WaitUntil([&] { return TextOf(server_.Control(kConnectionLogBoxId)) == L"\r\n"; }, 3000));
  ASSERT_TRUE(FocusAfterKeys("shift+Tab shift+Tab", kAddressBoxId));
  ASSERT_TRUE(g_input.Run("key Return"));
  EXPECT_FALSE(WaitUntil(
      [&] { return !IsWindowEnabled(start_button_) || server_.FindMessageBox() != nullptr; },
      1500));
}

TEST_F(KeyboardTest, EscapeClosesNothingAndAsksNothingFromAnyControl) {
  for (const bool serving : {false, true}) {
    SCOPED_TRACE(serving ? "serving" : "stopped");
    if (serving) {
      const int port = FreePort();
      ASSERT_NE(0, port);
      ASSERT_NO_FATAL_FAILURE(StartServing(port));
      // The click on Start left the focus on Stop; Shift+Tab skips the
      // disabled Start.
      ASSERT_TRUE(FocusAfterKeys("shift+Tab", kPortBoxId));
    }
    // Every tab stop in turn (Start only while it is enabled), Esc in each.
    for (const int id : {kPortBoxId, kStartButtonId, kStopButtonId, kTrayButtonId, kSiteFolderBoxId,
                         kBrowseButtonId, kAddressBoxId, kOpenSiteButtonId, kConnectionLogBoxId}) {
      if (id == kStartButtonId && serving) continue;
      SCOPED_TRACE(id);
      ASSERT_TRUE(Focus() == server_.Control(id) || FocusAfterKeys("Tab", id));
      ASSERT_TRUE(g_input.Run("key Escape"));
      // A close or a question would come at once: Esc posts it.
      ASSERT_FALSE(WaitUntil(
          [&] { return !IsWindowVisible(server_.window()) || server_.FindMessageBox() != nullptr; },
          500));
    }
    EXPECT_EQ(serving, !IsWindowEnabled(start_button_));
    ASSERT_TRUE(FocusAfterKeys("Tab", kPortBoxId));  // round to the start
  }
}

TEST_F(KeyboardTest, TypedPortIsFilteredAndEnterStartsTheServer) {
  const int port = FreePort();
  ASSERT_NE(0, port);
  ASSERT_TRUE(FocusAfterKeys("", kPortBoxId));
  // The initial 80 is selected, so typing replaces it.
  ASSERT_TRUE(TypeAndRead("8a1", L"81"));
  ASSERT_TRUE(g_input.Run("key BackSpace BackSpace"));
  const std::string digits = std::to_string(port);
  ASSERT_TRUE(TypeAndRead(digits.substr(0, 2) + "x" + digits.substr(2), std::to_wstring(port)));

  ASSERT_TRUE(g_input.Run("key Return"));
  ASSERT_TRUE(WaitUntil([&] { return !IsWindowEnabled(start_button_); }, 5000));
  EXPECT_EQ(port_box_, Focus());
  EXPECT_EQ(0u, HttpGet(port, "/").rfind("HTTP/1.1 ", 0));
  // With Start disabled Enter does nothing (a second start would report
  // the port as taken).
  ASSERT_TRUE(g_input.Run("key Return"));
  EXPECT_EQ(nullptr, server_.WaitForMessageBox(1500));
}

// The options menu by the keyboard while the server runs: each Alt+O and
// letter flips one option, its check mark and the server's option agree, and
// the very next request answers by it: "/" of a folder without index.htm is
// the folder's listing or the 404 text, and a text file advertises byte
// ranges only with the common types.
TEST_F(KeyboardTest, AltOThenLOrTSwitchesAnOptionForTheNextRequest) {
  const int port = FreePort();
  ASSERT_NE(0, port);
  ASSERT_NO_FATAL_FAILURE(StartServing(port));
  const LRESULT kList = OptionOnBits("list");
  const LRESULT kTypes = OptionOnBits("types");
  const struct {
    const char* keys;
    LRESULT bits;
    bool listed;
    bool ranges;
  } steps[] = {
      {"", 0, false, false},
      {"alt+o l", kList, true, false},
      {"alt+o t", kList | kTypes, true, true},
      {"alt+o l", kTypes, false, true},
      {"alt+o t", 0, false, false},
  };
  for (const auto& step : steps) {
    SCOPED_TRACE(step.keys);
    if (*step.keys != '\0') {
      ASSERT_TRUE(g_input.Run(std::string("key --delay 100 ") + step.keys));
    }
    EXPECT_TRUE(WaitUntil([&] { return ServingOptionBits(server_.window()) == step.bits; }, 3000))
        << ServingOptionBits(server_.window());
    const std::string root = HttpGet(port, "/");
    if (step.listed) {
      EXPECT_EQ(0u, root.rfind("HTTP/1.1 200 OK\r\n", 0)) << root.substr(0, 40);
      EXPECT_NE(std::string::npos, root.find("href=\"hello.txt\""));
    } else {
      EXPECT_EQ(0u, root.rfind("HTTP/1.1 404 Object Not Found\r\n", 0)) << root.substr(0, 40);
    }
    const std::string file = HttpGet(port, "/hello.txt");
    EXPECT_EQ(0u, file.rfind("HTTP/1.1 200 OK\r\n", 0)) << file.substr(0, 40);
    EXPECT_EQ(step.ranges, file.find("\r\nAccept-Ranges: bytes\r\n") != std::string::npos);
  }
}

// 选项→允许通过防火墙 by the keyboard: the helper step is this program
// again, through the "runas" verb (which Wine runs without asking); it finds
// no firewall to read, adds nothing, and the window reads its exit code and
// says so.
TEST_F(KeyboardTest, AltOThenWRunsTheFirewallHelperAndLogsWhatItDid) {
  ASSERT_TRUE(g_input.Run("key --delay 100 alt+o w"));
  // 没有添加防火墙规则：无法读取 Windows 防火墙。
  const std::wstring expected = FromGbk(
      "\xC3\xBB\xD3\xD0\xCC\xED\xBC\xD3\xB7\xC0\xBB\xF0\xC7\xBD\xB9\xE6\xD4\xF2\xA3\xBA"
      "\xCE\xDE\xB7\xA8\xB6\xC1\xC8\xA1 Windows \xB7\xC0\xBB\xF0\xC7\xBD\xA1\xA3\r\n");
  HWND log = server_.Control(kConnectionLogBoxId);
  EXPECT_TRUE(WaitUntil([&] { return TextOf(log) == expected; }, 15000)) << TextOf(log).size();
}

// Pumps this thread's messages until `done` holds.
bool PumpUntil(const std::function<bool()>& done, int timeout_ms) {
  return WaitUntil(
      [&] {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
        return done();
      },
      timeout_ms);
}

TEST_F(KeyboardTest, FocusSurvivesStartAnotherWindowAndTheTray) {
  const int port = FreePort();
  ASSERT_NE(0, port);
  ASSERT_TRUE(SetTextOf(port_box_, std::to_wstring(port)));
  // Space on the focused Start: the button is disabled, the focus moves on.
  ASSERT_TRUE(FocusAfterKeys("Tab", kStartButtonId));
  ASSERT_TRUE(g_input.Run("key space"));
  ASSERT_TRUE(WaitUntil([&] { return !IsWindowEnabled(start_button_); }, 5000));
  EXPECT_TRUE(FocusAfterKeys("", kStopButtonId));

  // Another window takes the keyboard, then a click on the window's empty
  // margin brings it back with the focus where it was.
  HWND other = CreateWindowExW(0, L"EDIT", L"other", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 240,
                               120, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(nullptr, other);
  ASSERT_TRUE(g_input.Click(other, POINT{60, 40}));
  EXPECT_TRUE(PumpUntil([&] { return GetForegroundWindow() == other; }, 5000));
  ASSERT_TRUE(g_input.Click(server_.window(), Margin()));
  EXPECT_TRUE(PumpUntil([&] { return GetForegroundWindow() == server_.window(); }, 5000));
  EXPECT_TRUE(FocusAfterKeys("", kStopButtonId));
  DestroyWindow(other);

  // Hidden to the tray by the keyboard, and back.
  ASSERT_TRUE(FocusAfterKeys("Tab", kTrayButtonId));
  ASSERT_TRUE(g_input.Run("key space"));
  ASSERT_TRUE(WaitUntil([&] { return !IsWindowVisible(server_.window()); }, 5000));
  SendBounded(server_.window(), kTrayNotifyMessage, 0, MAKELPARAM(NIN_SELECT, kTrayIconId));
  ASSERT_TRUE(IsWindowVisible(server_.window()));
  EXPECT_TRUE(WaitUntil([&] { return GetForegroundWindow() == server_.window(); }, 3000));
  EXPECT_TRUE(FocusAfterKeys("", kTrayButtonId));

  // Space on the focused Stop ends the server.
  ASSERT_TRUE(FocusAfterKeys("shift+Tab", kStopButtonId));
  ASSERT_TRUE(g_input.Run("key space"));
  EXPECT_TRUE(WaitUntil([&] { return IsWindowEnabled(start_button_) != FALSE; }, 5000));
}

}  // namespace
}  // namespace orvane::window_test
