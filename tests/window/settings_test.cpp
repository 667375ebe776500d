// 选项→记住这些设置 under real keys (xdotool), on a copy of the program in a
// folder of its own: with it off nothing is written beside the program; on,
// the port, a folder with a Chinese name and the options come back at the
// next start; off again, the file is gone. Part of window_tests.
#include <gtest/gtest.h>

#include <winsock2.h>
#include <windows.h>

#include <string>
#include <vector>

#include "front/option_table.h"
#include "ui/control_ids.h"
#include "window_driver.h"
#include "window_fixture.h"

namespace orvane::window_test {
namespace {

using namespace orvane::ui;

class RememberTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!g_input.available()) GTEST_SKIP() << "real keys need xdotool and Wine on an X server";
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    const std::wstring id = std::to_wstring(GetCurrentProcessId());
    folder_ = std::wstring(temp) + L"orvane_remember_" + id;
    site_ = std::wstring(temp) + L"\x7F51\x7AD9_" + id;  // 网站_ID
    program_ = folder_ + L"\\OrvaneServer.exe";
    ini_ = folder_ + L"\\OrvaneServer.ini";
    ASSERT_TRUE(CreateDirectoryW(folder_.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW(site_.c_str(), nullptr));
    ASSERT_TRUE(CopyFileW(g_exe_path.c_str(), program_.c_str(), TRUE));
  }

  void TearDown() override {
    for (const std::wstring& name : FolderNames()) DeleteFileW((folder_ + L"\\" + name).c_str());
    RemoveDirectoryW(folder_.c_str());
    RemoveDirectoryW(site_.c_str());
  }

  // What the program's folder holds.
  std::vector<std::wstring> FolderNames() const {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileW((folder_ + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
      if (lstrcmpW(found.cFileName, L".") != 0 && lstrcmpW(found.cFileName, L"..") != 0) {
        names.push_back(found.cFileName);
      }
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return names;
  }

  bool IniThere() const { return GetFileAttributesW(ini_.c_str()) != INVALID_FILE_ATTRIBUTES; }

  // The copy started, with the pointer over it (the X focus follows it).
  ::testing::AssertionResult Open(ServerProcess& program) {
    if (!program.Start(program_)) return ::testing::AssertionFailure() << "no main window";
    RECT client{};
    GetClientRect(program.window(), &client);
    if (!g_input.PointAt(program.window(), POINT{client.right - 2, client.bottom - 2})) {
      return ::testing::AssertionFailure() << "xdotool";
    }
    return ::testing::AssertionSuccess();
  }

  // Closed as the operator closes it (nothing runs, so nothing is asked),
  // and, when `to_the_end`, waited for until the process is gone; else
  // until the window is, which is when the file has followed the last
  // change, and the rest of the exit (the workers' end, seconds under Wine)
  // is cut short by ServerProcess.
  static ::testing::AssertionResult Close(ServerProcess& program, bool to_the_end) {
    PostMessageW(program.window(), WM_CLOSE, 0, 0);
    DWORD code = 1;
    if (to_the_end ? !program.WaitForExit(20000, code)
                   : !WaitUntil([&] { return !IsWindowVisible(program.window()); }, 5000)) {
      return ::testing::AssertionFailure() << "still there";
    }
    return ::testing::AssertionSuccess();
  }

  static LRESULT RememberBits() {
    const std::size_t row = OptionRowOf(&WindowChoices::remember);
    return OptionCheckedBit(row) | OptionServedBit(row);
  }

  std::wstring folder_, site_, program_, ini_;
};

TEST_F(RememberTest, KeptOnlyWhenAskedAndForgottenWhenSwitchedOff) {
  const std::vector<std::wstring> only_program = {L"OrvaneServer.exe"};
  const std::string port = std::to_string(FreePort());
  const LRESULT kListTypes = OptionOnBits("list") | OptionOnBits("types");
  {
    // Off: a session that changes the port, the folder and an option.
    ServerProcess program;
    ASSERT_TRUE(Open(program));
    ASSERT_TRUE(g_input.Run("type --delay 50 " + port));
    ASSERT_TRUE(SetTextOf(program.Control(kSiteFolderBoxId), site_));
    ASSERT_TRUE(g_input.Run("key --delay 100 alt+o l"));
    ASSERT_TRUE(WaitUntil(
        [&] { return ServingOptionBits(program.window()) == OptionOnBits("list"); }, 3000));
    ASSERT_TRUE(Close(program, true));
    EXPECT_EQ(only_program, FolderNames());
  }
  {
    // On: the port typed, the Chinese folder, two options ticked.
    ServerProcess program;
    ASSERT_TRUE(Open(program));
    ASSERT_TRUE(g_input.Run("type --delay 50 " + port));
    ASSERT_TRUE(SetTextOf(program.Control(kSiteFolderBoxId), site_));
    ASSERT_TRUE(g_input.Run("key --delay 100 alt+o l alt+o t alt+o r"));
    EXPECT_TRUE(WaitUntil(
        [&] { return ServingOptionBits(program.window()) == (kListTypes | RememberBits()); },
        3000));
    EXPECT_TRUE(WaitUntil([&] { return IniThere(); }, 3000)) << "nothing written when switched on";
    ASSERT_TRUE(Close(program, false));
  }
  {
    // The next start shows them; switched off, the file goes.
    ServerProcess program;
    ASSERT_TRUE(Open(program));
    EXPECT_EQ(std::wstring(port.begin(), port.end()), TextOf(program.Control(kPortBoxId)));
    EXPECT_EQ(site_, TextOf(program.Control(kSiteFolderBoxId)));
    EXPECT_EQ(kListTypes | RememberBits(), ServingOptionBits(program.window()));
    ASSERT_TRUE(g_input.Run("key --delay 100 alt+o r"));
    EXPECT_TRUE(WaitUntil([&] { return !IniThere(); }, 3000)) << "the file stayed";
    EXPECT_EQ(kListTypes, ServingOptionBits(program.window()));
    EXPECT_EQ(only_program, FolderNames());
  }
  // A damaged file: what is sound is used, the rest is the default, and
  // the log says so.
  ASSERT_TRUE(WriteWholeFile(ini_, "port=70000\r\nfolder=C:\\gone\r\ntypes=1\r\n"));
  ServerProcess program;
  ASSERT_TRUE(program.Start(program_));
  EXPECT_EQ(L"80", TextOf(program.Control(kPortBoxId)));
  EXPECT_EQ(folder_, TextOf(program.Control(kSiteFolderBoxId)));
  EXPECT_EQ(OptionOnBits("types") | RememberBits(), ServingOptionBits(program.window()));
  HWND log = program.Control(kConnectionLogBoxId);
  EXPECT_TRUE(WaitUntil(
      [&] {
        const std::wstring text = TextOf(log);
        return text.find(L"port ") != std::wstring::npos &&
               text.find(L"folder ") != std::wstring::npos;
      },
      3000));
}

}  // namespace
}  // namespace orvane::window_test
