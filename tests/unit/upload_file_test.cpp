// Received files put in place in a real folder: natively and under Wine.
#include "platform/upload_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "platform/clock.h"
#include "platform/file.h"
#include "platform/process.h"

#ifdef _WIN32
#include <process.h>
#include <windows.h>

#include "platform/upload_file_sys.h"
#else
#include <fcntl.h>
#include <sys/mount.h>
#include <unistd.h>

#include "platform/posix/link_rename.h"
#endif

namespace orvane::platform {
namespace {

namespace fs = std::filesystem;

// A folder of its own for each test, removed with what is in it.
class Folder {
 public:
  Folder() { fs::create_directory(path_); }
  ~Folder() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
  }
  [[nodiscard]] std::string utf8() const { return path_.u8string(); }
  void Put(const std::string& name, const std::string& bytes) const {
    std::ofstream(path_ / fs::u8path(name), std::ios::binary) << bytes;
  }
  [[nodiscard]] std::string Read(const std::string& name) const {
    std::ifstream in(path_ / fs::u8path(name), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  // Every entry, name to whether it is hidden, as the platform lists them.
  [[nodiscard]] std::map<std::string, bool> Entries() const {
    std::map<std::string, bool> out;
    const auto listed = ListFolder(FileName{utf8(), "", true});
    for (const FolderEntry& entry : listed.value_or(std::vector<FolderEntry>{})) {
      out[entry.name] = entry.hidden;
    }
    return out;
  }

 private:
  const fs::path path_ =
      fs::temp_directory_path() / ("orvane-up-" + std::to_string(std::random_device{}()));
};

std::string Bytes(std::size_t size, unsigned seed) {
  std::string out(size, '\0');
  std::mt19937 random(seed);
  for (char& c : out) c = static_cast<char>(random());
  return out;
}

TEST(UploadFileTest, CommitTakesAFreeNameAndReplacesNothing) {
#ifdef _WIN32
  const char* const kUpperCase = "X (2).JPG";  // names differ by case only: taken
#else
  const char* const kUpperCase = "X.JPG";
#endif
  const struct {
    std::string safe_name;
    std::optional<std::string> stored;
  } cases[] = {
      {"x.jpg", "x (2).jpg"},
      {"y.jpg", "y.jpg"},
      {"x (1).jpg", "x (1) (1).jpg"},
      {"\xE7\x85\xA7\xE7\x89\x87.jpg", "\xE7\x85\xA7\xE7\x89\x87.jpg"},
      {"X.JPG", kUpperCase},
      {"a/b.jpg", std::nullopt},
      {".x.jpg", std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.safe_name);
    const Folder folder;
    folder.Put("x.jpg", "old");
    folder.Put("x (1).jpg", "old 1");
    std::optional<UploadFile> file = UploadFile::Create(folder.utf8());
    ASSERT_TRUE(file.has_value());
    ASSERT_EQ(WriteResult::kOk, file->Write("new"));
    EXPECT_EQ(c.stored, file->Commit(c.safe_name));
    std::map<std::string, bool> expected{{"x.jpg", false}, {"x (1).jpg", false}};
    if (c.stored) expected[*c.stored] = false;
    EXPECT_EQ(expected, folder.Entries());
    EXPECT_EQ("old", folder.Read("x.jpg"));
    EXPECT_EQ("old 1", folder.Read("x (1).jpg"));
    EXPECT_EQ(c.stored ? "new" : "", folder.Read(c.stored.value_or("-")));
  }
}

TEST(UploadFileTest, BytesArriveWholeWhateverThePieces) {
  const std::vector<std::size_t> patterns[] = {
      {}, {1}, {1, 262143, 1, 262144}, {262144, 262144}, {1000, (1 << 20) + 3, 7}, {3 << 20},
  };
  for (const auto& pieces : patterns) {
    const Folder folder;
    std::optional<UploadFile> file = UploadFile::Create(folder.utf8());
    ASSERT_TRUE(file.has_value());
    std::string sent;
    for (const std::size_t size : pieces) {
      const std::string piece = Bytes(size, static_cast<unsigned>(sent.size()));
      ASSERT_EQ(WriteResult::kOk, file->Write(piece));
      sent += piece;
    }
    ASSERT_EQ(std::optional<std::string>("f.bin"), file->Commit("f.bin"));
    EXPECT_TRUE(folder.Read("f.bin") == sent) << pieces.size() << " pieces, " << sent.size();
  }
}

TEST(UploadFileTest, TheTemporaryFileIsHiddenAndGoesWithAnUncommittedUpload) {
  const Folder folder;
  std::optional<UploadFile> file = UploadFile::Create(folder.utf8());
  ASSERT_TRUE(file.has_value());
  ASSERT_EQ(WriteResult::kOk, file->Write(Bytes(1 << 20, 1)));
  ASSERT_EQ(WriteResult::kOk, file->Flush());
  const std::string temporary = file->temporary_name();
  EXPECT_EQ('.', temporary[0]);
  EXPECT_EQ((std::map<std::string, bool>{{temporary, true}}), folder.Entries());
  UploadFile moved = std::move(*file);
  file.reset();
  EXPECT_EQ(1u, folder.Entries().size()) << "a moved-from upload removes nothing";
  { const UploadFile gone = std::move(moved); }
  EXPECT_TRUE(folder.Entries().empty());
}

TEST(UploadFileTest, TwoUploadsOfOneNameAtOnceKeepBoth) {
  const Folder folder;
  for (int round = 0; round < 20; ++round) {
    const std::string name = "same" + std::to_string(round) + ".bin";
    std::string stored[2];
    std::string sent[2] = {Bytes(300000, round * 2), Bytes(300000, round * 2 + 1)};
    std::thread threads[2];
    for (int t = 0; t < 2; ++t) {
      threads[t] = std::thread([&, t] {
        std::optional<UploadFile> file = UploadFile::Create(folder.utf8());
        if (file && file->Write(sent[t]) == WriteResult::kOk) {
          stored[t] = file->Commit(name).value_or("");
        }
      });
    }
    for (std::thread& thread : threads) thread.join();
    std::vector<std::string> names{stored[0], stored[1]};
    std::sort(names.begin(), names.end());
    const std::string second = "same" + std::to_string(round) + " (1).bin";
    ASSERT_EQ((std::vector<std::string>{second, name}), names);
    EXPECT_TRUE(folder.Read(stored[0]) == sent[0] && folder.Read(stored[1]) == sent[1]);
  }
  EXPECT_EQ(40u, folder.Entries().size());
}

TEST(UploadFileTest, FreeSpaceOfAFolderAndOfNone) {
  const Folder folder;
  EXPECT_GT(UploadFile::FreeSpace(folder.utf8()).value_or(0), 0u);
  EXPECT_EQ(std::nullopt, UploadFile::FreeSpace(folder.utf8() + "/missing"));
  EXPECT_EQ(std::nullopt, UploadFile::Create(folder.utf8() + "/missing"));
}

TEST(UploadFileTest, TheSweepRemovesOnlyOurOwnTemporaryFilesUnwrittenForADay) {
  const std::string ours = ".orvane-0123456789abcdef.part";
  const Folder folder;
  for (const char* inner : {"/.orvane-1111111111111111.part", "/inner"}) {
    fs::create_directory(fs::u8path(folder.utf8() + inner));
  }
  for (const std::string& name : std::vector<std::string>{ours, "inner/" + ours, "photo.part",
                                                          ".orvane-AAAAAAAAAAAAAAAA.part"}) {
    folder.Put(name, "x");
  }
#ifndef _WIN32
  // A link of our name, to a file of the folder: neither goes.
  ASSERT_EQ(0, symlink("photo.part", (folder.utf8() + "/.orvane-2222222222222222.part").c_str()));
#endif
  std::map<std::string, bool> expected = folder.Entries();
  EXPECT_EQ(0, RemoveLeftoverUploads(folder.utf8(), CurrentUnixSeconds() + 3600));
  EXPECT_EQ(expected, folder.Entries());
  expected.erase(ours);
  EXPECT_EQ(1, RemoveLeftoverUploads(folder.utf8(), CurrentUnixSeconds() + 2 * 24 * 3600));
  EXPECT_EQ(expected, folder.Entries());
  EXPECT_EQ("x", folder.Read("inner/" + ours)) << "only the folder itself is swept";
  EXPECT_EQ(0, RemoveLeftoverUploads("", CurrentUnixSeconds()));
}

#ifdef _WIN32
TEST(UploadFileTest, AKilledProgramLeavesNoTemporaryFile) {
  // In the copy of this program that the test starts: killed during an upload.
  if (const char* folder = std::getenv("ORVANE_KILLED_UPLOAD")) {
    std::optional<UploadFile> file = UploadFile::Create(folder);
    EndProcessNow(file && file->Write(Bytes(1 << 20, 7)) == WriteResult::kOk &&
                          file->Flush() == WriteResult::kOk
                      ? 3
                      : 1);
  }
  const Folder folder;
  wchar_t program[MAX_PATH];
  ASSERT_GT(GetModuleFileNameW(nullptr, program, MAX_PATH), 0u);
  ASSERT_EQ(0, _putenv_s("ORVANE_KILLED_UPLOAD", folder.utf8().c_str()));
  const std::wstring quoted = L"\"" + std::wstring(program) + L"\"";
  EXPECT_EQ(3, _wspawnl(_P_WAIT, program, quoted.c_str(), L"--gtest_filter=*AKilled*", nullptr));
  _putenv_s("ORVANE_KILLED_UPLOAD", "");
  EXPECT_TRUE(folder.Entries().empty());
}

TEST(UploadFileTest, ARenameRefusedForAMomentIsTriedAgainAndOneRefusedForGoodLeavesNothing) {
  for (const int refusals : {3, -1}) {  // -1: every time
    SCOPED_TRACE(refusals);
    const Folder folder;
    int attempts = 0;
    upload_sys::SetRenameFaultForTest([&]() -> unsigned long {
      return refusals < 0 || ++attempts <= refusals ? ERROR_SHARING_VIOLATION : 0;
    });
    std::optional<UploadFile> file = UploadFile::Create(folder.utf8());
    const std::optional<std::string> stored = file ? file->Commit("f.bin") : std::nullopt;
    upload_sys::SetRenameFaultForTest(nullptr);
    EXPECT_EQ(refusals < 0 ? std::nullopt : std::optional<std::string>("f.bin"), stored);
    EXPECT_EQ(refusals < 0 ? 0u : 1u, folder.Entries().size()) << "nothing else in the folder";
  }
}

TEST(UploadFileTest, AReceivedFileIsMarkedAsFromTheInternetWhereTheVolumeKeepsStreams) {
  const Folder folder;
  std::optional<UploadFile> file = UploadFile::Create(folder.utf8());
  ASSERT_TRUE(file && file->Write("MZ") == WriteResult::kOk && file->Commit("a.exe"));
  const std::wstring path = fs::u8path(folder.utf8() + "/a.exe").wstring();
  // Kept as a new file is: the archive attribute stays, only hidden goes.
  EXPECT_EQ(static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE),
            GetFileAttributesW(path.c_str()) & (FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN));
  wchar_t volume[MAX_PATH + 1] = {};
  DWORD flags = 0;
  ASSERT_TRUE(GetVolumePathNameW(path.c_str(), volume, MAX_PATH + 1) &&
              GetVolumeInformationW(volume, nullptr, 0, nullptr, nullptr, &flags, nullptr, 0));
  if ((flags & FILE_NAMED_STREAMS) != 0) {
    std::ifstream zone(fs::path(path + L":Zone.Identifier"), std::ios::binary);
    EXPECT_EQ("[ZoneTransfer]\r\nZoneId=3\r\n",
              std::string(std::istreambuf_iterator<char>(zone), {}));
  }
  // Without named streams (Wine's view of a Unix folder), nothing beside it.
  EXPECT_EQ((std::map<std::string, bool>{{"a.exe", false}}), folder.Entries());
}
#endif

#ifndef _WIN32
struct Unmount {
  std::string path;
  ~Unmount() { umount2(path.c_str(), MNT_DETACH); }
};
#endif

TEST(UploadFileTest, AFullDiskIsToldAndLeavesNothing) {
#ifdef _WIN32
  GTEST_SKIP() << "a full disk needs a small file system, which a Windows program cannot mount";
#else
  const Folder folder;
  if (geteuid() != 0 || mount("tmpfs", folder.utf8().c_str(), "tmpfs", 0, "size=256k") != 0) {
    GTEST_SKIP() << "a full disk needs a small tmpfs, which only root can mount";
  }
  const Unmount unmount{folder.utf8()};
  const std::uint64_t free_space = UploadFile::FreeSpace(folder.utf8()).value_or(0);
  EXPECT_TRUE(free_space > 0 && free_space <= 256 * 1024) << free_space;
  std::optional<UploadFile> file = UploadFile::Create(folder.utf8());
  ASSERT_TRUE(file.has_value());
  WriteResult result = WriteResult::kOk;
  for (int i = 0; i < 16 && result == WriteResult::kOk; ++i) result = file->Write(Bytes(65536, i));
  if (result == WriteResult::kOk) result = file->Flush();
  EXPECT_EQ(WriteResult::kDiskFull, result);
  EXPECT_EQ(WriteResult::kDiskFull, file->Write("more"));
  EXPECT_EQ(std::nullopt, file->Commit("big.bin"));
  EXPECT_TRUE(folder.Entries().empty());
#endif
}

#ifndef _WIN32
TEST(UploadFileTest, RenameByLinkNeverReplaces) {
  const Folder folder;
  folder.Put("from", "new");
  folder.Put("taken", "old");
  const int fd = open(folder.utf8().c_str(), O_RDONLY | O_DIRECTORY);
  ASSERT_GE(fd, 0);
  EXPECT_EQ(upload_sys::Outcome::kTaken, upload_sys::RenameByLink(fd, "from", "taken"));
  EXPECT_EQ(upload_sys::Outcome::kDone, upload_sys::RenameByLink(fd, "from", "free"));
  close(fd);
  EXPECT_EQ((std::map<std::string, bool>{{"free", false}, {"taken", false}}), folder.Entries());
  EXPECT_EQ("old", folder.Read("taken"));
  EXPECT_EQ("new", folder.Read("free"));
}
#endif

}  // namespace
}  // namespace orvane::platform
