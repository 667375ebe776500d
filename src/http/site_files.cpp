#include "http/site_files.h"

#include <utility>

#include "platform/codepage.h"

namespace orvane {

namespace {

// An open file of the site folder as a reply's body.
class OpenFileBody final : public BodySource {
 public:
  explicit OpenFileBody(platform::ReadOnlyFile file) : file_(std::move(file)) {}
  [[nodiscard]] std::optional<std::uint64_t> Length() const override { return file_.Length(); }
  bool Seek(std::uint64_t offset) override { return file_.Seek(offset); }
  std::int64_t Read(char* buffer, std::size_t size) override { return file_.Read(buffer, size); }
  [[nodiscard]] std::intptr_t native() const override { return file_.native(); }
  [[nodiscard]] bool in_cloud() const override { return file_.in_cloud(); }
  [[nodiscard]] int first_read_limit_ms() const override { return file_.first_read_limit_ms(); }
  [[nodiscard]] std::optional<std::int64_t> changed_unix_seconds() const override {
    return file_.changed_unix_seconds();
  }

 private:
  platform::ReadOnlyFile file_;
};

}  // namespace

platform::FileName FileNameOf(const MappedPath& mapped) {
  return platform::FileName{mapped.root, mapped.relative, mapped.encoding == NameEncoding::kUtf8};
}

std::unique_ptr<BodySource> SiteFiles::Open(const MappedPath& path) {
  std::optional<platform::ReadOnlyFile> file =
      platform::ReadOnlyFile::OpenRegular(FileNameOf(path));
  if (!file) return nullptr;
  return std::make_unique<OpenFileBody>(std::move(*file));
}

SiteLookup::Kind SiteFiles::KindOf(const MappedPath& path) {
  const platform::FileName name = FileNameOf(path);
  if (platform::FolderExists(name)) return Kind::kFolder;
  // Asked after a failed open: what exists here is not a file that opens.
  return platform::FileNameExists(name) ? Kind::kOther : Kind::kNothing;
}

std::optional<std::string> SiteFiles::AnsiToUtf8(std::string_view ansi) {
  return platform::AnsiToUtf8(ansi);
}

}  // namespace orvane
