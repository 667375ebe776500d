// The window's Win32 backends for the firewall and the remembered settings,
// on the system they run on: Windows's own comparison of paths, what the
// firewall readings give under Wine (which has no firewall), and the
// settings file written whole, read back and deleted in real folders.
#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>

#include <string>

#include "front/firewall_lines.h"
#include "platform/adapters.h"
#include "ui/com_handles.h"
#include "ui/firewall_com.h"
#include "ui/settings_keeper.h"

namespace orvane::ui {
namespace {

bool UnderWine() {
  return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

TEST(FirewallComTest, PathsCompareAsWindowsComparesNames) {
  const struct {
    const char* a;
    const char* b;
    bool same;
  } cases[] = {
      {"C:\\Apps\\OrvaneServer.exe", "c:\\apps\\ORVANESERVER.EXE", true},
      {"C:\\\xC3\x84pfel\\a.exe", "C:\\\xC3\xA4PFEL\\A.exe", true},  // Ä, ä
      {"C:\\\xD0\x96\\a.exe", "C:\\\xD0\xB6\\a.exe", true},          // Ж, ж
      {"C:\\\xEF\xBC\xA1\\a.exe", "C:\\\xEF\xBD\x81\\a.exe", true},  // Ａ, ａ (full width)
      {"C:\\stra\xC3\x9F"
       "e\\a.exe",
       "C:\\STRASSE\\a.exe", false},                         // ß is not SS
      {"C:\\caf\xC3\xA9\\a.exe", "C:\\cafe\\a.exe", false},  // é is not e
      {"C:\\Apps\\OrvaneServer.exe", "C:\\Apps\\OrvaneServer.exe ", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.a) + " | " + c.b);
    EXPECT_EQ(c.same, SameWindowsPath(c.a, c.b));
  }
}

// The same steps as a Start's check and the helper's, on a thread with its
// own apartment: under Wine every one of them ends in "unknown" or "no
// firewall" rather than a crash or a block claimed.
TEST(FirewallComTest, UnderWineTheReadingsAreUnknownAndNothingIsAdded) {
  if (!UnderWine()) GTEST_SKIP() << "real Windows: the firewall is there to read";
  const ThreadApartment apartment;
  ASSERT_TRUE(apartment.ok());
  const std::optional<FirewallState> state = ReadFirewallState();
  EXPECT_FALSE(state.has_value());
  for (const AdapterRecord& adapter : platform::QueryAdapters()) {
    (void)NetworkProfileOf(adapter.address);  // it may know a category; it must not crash
  }
  const FirewallFinding finding =
      DecideFirewall(state, kPublicProfile, 8080, ThisProgramPath(), SameWindowsPath);
  EXPECT_EQ(FirewallVerdict::kUnknown, finding.verdict);
  WindowsFirewall firewall;
  const AllowResult result = AllowThroughFirewall(firewall, ThisProgramPath(), SameWindowsPath);
  EXPECT_EQ(AllowOutcome::kNoFirewall, result.outcome);
}

class SettingsKeeperTest : public ::testing::Test {
 protected:
  void SetUp() override {
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    folder_ = std::wstring(temp) + L"orvane_keeper_" + std::to_wstring(GetCurrentProcessId());
    ASSERT_TRUE(CreateDirectoryW(folder_.c_str(), nullptr));
    settings_.port = 8080;
    settings_.site_folder = "C:\\";
    settings_.options.list_folders = true;
  }
  void TearDown() override {
    DeleteFileW((folder_ + L"\\OrvaneServer.ini").c_str());
    RemoveDirectoryW(folder_.c_str());
  }

  // The names in `folder`, "." and ".." left out.
  static int Entries(const std::wstring& folder) {
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return -1;
    int count = 0;
    do {
      count += found.cFileName[0] != L'.';
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return count;
  }

  std::wstring folder_;
  RememberedSettings settings_;
};

TEST_F(SettingsKeeperTest, WritesWholeOnlyWhenOnReadsBackAndDeletes) {
  {
    SettingsKeeper keeper(folder_);
    EXPECT_FALSE(keeper.Load().has_value());
    EXPECT_EQ("", keeper.Follow(false, settings_));
    EXPECT_EQ(0, Entries(folder_)) << "written while off";
    EXPECT_NE("", keeper.Follow(true, settings_));  // where the file is
    EXPECT_EQ(1, Entries(folder_)) << "a temporary file was left";
  }
  SettingsKeeper keeper(folder_);
  const std::optional<SettingsKeeper::Loaded> loaded = keeper.Load();
  ASSERT_TRUE(loaded.has_value());
  EXPECT_EQ("", loaded->log_line);
  EXPECT_EQ(8080, loaded->settings.port);
  EXPECT_EQ("C:\\", loaded->settings.site_folder);
  EXPECT_TRUE(loaded->settings.options.list_folders);
  EXPECT_EQ("", keeper.Follow(true, settings_));  // unchanged: not written again
  EXPECT_NE("", keeper.Follow(false, settings_));
  EXPECT_EQ(0, Entries(folder_));
}

TEST_F(SettingsKeeperTest, ReadsNoMoreThanTheBoundOfAHugeFile) {
  const std::wstring ini = folder_ + L"\\OrvaneServer.ini";
  HANDLE file = CreateFileW(ini.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, file);
  const std::string head = "port=8080\r\n";
  const std::string junk(10 * 1024 * 1024, 'x');
  DWORD written = 0;
  WriteFile(file, head.data(), static_cast<DWORD>(head.size()), &written, nullptr);
  WriteFile(file, junk.data(), static_cast<DWORD>(junk.size()), &written, nullptr);
  CloseHandle(file);
  SettingsKeeper keeper(folder_);
  const std::optional<SettingsKeeper::Loaded> loaded = keeper.Load();
  ASSERT_TRUE(loaded.has_value());
  EXPECT_EQ(8080, loaded->settings.port);
  EXPECT_NE(std::string::npos, loaded->log_line.find("256 KB"));
}

// A program folder that cannot be written: the roaming folder takes the
// file, and forgetting removes it and the folder it made.
TEST_F(SettingsKeeperTest, GoesToTheRoamingFolderWhenTheProgramsCannotBeWritten) {
  PWSTR found = nullptr;
  ASSERT_TRUE(SUCCEEDED(SHGetKnownFolderPath(FOLDERID_RoamingAppData, 0, nullptr, &found)));
  const std::wstring roaming = std::wstring(found) + L"\\OrvaneServer";
  CoTaskMemFree(found);
  if (GetFileAttributesW(roaming.c_str()) != INVALID_FILE_ATTRIBUTES) {
    GTEST_SKIP() << "this user's OrvaneServer folder is there already: left alone";
  }
  SettingsKeeper keeper(folder_ + L"\\no such folder");
  EXPECT_NE("", keeper.Follow(true, settings_));
  EXPECT_EQ(1, Entries(roaming));
  SettingsKeeper again(folder_ + L"\\no such folder");
  const std::optional<SettingsKeeper::Loaded> loaded = again.Load();
  ASSERT_TRUE(loaded.has_value());
  EXPECT_EQ(8080, loaded->settings.port);
  EXPECT_NE("", again.Follow(false, settings_));
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(roaming.c_str()));
}

}  // namespace
}  // namespace orvane::ui
