#include "http/connection.h"

#include <utility>

#include "http/core/log_line.h"
#include "http/core/reply.h"
#include "http/file_transfer.h"
#include "platform/clock.h"
#include "platform/file.h"

namespace orvane {

namespace {

platform::FileName FileNameOf(const MappedPath& mapped) {
  return platform::FileName{mapped.root, mapped.relative, mapped.encoding == NameEncoding::kUtf8};
}

// The heading of a folder's page: its path under the site folder with "/"
// separators and a final "/" ("/" for the site folder itself).
std::string ListingPathOf(const MappedPath& folder, const CodePage& ansi) {
  const CodePage cp = folder.encoding == NameEncoding::kUtf8 ? CodePage::Utf8() : ansi;
  const std::string_view relative = folder.relative;
  std::string path;
  path.reserve(relative.size() + 1);
  std::size_t i = 0;
  while (i < relative.size()) {
    const std::size_t len = cp.CharLength(relative, i);
    if (len == 1 && relative[i] == '\\') {
      path.push_back('/');
    } else {
      path.append(relative.substr(i, len));
    }
    i += len;
  }
  path.push_back('/');
  return path;
}

bool SendDecided(net::NetSocket& client, const ParsedRequest& request, FileFacts facts,
                 FileBody* file, const AnswerContext& context) {
  return SendReply(client, DecideReply(request, std::move(facts), context.serving), file,
                   context.canned, context.send_wait_ms);
}

}  // namespace

void LogConnection(const net::NetSocket& client, OperatorPanel& panel) {
  std::string address;
  std::uint16_t port = 0;
  (void)client.PeerAddress(address, port);  // "" and 0 on failure
  panel.AppendConnectionLog(ClientLogLine(address, port));
}

std::string ReadRequest(net::NetSocket& client, std::int64_t deadline_ms) {
  std::string received(kMaxRequestBytes, '\0');
  std::size_t length = 0;
  while (length < kMaxRequestBytes) {
    const std::int64_t left = deadline_ms - platform::MonotonicMillis();
    if (left <= 0) break;
    const long got = client.ReceiveSome(received.data() + length, kMaxRequestBytes - length,
                                        static_cast<int>(left));
    if (got <= 0) break;
    const std::size_t checked = length;
    length += static_cast<std::size_t>(got);
    if (HeaderBlockEnded(std::string_view(received.data(), length), checked)) break;
  }
  received.resize(length);
  return received;
}

std::optional<FolderListing> ReadFolderListing(const platform::FileName& name, std::string path,
                                               std::size_t cap) {
  std::optional<std::vector<platform::FolderEntry>> found = platform::ListFolder(name);
  if (!found) return std::nullopt;
  FolderListing listing;
  listing.path = std::move(path);
  listing.cap = cap;
  listing.entries.reserve(found->size());
  // Files made together share their time: each second is converted once.
  std::int64_t converted_seconds = 0;
  LocalTime converted;
  bool any_converted = false;
  for (platform::FolderEntry& entry : *found) {
    const ListedName kind = ClassifyListedName(entry.name, entry.hidden);
    if (kind == ListedName::kNotWritable) ++listing.not_writable;
    if (kind != ListedName::kListed) continue;
    if (!any_converted || entry.changed_unix_seconds != converted_seconds) {
      converted = platform::LocalTimeFromUnixSeconds(entry.changed_unix_seconds);
      converted_seconds = entry.changed_unix_seconds;
      any_converted = true;
    }
    listing.entries.push_back(
        ListingEntry{std::move(entry.name), entry.is_folder, entry.size, converted});
  }
  return listing;
}

bool AnswerRequest(net::NetSocket& client, const ParsedRequest& request,
                   const AnswerContext& context) {
  // Each lookup is made only when the one before it succeeded.
  const auto exists = [](const MappedPath& path) {
    return platform::FileNameExists(FileNameOf(path));
  };
  const auto folder_exists = [](const MappedPath& path) {
    return platform::FolderExists(FileNameOf(path));
  };
  const bool list_folders = context.serving.list_folders;
  const bool names_folder = list_folders && request.is_get && NamesFolder(request.raw_path);
  FileFacts facts;
  std::optional<MappedPath> mapped;
  if (names_folder) {
    // The folder's index.htm when it has one, else its entries.
    std::optional<MappedFolder> folder =
        MapRequestFolder(request.raw_path, context.site_root, context.ansi, folder_exists);
    if (folder && exists(folder->index)) {
      mapped = std::move(folder->index);
    } else if (folder) {
      mapped = std::move(folder->folder);
      facts.is_folder = true;
      facts.listing = ReadFolderListing(FileNameOf(*mapped), ListingPathOf(*mapped, context.ansi),
                                        context.listing_cap);
    }
  } else if (request.is_get) {
    mapped = MapRequestPath(request.raw_path, context.site_root, context.ansi, exists);
  }
  std::optional<platform::ReadOnlyFile> file;
  if (mapped && !facts.is_folder) {
    file = platform::ReadOnlyFile::OpenRegular(FileNameOf(*mapped));
    // Only what cannot be opened as a file may be a folder to send the
    // client on to; the check costs nothing on the way to a file.
    if (!file && list_folders && !names_folder) {
      facts.is_folder = folder_exists(*mapped);
    }
  }
  std::optional<OpenFileBody> body;
  if (file) body.emplace(*file);
  facts.path = mapped ? &*mapped : nullptr;
  facts.opened = body.has_value();
  facts.size = body ? body->Length() : std::nullopt;
  return SendDecided(client, request, std::move(facts), body ? &*body : nullptr, context);
}

bool AnswerWithFile(net::NetSocket& client, const ParsedRequest& request, const MappedPath* path,
                    FileBody* file, const AnswerContext& context) {
  FileFacts facts;
  facts.path = path;
  facts.opened = file != nullptr;
  facts.size = file ? file->Length() : std::nullopt;
  return SendDecided(client, request, std::move(facts), file, context);
}

}  // namespace orvane
