// The fixture the window tests share: OrvaneServer.exe started fresh for
// each test, its main controls found, and a site to serve on demand.
#pragma once

#include <gtest/gtest.h>

#include <winsock2.h>
#include <windows.h>

#include <string>

#include "ui/control_ids.h"
#include "window_driver.h"

namespace orvane::window_test {

// Set by main from the command line.
extern std::wstring g_exe_path;  // the program under test
extern XInput g_input;           // xdotool, when main is given it

class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(server_.Start(g_exe_path, Arguments())) << "no main window";
    port_box_ = server_.Control(ui::kPortBoxId);
    address_box_ = server_.Control(ui::kAddressBoxId);
    start_button_ = server_.Control(ui::kStartButtonId);
    ASSERT_NE(nullptr, port_box_);
    ASSERT_NE(nullptr, address_box_);
    ASSERT_NE(nullptr, start_button_);
  }

  // The program's command line after its name.
  virtual std::wstring Arguments() const { return {}; }

  // The address shown for the initial port 80 is "http://HOST/".
  std::wstring Host() {
    const std::wstring shown = TextOf(address_box_);
    if (shown.size() < 8 || shown.rfind(L"http://", 0) != 0 || shown.back() != L'/') return L"?";
    return shown.substr(7, shown.size() - 8);
  }

  // Puts a site folder with one file into the box and starts on `port`.
  void StartServing(int port) {
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    folder_ = std::wstring(temp) + L"orvane_window_" + std::to_wstring(GetCurrentProcessId()) +
              L"_" + std::to_wstring(port);
    CreateDirectoryW(folder_.c_str(), nullptr);
    ASSERT_TRUE(WriteWholeFile(folder_ + L"\\hello.txt", "hello from the site"));

    ASSERT_TRUE(SetTextOf(server_.Control(ui::kSiteFolderBoxId), folder_ + L"\\"));
    ASSERT_TRUE(SetTextOf(port_box_, L" " + std::to_wstring(port) + L" "));
    server_.Click(ui::kStartButtonId);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindowEnabled(start_button_); }, 10000))
        << "the start button stayed enabled";
  }

  void TearDown() override {
    if (!folder_.empty()) {
      DeleteFileW((folder_ + L"\\hello.txt").c_str());
      RemoveDirectoryW(folder_.c_str());
    }
  }

  ServerProcess server_;
  HWND port_box_ = nullptr;
  HWND address_box_ = nullptr;
  HWND start_button_ = nullptr;
  std::wstring folder_;
};

}  // namespace orvane::window_test
