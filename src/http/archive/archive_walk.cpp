#include "http/archive/archive_walk.h"

#include <algorithm>
#include <optional>
#include <utility>

#include "http/listing/folder_listing.h"
#include "platform/clock.h"
#include "platform/codepage.h"
#include "platform/file_identity.h"

namespace orvane {

namespace {

// The archive's order: names by their bytes. One function for every sort,
// so the program holds one copy of the sorting code.
bool NameBefore(const platform::FolderEntry& a, const platform::FolderEntry& b) {
  return a.name < b.name;
}

// A folder's entries as its listing shows them, ordered by their names'
// bytes; nullopt when the folder cannot be read whole.
std::optional<std::vector<platform::FolderEntry>> ListedEntries(const platform::FileName& name) {
  std::optional<std::vector<platform::FolderEntry>> found = platform::ListFolder(name);
  if (!found) return std::nullopt;
  found->erase(std::remove_if(found->begin(), found->end(),
                              [](const platform::FolderEntry& entry) {
                                return ClassifyListedName(entry.name, entry.hidden) !=
                                       ListedName::kListed;
                              }),
               found->end());
  std::sort(found->begin(), found->end(), NameBefore);
  return found;
}

// One folder on the way down: its listed entries, the next to take, and
// what the entries under it are named after.
struct Level {
  std::vector<platform::FolderEntry> entries;
  std::size_t next = 0;
  std::string prefix;    // its path in the archive, "" or "a/b/"
  std::string relative;  // its path under the site folder, "" or "\a\b"
  platform::FileIdentity identity;
  std::size_t entries_before = 0;  // how many entries the archive had when it was entered
  std::int64_t changed = 0;
};

class Walker {
 public:
  Walker(ArchiveWalk& walk, std::size_t max_entries) : walk_(walk), max_entries_(max_entries) {}

  // Walks down from the top level; false when the walk ended in a refusal.
  bool Run(Level top) {
    levels_.push_back(std::move(top));
    while (!levels_.empty()) {
      Level& level = levels_.back();
      if (level.next == level.entries.size()) {
        const bool empty = walk_.entries.size() == level.entries_before;
        const bool top_level = levels_.size() == 1;
        if (!top_level && empty && !Add(level.prefix, 0, level.changed)) return false;
        levels_.pop_back();
        continue;
      }
      platform::FolderEntry& entry = level.entries[level.next++];
      std::string name = level.prefix + entry.name;
      if (!entry.is_folder) {
        if (!Add(std::move(name), entry.size, entry.changed_unix_seconds)) return false;
        continue;
      }
      if (!Enter(level, entry, std::move(name))) return false;
    }
    return true;
  }

 private:
  bool Enter(const Level& parent, const platform::FolderEntry& entry, std::string name) {
    Level level;
    level.relative = parent.relative + "\\" + entry.name;
    level.prefix = std::move(name) + "/";
    level.changed = entry.changed_unix_seconds;
    level.entries_before = walk_.entries.size();
    const platform::FileName file_name{walk_.root, level.relative, true};
    const std::optional<platform::FileIdentity> identity = platform::IdentityOf(file_name);
    if (!identity) return Refuse(ArchiveWalk::Outcome::kUnreadable, level.prefix);
    // A link back to a folder on the way down would lead round for ever.
    for (const Level& above : levels_) {
      if (above.identity == *identity) return true;
    }
    level.identity = *identity;
    std::optional<std::vector<platform::FolderEntry>> entries = ListedEntries(file_name);
    if (!entries) return Refuse(ArchiveWalk::Outcome::kUnreadable, level.prefix);
    level.entries = std::move(*entries);
    levels_.push_back(std::move(level));
    return true;
  }

  bool Add(std::string name, std::uint64_t size, std::int64_t changed) {
    if (name.size() > kMaxEntryNameBytes) return Refuse(ArchiveWalk::Outcome::kUnreadable, name);
    if (walk_.entries.size() == max_entries_) return Refuse(ArchiveWalk::Outcome::kTooMany, "");
    // Files made together share their time: each second is converted once.
    if (!any_converted_ || changed != converted_seconds_) {
      converted_ = platform::LocalTimeFromUnixSeconds(changed);
      converted_seconds_ = changed;
      any_converted_ = true;
    }
    // Zones differ from UTC by whole minutes, so the seconds are UTC's.
    const int second = static_cast<int>(((changed % 60) + 60) % 60);
    walk_.entries.push_back(
        ArchiveEntry{std::move(name), size, changed, DosDateTimeOf(converted_, second)});
    return true;
  }

  bool Refuse(ArchiveWalk::Outcome outcome, std::string problem) {
    walk_.outcome = outcome;
    walk_.problem = std::move(problem);
    walk_.entries.clear();
    return false;
  }

  ArchiveWalk& walk_;
  const std::size_t max_entries_;
  std::vector<Level> levels_;
  bool any_converted_ = false;
  std::int64_t converted_seconds_ = 0;
  LocalTime converted_;
};

}  // namespace

ArchiveWalk WalkForArchive(const platform::FileName& folder, const std::vector<std::string>* ticked,
                           std::size_t max_entries) {
  ArchiveWalk walk;
  walk.root = std::string(folder.root);
  // Names found in the folder are UTF-8, so its own path must be too.
  std::optional<std::string> relative = folder.relative_is_utf8
                                            ? std::optional<std::string>(folder.relative)
                                            : platform::AnsiToUtf8(folder.relative);
  const std::optional<platform::FileIdentity> identity = platform::IdentityOf(folder);
  std::optional<std::vector<platform::FolderEntry>> entries =
      relative && identity ? ListedEntries(folder) : std::nullopt;
  if (!entries) {
    walk.outcome = ArchiveWalk::Outcome::kUnreadable;
    return walk;
  }
  walk.folder = std::move(*relative);
  if (ticked != nullptr) {
    std::vector<platform::FolderEntry> chosen;
    for (const std::string& name : *ticked) {
      const auto found = std::lower_bound(entries->begin(), entries->end(), name,
                                          [](const platform::FolderEntry& entry,
                                             const std::string& key) { return entry.name < key; });
      if (found == entries->end() || found->name != name) {
        walk.outcome = ArchiveWalk::Outcome::kNotAnEntry;
        walk.problem = name;
        return walk;
      }
      chosen.push_back(*found);
    }
    std::sort(chosen.begin(), chosen.end(), NameBefore);
    *entries = std::move(chosen);
  }
  Level top;
  top.entries = std::move(*entries);
  top.relative = walk.folder;
  top.identity = *identity;
  Walker walker(walk, max_entries);
  (void)walker.Run(std::move(top));
  return walk;
}

namespace {

class DiskOpener final : public EntryOpener {
 public:
  DiskOpener(std::string root, std::string folder)
      : root_(std::move(root)), folder_(std::move(folder)) {}

  std::unique_ptr<BodySource> Open(const ArchiveEntry& entry) override {
    std::string relative = folder_ + "\\" + entry.name;
    std::replace(relative.begin() + static_cast<std::ptrdiff_t>(folder_.size()), relative.end(),
                 '/', '\\');
    std::optional<platform::ReadOnlyFile> file =
        platform::ReadOnlyFile::OpenRegular(platform::FileName{root_, relative, true});
    if (!file) return nullptr;
    return std::make_unique<OpenFile>(std::move(*file));
  }

 private:
  class OpenFile final : public BodySource {
   public:
    explicit OpenFile(platform::ReadOnlyFile file) : file_(std::move(file)) {}
    [[nodiscard]] std::optional<std::uint64_t> Length() const override { return file_.Length(); }
    bool Seek(std::uint64_t offset) override { return file_.Seek(offset); }
    std::int64_t Read(char* buffer, std::size_t size) override { return file_.Read(buffer, size); }
    [[nodiscard]] std::intptr_t native() const override { return file_.native(); }
    [[nodiscard]] bool in_cloud() const override { return file_.in_cloud(); }

   private:
    platform::ReadOnlyFile file_;
  };

  const std::string root_;
  const std::string folder_;
};

}  // namespace

std::unique_ptr<EntryOpener> DiskEntryOpener(const ArchiveWalk& walk) {
  return std::make_unique<DiskOpener>(walk.root, walk.folder);
}

std::string CachePrefixOf(const ArchiveWalk& walk) { return walk.root + walk.folder; }

}  // namespace orvane
