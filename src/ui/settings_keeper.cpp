#include "ui/settings_keeper.h"

#include <windows.h>
#include <shlobj.h>

#include "http/core/text_rules.h"
#include "platform/win32/win32_handle.h"
#include "ui/win_text.h"

namespace orvane::ui {
namespace {

constexpr wchar_t kFileName[] = L"\\OrvaneServer.ini";

// clang-format off
// 选项→记住这些设置：设置保存在 PATH，下次启动时读取。
constexpr std::string_view kKeptIn =
    "\xD1\xA1\xCF\xEE\xA1\xFA\xBC\xC7\xD7\xA1\xD5\xE2\xD0\xA9\xC9\xE8\xD6\xC3\xA3\xBA"
    "\xC9\xE8\xD6\xC3\xB1\xA3\xB4\xE6\xD4\xDA ";
constexpr std::string_view kReadNextStart =
    "\xA3\xAC\xCF\xC2\xB4\xCE\xC6\xF4\xB6\xAF\xCA\xB1\xB6\xC1\xC8\xA1\xA1\xA3";
// 不再记住设置：已删除 PATH。
constexpr std::string_view kForgotten =
    "\xB2\xBB\xD4\xD9\xBC\xC7\xD7\xA1\xC9\xE8\xD6\xC3\xA3\xBA\xD2\xD1\xC9\xBE\xB3\xFD ";
constexpr std::string_view kFullStop = "\xA1\xA3";  // 。
// 无法保存记住的设置：PATH 和 PATH 都不能写入（错误 N）。
constexpr std::string_view kNotSaved =
    "\xCE\xDE\xB7\xA8\xB1\xA3\xB4\xE6\xBC\xC7\xD7\xA1\xB5\xC4\xC9\xE8\xD6\xC3\xA3\xBA";
constexpr std::string_view kAnd = " \xBA\xCD ";
constexpr std::string_view kNeitherWritten =
    " \xB6\xBC\xB2\xBB\xC4\xDC\xD0\xB4\xC8\xEB\xA3\xA8\xB4\xED\xCE\xF3 ";
constexpr std::string_view kClosingStop = "\xA3\xA9\xA1\xA3";  // ）。
// 无法读取记住的设置（PATH），已改用默认值（错误 N）。
constexpr std::string_view kNotRead =
    "\xCE\xDE\xB7\xA8\xB6\xC1\xC8\xA1\xBC\xC7\xD7\xA1\xB5\xC4\xC9\xE8\xD6\xC3\xA3\xA8";
constexpr std::string_view kDefaultsInstead =
    "\xA3\xA9\xA3\xAC\xD2\xD1\xB8\xC4\xD3\xC3\xC4\xAC\xC8\xCF\xD6\xB5\xA3\xA8\xB4\xED"
    "\xCE\xF3 ";
// clang-format on

std::string Gbk(const std::wstring& path) { return WideToBytes(path, kGbkCodePage); }

std::wstring RoamingFolder() {
  PWSTR found = nullptr;
  std::wstring folder;
  if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_RoamingAppData, 0, nullptr, &found))) {
    folder = std::wstring(found) + L"\\OrvaneServer";
  }
  CoTaskMemFree(found);
  return folder;
}

// When the file was last written; none when it is not there.
std::optional<ULONGLONG> WrittenAt(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (path.empty() || !GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data) ||
      (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    return std::nullopt;
  }
  return (static_cast<ULONGLONG>(data.ftLastWriteTime.dwHighDateTime) << 32) |
         data.ftLastWriteTime.dwLowDateTime;
}

// At most `limit` bytes of a disk file; none, with the error, when it
// cannot be read.
std::optional<std::string> ReadAtMost(const std::wstring& path, std::size_t limit, DWORD& error) {
  platform::UniqueFileHandle file(CreateFileW(
      path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file || GetFileType(file.get()) != FILE_TYPE_DISK) {
    error = GetLastError();
    return std::nullopt;
  }
  std::string bytes(limit, '\0');
  std::size_t got = 0;
  while (got < limit) {
    DWORD read = 0;
    if (!ReadFile(file.get(), bytes.data() + got, static_cast<DWORD>(limit - got), &read,
                  nullptr)) {
      error = GetLastError();
      return std::nullopt;
    }
    if (read == 0) break;
    got += read;
  }
  bytes.resize(got);
  return bytes;
}

// `text` as the whole file `path`, or the file as it was: a temporary file
// beside it takes the bytes and is renamed over it only once complete.
bool WriteWhole(const std::wstring& path, const std::string& text, DWORD& error) {
  const std::wstring temporary =
      path + L"." + Widen(UnsignedDecimalText(GetCurrentProcessId()), CP_ACP) + L".tmp";
  bool whole = false;
  {
    platform::UniqueFileHandle file(CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr,
                                                CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
      error = GetLastError();
      return false;
    }
    DWORD written = 0;
    whole =
        WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
        written == text.size() && FlushFileBuffers(file.get());
    if (!whole) error = GetLastError();
  }
  if (whole && MoveFileExW(temporary.c_str(), path.c_str(),
                           MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    return true;
  }
  if (whole) error = GetLastError();
  DeleteFileW(temporary.c_str());
  return false;
}

bool IsFolder(const std::string& utf8_path) {
  const DWORD attributes = GetFileAttributesW(Widen(utf8_path, CP_UTF8).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

}  // namespace

SettingsKeeper::SettingsKeeper(std::wstring program_folder)
    : beside_(std::move(program_folder) + kFileName), roaming_folder_(RoamingFolder()) {}

std::optional<SettingsKeeper::Loaded> SettingsKeeper::Load() {
  const std::wstring roaming = roaming_folder_.empty() ? L"" : roaming_folder_ + kFileName;
  const std::optional<ULONGLONG> beside_at = WrittenAt(beside_);
  const std::optional<ULONGLONG> roaming_at = WrittenAt(roaming);
  if (!beside_at && !roaming_at) return std::nullopt;
  const std::wstring& path =
      !roaming_at || (beside_at && *beside_at >= *roaming_at) ? beside_ : roaming;
  remembering_ = true;
  Loaded loaded;
  DWORD error = 0;
  // One byte past the bound, so that a longer file is known to be one.
  const std::optional<std::string> bytes = ReadAtMost(path, kMostSettingsBytes + 1, error);
  if (!bytes) {
    loaded.log_line.append(kNotRead).append(Gbk(path)).append(kDefaultsInstead);
    loaded.log_line.append(UnsignedDecimalText(error)).append(kClosingStop).append("\r\n");
    return loaded;
  }
  const SettingsReading reading = ReadSettingsFile(*bytes, IsFolder);
  held_ = *bytes;
  loaded.settings = reading.settings;
  loaded.log_line = SettingsProblemsLine(reading, Gbk(path));
  return loaded;
}

std::string SettingsKeeper::Follow(bool remember, const RememberedSettings& now) {
  if (!remember) {
    if (!remembering_) return {};
    remembering_ = false;
    held_.clear();
    failed_ = false;
    DeleteFiles();
    return std::string(kForgotten).append(Gbk(beside_)).append(kFullStop).append("\r\n");
  }
  const bool switched_on = !remembering_;
  remembering_ = true;
  const std::string text = SettingsFileText(now);
  if (text == held_) return {};
  DWORD error = 0;
  const std::wstring written = WriteSomewhere(text, error);
  if (written.empty()) {
    if (failed_) return {};
    failed_ = true;
    std::string line(kNotSaved);
    line.append(Gbk(beside_)).append(kAnd).append(Gbk(roaming_folder_ + kFileName));
    return line.append(kNeitherWritten).append(UnsignedDecimalText(error)).append(kClosingStop) +
           "\r\n";
  }
  held_ = text;
  failed_ = false;
  if (!switched_on) return {};
  return std::string(kKeptIn).append(Gbk(written)).append(kReadNextStart).append("\r\n");
}

std::wstring SettingsKeeper::WriteSomewhere(const std::string& text, unsigned long& error) {
  const std::wstring roaming = roaming_folder_.empty() ? L"" : roaming_folder_ + kFileName;
  if (WriteWhole(beside_, text, error)) {
    // A file left in the roaming folder while this one could not be
    // written is older: it goes, so that only one place holds settings.
    if (!roaming.empty()) DeleteFileW(roaming.c_str());
    if (!roaming_folder_.empty()) RemoveDirectoryW(roaming_folder_.c_str());
    return beside_;
  }
  if (roaming.empty()) return {};
  // Made only when needed; a folder that is there already is fine.
  CreateDirectoryW(roaming_folder_.c_str(), nullptr);
  return WriteWhole(roaming, text, error) ? roaming : std::wstring();
}

// Only files of this name, in the two places this keeper writes; the
// roaming folder goes too when that leaves it empty.
void SettingsKeeper::DeleteFiles() {
  DeleteFileW(beside_.c_str());
  if (roaming_folder_.empty()) return;
  DeleteFileW((roaming_folder_ + kFileName).c_str());
  RemoveDirectoryW(roaming_folder_.c_str());
}

}  // namespace orvane::ui
