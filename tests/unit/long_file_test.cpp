// The file layer on a site folder deep enough that folder and file name
// together pass the 260 characters of MAX_PATH.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <string>

#ifdef _WIN32
#include <windows.h>
#endif

#include "platform/file.h"
#include "platform/process.h"

namespace orvane::platform {
namespace {

namespace fs = std::filesystem;

// Folders past MAX_PATH can only be made in the long form on Windows.
bool MakeFolder(const fs::path& path) {
#ifdef _WIN32
  return CreateDirectoryW((L"\\\\?\\" + path.wstring()).c_str(), nullptr) != 0;
#else
  return fs::create_directory(path);
#endif
}

bool WriteFile(const fs::path& path, const std::string& bytes) {
#ifdef _WIN32
  HANDLE file = CreateFileW((L"\\\\?\\" + path.wstring()).c_str(), GENERIC_WRITE, 0, nullptr,
                            CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const bool ok =
      ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) != 0 &&
      written == bytes.size();
  CloseHandle(file);
  return ok;
#else
  std::ofstream out(path, std::ios::binary);
  out << bytes;
  return static_cast<bool>(out);
#endif
}

TEST(LongFileTest, OpensAFileWhoseFullNamePassesMaxPath) {
  // A name of its own, so test runs that share the machine never meet.
  const fs::path base =
      fs::temp_directory_path() / ("orvane-long-" + std::to_string(std::random_device{}()));
  ASSERT_TRUE(fs::create_directory(base)) << base.string();
  fs::path deep = base;
  for (int level = 0; level < 6; ++level) {
    deep /= std::string(48, static_cast<char>('a' + level));
    ASSERT_TRUE(MakeFolder(deep));
  }
  const std::string body = "deep enough";
  ASSERT_TRUE(WriteFile(deep / "index.htm", body));
  std::string root = deep.u8string();
  for (char& c : root) {
    if (c == '/') c = '\\';
  }
  ASSERT_GT(root.size() + 10, 300u);

  const FileName name{root, "\\index.htm", false};
  EXPECT_TRUE(FileNameExists(name));
  std::optional<ReadOnlyFile> file = ReadOnlyFile::OpenRegular(name);
  ASSERT_TRUE(file.has_value());
  EXPECT_EQ(body.size(), file->Length());
  char buffer[64];
  const std::int64_t got = file->Read(buffer, sizeof buffer);
  EXPECT_EQ(body, std::string(buffer, got > 0 ? static_cast<std::size_t>(got) : 0));
#ifdef _WIN32
  // The name with a trailing dot, which the ordinary form dropped, names the same file.
  EXPECT_TRUE(FileNameExists(FileName{root, "\\index.htm.", false}));
#endif
  EXPECT_FALSE(FileNameExists(FileName{root, "\\missing.htm", false}));
  file.reset();

  std::error_code ignored;
  fs::remove_all(base, ignored);
}

#ifdef _WIN32
TEST(LongFileTest, CriticalErrorBoxesGoOffAndTheErrorModesOtherBitsStay) {
  for (const UINT mode : {0u, 0u + SEM_NOGPFAULTERRORBOX, 0u + SEM_FAILCRITICALERRORS}) {
    SetErrorMode(mode);
    FailCriticalErrorsQuietly();
    EXPECT_EQ(mode | SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, GetErrorMode()) << mode;
  }
}
#endif

}  // namespace
}  // namespace orvane::platform
