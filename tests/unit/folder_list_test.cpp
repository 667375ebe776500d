// The folder enumeration of the file layer, on a real temporary folder.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <utility>
#include <vector>

#ifdef _WIN32
#include <windows.h>

#include "platform/win32/link_target.h"
#include "platform/win32/win32_handle.h"
#else
#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "platform/clock.h"
#include "platform/file.h"

namespace orvane::platform {
namespace {

namespace fs = std::filesystem;

struct Expected {
  bool is_folder;
  bool hidden;
  std::uint64_t size;
  std::int64_t changed;  // each older or newer than others, two a second apart
};

bool SetWriteTime(const fs::path& path, std::int64_t seconds) {
#ifdef _WIN32
  const UniqueFileHandle file(CreateFileW(path.wstring().c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr,
                                          OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  const auto ticks = static_cast<ULONGLONG>(seconds + 11644473600LL) * 10000000ULL;
  const FILETIME time{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
  return file && SetFileTime(file.get(), nullptr, nullptr, &time) != 0;
#else
  const timespec times[2] = {{seconds, 0}, {seconds, 0}};
  return utimensat(AT_FDCWD, path.c_str(), times, 0) == 0;
#endif
}

// ctest runs this binary with TZ=America/New_York (tests/unit/CMakeLists.txt).
TEST(FolderListTest, LocalTimeFollowsTheDaylightSavingRulesOfItsOwnYear) {
  if (LocalTimeFromUnixSeconds(1688212800).hour != 8) {  // 2023-07-01 12:00 UTC
    GTEST_SKIP() << "needs US Eastern time (TZ=America/New_York), as ctest runs it";
  }
  // US daylight saving time: April to October until 2006, March to November
  // since 2007.
  const std::int64_t cases[][2] = {
      {1142856000, 7},  // 2006-03-20 12:00 UTC
      {1174392000, 8},  // 2007-03-20 12:00 UTC
      {1162382400, 7},  // 2006-11-01 12:00 UTC
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c[0]);
    EXPECT_EQ(c[1], LocalTimeFromUnixSeconds(c[0]).hour);
  }
}

TEST(FolderListTest, ListsNamesKindsSizesTimesAndHiddenFlags) {
  const fs::path base =
      fs::temp_directory_path() / ("orvane-list-" + std::to_string(std::random_device{}()));
  ASSERT_TRUE(fs::create_directory(base));
  const std::string photo = "\xE7\x85\xA7\xE7\x89\x87.png";  // 照片.png
  std::ofstream(base / "a.txt", std::ios::binary) << "hello";
  std::ofstream(fs::u8path((base.u8string() + "/" + photo)), std::ios::binary) << "png";
  std::ofstream(base / "marked", std::ios::binary) << "";
  ASSERT_TRUE(fs::create_directory(base / "sub"));
  std::ofstream(base / "sub" / "inner.txt", std::ios::binary) << "x";
#ifdef _WIN32
  // Windows hides by attribute. No dot-name is made: Windows shows it, but
  // Wine marks the dot-names of its Unix file system hidden.
  ASSERT_TRUE(SetFileAttributesW((base / "marked").wstring().c_str(), FILE_ATTRIBUTE_HIDDEN));
  // Explorer shows what is only a system file.
  std::ofstream(base / "system", std::ios::binary) << "";
  ASSERT_TRUE(SetFileAttributesW((base / "system").wstring().c_str(), FILE_ATTRIBUTE_SYSTEM));
  const std::map<std::string, Expected> expected = {{"a.txt", {false, false, 5, 1700000000}},
                                                    {photo, {false, false, 3, 946684800}},
                                                    {"marked", {false, true, 0, 1700000001}},
                                                    {"system", {false, false, 0, 1000000000}},
                                                    {"sub", {true, false, 0, 1699999999}}};
#else
  std::ofstream(base / ".dot", std::ios::binary) << "";
  const std::map<std::string, Expected> expected = {{"a.txt", {false, false, 5, 1700000000}},
                                                    {photo, {false, false, 3, 946684800}},
                                                    {".dot", {false, true, 0, 1700000001}},
                                                    {"marked", {false, false, 0, 1000000000}},
                                                    {"sub", {true, false, 0, 1600000000}}};
#endif
  const std::string root = base.u8string();
  for (const auto& [name, e] : expected)
    ASSERT_TRUE(SetWriteTime(fs::u8path(root + "/" + name), e.changed));
  const std::optional<std::vector<FolderEntry>> listed = ListFolder({root, "", false});
  ASSERT_TRUE(listed.has_value());
  ASSERT_EQ(expected.size(), listed->size());
  for (const FolderEntry& entry : *listed) {
    SCOPED_TRACE(entry.name);
    const auto found = expected.find(entry.name);
    ASSERT_NE(expected.end(), found);
    EXPECT_EQ(found->second.is_folder, entry.is_folder);
    EXPECT_EQ(found->second.hidden, entry.hidden);
    EXPECT_EQ(found->second.size, entry.size);
    EXPECT_EQ(found->second.changed, entry.changed_unix_seconds);
  }
  // A folder under the site folder, named as a request path names it.
  const std::optional<std::vector<FolderEntry>> inner = ListFolder({root, "\\sub", true});
  ASSERT_TRUE(inner.has_value());
  ASSERT_EQ(1U, inner->size());
  EXPECT_EQ("inner.txt", inner->front().name);

  // What cannot be read whole gives no list at all.
  EXPECT_FALSE(ListFolder({root, "\\missing", false}).has_value());
  EXPECT_FALSE(ListFolder({root, "\\a.txt", false}).has_value());
#ifndef _WIN32
  // Without the right to read it (root reads anything, so only as a user).
  if (geteuid() != 0) {
    ASSERT_EQ(0, chmod((base / "sub").c_str(), 0));
    EXPECT_FALSE(ListFolder({root, "\\sub", false}).has_value());
    chmod((base / "sub").c_str(), 0755);
  }
#endif
#ifdef _WIN32
  SetFileAttributesW((base / "marked").wstring().c_str(), FILE_ATTRIBUTE_NORMAL);
  SetFileAttributesW((base / "system").wstring().c_str(), FILE_ATTRIBUTE_NORMAL);
#endif
  fs::remove_all(base);
}

// What a request for `name` finds, asked as the service asks (the regular
// file it opens, else a folder, " listed" when it lists, else anything of
// that name: "other"), then what the folder's listing shows of it.
std::string Seen(const std::string& root, const std::string& name) {
  const std::string relative = "\\" + name;
  const FileName file{root, relative, true};
  std::string seen = ReadOnlyFile::OpenRegular(file) ? "file"
                     : FolderExists(file)            ? "folder"
                     : FileNameExists(file)          ? "other"
                                                     : "nothing";
  if (ListFolder(file)) seen += " listed";
  for (const FolderEntry& e : ListFolder({root, "", true}).value_or(std::vector<FolderEntry>{})) {
    if (e.name == name) return seen + (e.is_folder ? ", a folder" : ", a file");
  }
  return seen + ", unlisted";
}

#ifdef _WIN32
// Links' own attributes as NTFS gives them, which Wine's lack: a file link to
// a folder, a folder link to a file, links to nothing.
DWORD OwnAttributesAsNtfs(const wchar_t* path) {
  const std::wstring_view name(path);
  const auto is = [&](std::wstring_view leaf) {
    return name.size() > leaf.size() && name.substr(name.size() - leaf.size()) == leaf;
  };
  constexpr DWORD kLink = FILE_ATTRIBUTE_REPARSE_POINT;
  if (is(L"\\to-folder") || is(L"\\dead")) return kLink | FILE_ATTRIBUTE_ARCHIVE;
  if (is(L"\\to-file") || is(L"\\self")) return kLink | FILE_ATTRIBUTE_DIRECTORY;
  return GetFileAttributesW(path);
}
#endif

// The links ctest's linux_links_made makes (tests/unit/CMakeLists.txt), natively
// and under Wine; on Windows again with links' own attributes as NTFS has them.
TEST(FolderListTest, ARequestAndTheListingAgreeOnEveryLink) {
  const char* const made = std::getenv("ORVANE_LINUX_LINKS");
  if (made == nullptr) GTEST_SKIP() << "needs the links ctest makes (ORVANE_LINUX_LINKS)";
#ifdef _WIN32
  const std::string root = std::string("Z:") + made;
  using OwnAttributes = DWORD (*)(const wchar_t*);
  for (const OwnAttributes own_attributes : {OwnAttributes{}, &OwnAttributesAsNtfs}) {
    SetOwnAttributesForTest(own_attributes);
#else
  const std::string root = made;
  {
#endif
    const std::pair<const char*, const char*> cases[] = {
        {"file", "file, a file"},      {"folder", "folder listed, a folder"},
        {"to-file", "file, a file"},   {"to-folder", "folder listed, a folder"},
        {"dead", "nothing, unlisted"}, {"self", "nothing, unlisted"},
    };
    for (const auto& [name, seen] : cases) EXPECT_EQ(seen, Seen(root, name)) << name;
  }
#ifdef _WIN32
  SetOwnAttributesForTest(nullptr);
#endif
}

#ifndef _WIN32
// The listing of `base`, by name: "name/" for a folder, "name:size@time" for
// a file; then whether its folder "no-search" can be listed.
std::string Described(const fs::path& base) {
  std::map<std::string, std::string> sorted;
  for (const FolderEntry& e :
       ListFolder({base.string(), "", false}).value_or(std::vector<FolderEntry>{})) {
    sorted[e.name] =
        e.is_folder ? "/"
                    : ":" + std::to_string(e.size) + "@" + std::to_string(e.changed_unix_seconds);
  }
  std::string text;
  for (const auto& [name, kind] : sorted) text += name + kind + " ";
  return text + (ListFolder({base.string(), "\\no-search", false}) ? "no-search listed"
                                                                   : "no-search refused");
}

TEST(FolderListTest, LeavesOutEntriesNoRequestCanFetchAndFailsOnlyAFolderItCannotSearch) {
  const fs::path base =
      fs::temp_directory_path() / ("orvane-special-" + std::to_string(std::random_device{}()));
  ASSERT_TRUE(fs::create_directory(base));
  std::ofstream(base / "file", std::ios::binary) << "hello";
  ASSERT_TRUE(SetWriteTime(base / "file", 1000000000));
  for (const char* folder : {"dir", "locked", "no-search"}) {
    ASSERT_TRUE(fs::create_directory(base / folder));
    std::ofstream(base / folder / "inner.txt", std::ios::binary) << "x";
  }
  const char* const links[][2] = {
      {"to-file", "file"},
      {"to-dir", "dir"},
      {"self", "self"},                     // ELOOP
      {"dangling", "nowhere"},              // ENOENT
      {"through", "file/x"},                // ENOTDIR
      {"into-locked", "locked/inner.txt"},  // EACCES
  };
  for (const auto& link : links) ASSERT_EQ(0, symlink(link[1], (base / link[0]).c_str()));
  ASSERT_EQ(0, mknod((base / "fifo").c_str(), S_IFIFO | 0644, 0));
  ASSERT_EQ(0, mknod((base / "socket").c_str(), S_IFSOCK | 0644, 0));  // as bind() leaves one
  ASSERT_EQ(0, chmod((base / "locked").c_str(), 0));
  ASSERT_EQ(0, chmod((base / "no-search").c_str(), 0444));  // readable, not searchable

  // Root may look anywhere: the child lists as the unprivileged user 65534.
  std::string seen;
  int out[2] = {-1, -1};
  ASSERT_EQ(0, pipe(out));
  const pid_t child = fork();
  if (child == 0) {
    const bool user =
        geteuid() != 0 || (setgroups(0, nullptr) == 0 && setgid(65534) == 0 && setuid(65534) == 0);
    const std::string text = user ? Described(base) : "no user";
    _exit(write(out[1], text.data(), text.size()) < 0 ? 1 : 0);
  }
  close(out[1]);
  char buffer[512];
  for (ssize_t got; (got = read(out[0], buffer, sizeof buffer)) > 0;) seen.append(buffer, got);
  close(out[0]);
  waitpid(child, nullptr, 0);
  chmod((base / "locked").c_str(), 0755);
  chmod((base / "no-search").c_str(), 0755);
  fs::remove_all(base);
  if (seen == "no user") GTEST_SKIP() << "root could not become the unprivileged user 65534";
  EXPECT_EQ(
      "dir/ file:5@1000000000 locked/ no-search/ to-dir/ to-file:5@1000000000 "
      "no-search refused",
      seen);
}

struct ZoneCase {
  const char* zone;
  std::int64_t seconds;
  LocalTime expected;
};

TEST(FolderListTest, LocalTimeFollowsTheTimeZone) {
  const ZoneCase cases[] = {
      {"CST-8", 0, {1970, 1, 1, 8, 0}},
      {"EST5", 0, {1969, 12, 31, 19, 0}},
      {"IST-5:30", 1700000000, {2023, 11, 15, 3, 43}},
  };
  const char* saved = std::getenv("TZ");
  const std::string restore = saved ? saved : "";
  for (const ZoneCase& c : cases) {
    SCOPED_TRACE(c.zone);
    setenv("TZ", c.zone, 1);
    tzset();
    const LocalTime t = LocalTimeFromUnixSeconds(c.seconds);
    EXPECT_EQ(c.expected.year, t.year);
    EXPECT_EQ(c.expected.month, t.month);
    EXPECT_EQ(c.expected.day, t.day);
    EXPECT_EQ(c.expected.hour, t.hour);
    EXPECT_EQ(c.expected.minute, t.minute);
  }
  if (saved) {
    setenv("TZ", restore.c_str(), 1);
  } else {
    unsetenv("TZ");
  }
  tzset();
}
#endif

}  // namespace
}  // namespace orvane::platform
