// The part of UploadFile that is the same on every system: the temporary
// name, gathering writes into large pieces, the search for a free name and
// the removal of whatever was not committed.
#include "platform/upload_file.h"

#include <utility>

#include "base/free_name.h"
#include "base/upload_temporary.h"
#include "platform/file.h"
#include "platform/random.h"
#include "platform/unique_resource.h"
#include "platform/upload_file_sys.h"

namespace orvane::platform {

namespace {

// Writes go to the system in pieces of this size (the last one excepted).
constexpr std::size_t kWriteBytes = 256 * 1024;
// How many free names found are tried before giving up: each is lost only
// to a file made there between the look and the rename.
constexpr int kRenameTries = 32;
constexpr int kTemporaryNameTries = 8;

std::optional<std::string> TemporaryName() {
  const std::optional<std::string> random = RandomBytes(8);
  if (!random) return std::nullopt;
  return UploadTemporaryName(*random);
}

// The final name must stay in the folder and be visible.
bool IsPlainName(std::string_view name) {
  return !name.empty() && name[0] != '.' &&
         name.find_first_of(std::string_view("/\\\0", 3)) == std::string_view::npos;
}

}  // namespace

struct UploadFile::Parts {
  upload_sys::FolderHandle folder;
  UniqueResource<FileTraits> file;
  std::string temporary;  // empty once renamed
  std::string pending;    // written, not yet handed to the system
  WriteResult failure = WriteResult::kOk;

  Parts() = default;
  Parts(const Parts&) = delete;
  Parts& operator=(const Parts&) = delete;
  ~Parts() {
    // Closed first: Windows deletes no file that is open without sharing.
    file.reset();
    if (!temporary.empty()) upload_sys::RemoveFile(*folder, temporary);
  }

  WriteResult Send(std::string_view bytes) {
    if (failure == WriteResult::kOk) failure = upload_sys::WriteAll(file.get(), bytes);
    return failure;
  }
};

UploadFile::UploadFile(std::unique_ptr<Parts> parts) : parts_(std::move(parts)) {}
UploadFile::UploadFile(UploadFile&& other) noexcept = default;
UploadFile& UploadFile::operator=(UploadFile&& other) noexcept = default;
UploadFile::~UploadFile() = default;

std::optional<UploadFile> UploadFile::Create(std::string_view folder_utf8) {
  auto parts = std::make_unique<Parts>();
  parts->folder = upload_sys::OpenFolder(folder_utf8);
  if (!parts->folder) return std::nullopt;
  for (int attempt = 0; attempt < kTemporaryNameTries; ++attempt) {
    std::optional<std::string> name = TemporaryName();
    if (!name) return std::nullopt;
    std::intptr_t file = FileTraits::Invalid();
    const upload_sys::Outcome made = upload_sys::CreateNewFile(*parts->folder, *name, file);
    if (made == upload_sys::Outcome::kTaken) continue;
    if (made == upload_sys::Outcome::kFailed) return std::nullopt;
    parts->file.reset(file);
    parts->temporary = std::move(*name);
    parts->pending.reserve(kWriteBytes);
    return UploadFile(std::move(parts));
  }
  return std::nullopt;
}

WriteResult UploadFile::Write(std::string_view bytes) {
  if (!parts_) return WriteResult::kFailed;
  Parts& parts = *parts_;
  if (parts.failure != WriteResult::kOk) return parts.failure;
  if (parts.pending.size() + bytes.size() < kWriteBytes) {
    parts.pending.append(bytes);
    return WriteResult::kOk;
  }
  if (!parts.pending.empty()) {
    const std::size_t top_up = kWriteBytes - parts.pending.size();
    parts.pending.append(bytes.substr(0, top_up));
    bytes.remove_prefix(top_up);
    if (parts.Send(parts.pending) != WriteResult::kOk) return parts.failure;
    parts.pending.clear();
  }
  // Whole pieces straight from the caller's bytes, without a copy.
  const std::size_t whole = bytes.size() - bytes.size() % kWriteBytes;
  if (whole > 0 && parts.Send(bytes.substr(0, whole)) != WriteResult::kOk) return parts.failure;
  parts.pending.assign(bytes.substr(whole));
  return WriteResult::kOk;
}

WriteResult UploadFile::Flush() {
  if (!parts_) return WriteResult::kFailed;
  Parts& parts = *parts_;
  if (!parts.pending.empty() && parts.Send(parts.pending) == WriteResult::kOk) {
    parts.pending.clear();
  }
  return parts.failure;
}

bool UploadFile::SetModifiedTime(std::int64_t unix_ms) {
  return Flush() == WriteResult::kOk && upload_sys::SetModifiedTime(parts_->file.get(), unix_ms);
}

std::optional<std::string> UploadFile::Commit(std::string_view safe_name) {
  if (!parts_) return std::nullopt;
  // Whatever happens below, this object is done with; `parts` removes the
  // temporary file on the way out unless it was renamed.
  const std::unique_ptr<Parts> parts = std::move(parts_);
  if (!IsPlainName(safe_name)) return std::nullopt;
  if (!parts->pending.empty() && parts->Send(parts->pending) != WriteResult::kOk) {
    return std::nullopt;
  }
  if (parts->failure != WriteResult::kOk || !upload_sys::Reveal(parts->file.get()) ||
      !upload_sys::EndWriting(parts->file)) {
    return std::nullopt;
  }
  std::string name(safe_name);
  const auto rename_to = [&](int n) {
    name = FreeNameCandidate(safe_name, n);
    return upload_sys::RenameWithoutReplacing(*parts->folder, parts->file.get(), parts->temporary,
                                              name);
  };
  const auto look = [&](int n) {
    return upload_sys::LookAt(*parts->folder, FreeNameCandidate(safe_name, n));
  };
  // The name itself first; when it is taken, a free number is searched
  // above the highest one known taken, which a file made meanwhile at the
  // number found raises.
  int taken = 0;
  upload_sys::Outcome outcome = rename_to(0);
  for (int tries = 0; outcome == upload_sys::Outcome::kTaken && tries < kRenameTries; ++tries) {
    const std::optional<int> free = FreeNumberAbove(taken, look);
    if (!free) return std::nullopt;
    taken = *free;
    outcome = rename_to(*free);
  }
  if (outcome != upload_sys::Outcome::kDone) return std::nullopt;
  parts->temporary.clear();
  // Where the file was renamed open (Windows), its close can be the first
  // to report that data were lost (a network share); the file keeps its
  // name all the same, as a file once in place is never deleted.
  if (parts->file && !upload_sys::CloseFile(parts->file.release())) return std::nullopt;
  return name;
}

const std::string& UploadFile::temporary_name() const {
  static const std::string kNone;
  return parts_ ? parts_->temporary : kNone;
}

}  // namespace orvane::platform
