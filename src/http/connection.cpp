#include "http/connection.h"

#include <utility>

#include "http/core/access_code.h"
#include "http/core/cloud_log_line.h"
#include "http/core/log_line.h"
#include "http/core/reply.h"
#include "http/core/resolve.h"
#include "http/file_transfer.h"
#include "http/site_files.h"
#include "http/upload.h"
#include "platform/clock.h"
#include "platform/codepage.h"
#include "platform/name_order.h"

namespace orvane {

namespace {

// The page of a folder the resolver found, or nullopt (a 500) when it cannot
// be read whole or its turn does not come before the deadline.
std::optional<std::string> ListingPage(const Target& target, const AnswerContext& context) {
  const ListingTurn turn(context.listings, context.listing_deadline_ms);
  if (!turn.entered()) return std::nullopt;
  std::optional<FolderListing> listing =
      ReadFolderListing(FileNameOf(target.path), target.heading, context.listing_cap);
  if (!listing) return std::nullopt;
  listing->name_less = &platform::NameLess;  // Explorer's order on Windows
  listing->upload_area = context.serving.uploads;
  return RenderFolderListing(std::move(*listing));
}

// A visitor the access code kept out, and a file that must first come down
// from the cloud (its first read waits for the provider, so the operator
// sees why the answer is slow).
void LogWhatTheOperatorShouldSee(std::string_view peer, std::uint16_t peer_port,
                                 const ParsedRequest& request, const Admission& admission,
                                 const Target& target, OperatorPanel& panel) {
  if (admission.kind == Admission::Kind::kRefuse) {
    panel.AppendConnectionLog(RefusedLogLine(peer, peer_port));
  }
  if (target.file && target.file->in_cloud()) {
    panel.AppendConnectionLog(CloudFetchLogLine(request.raw_path.value_or("")));
  }
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

std::optional<FolderListing> ReadFolderListing(const platform::FileName& name, std::string heading,
                                               std::size_t cap) {
  std::optional<std::vector<platform::FolderEntry>> found = platform::ListFolder(name);
  if (!found) return std::nullopt;
  return ListingOf(std::move(*found), std::move(heading), cap);
}

FolderListing ListingOf(std::vector<platform::FolderEntry> found, std::string heading,
                        std::size_t cap) {
  FolderListing listing;
  listing.path = std::move(heading);
  listing.cap = cap;
  listing.entries.reserve(found.size());
  // Files made together share their time: each second is converted once.
  std::int64_t converted_seconds = 0;
  LocalTime converted;
  bool any_converted = false;
  for (platform::FolderEntry& entry : found) {
    const ListedName kind = ClassifyListedName(entry.name, entry.hidden);
    if (kind == ListedName::kNotWritable || kind == ListedName::kRefused) ++listing.left_out;
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
  const SendContext send{context.canned, context.send_wait_ms, platform::AnsiCharsetName()};
  // With the access code on, only a visitor it lets in is resolved at all.
  const Admission admission = context.serving.access_code
                                  ? Admit(request, context.serving.code, context.port)
                                  : Admission{};
  Target target;
  SiteFiles files;
  if (admission.kind == Admission::Kind::kLetIn) {
    target = Resolve(request, context.site_root, context.ansi, context.serving, files);
  }
  // Who asked, for the lines the operator reads ("" and 0 when unknown);
  // only those two lines need it.
  std::string peer;
  std::uint16_t peer_port = 0;
  if (admission.kind == Admission::Kind::kRefuse || target.kind == Target::Kind::kUploadForm) {
    (void)client.PeerAddress(peer, peer_port);
  }
  if (target.kind == Target::Kind::kUploadForm) {
    return ReceiveUpload(
        client, request,
        UploadContext{context.serving.upload_folder, send, context.panel, peer, peer_port});
  }
  std::optional<std::string> page;
  if (target.kind == Target::Kind::kListing) page = ListingPage(target, context);
  if (context.panel != nullptr)
    LogWhatTheOperatorShouldSee(peer, peer_port, request, admission, target, *context.panel);
  return SendReply(
      client, DecideReply(request, admission, std::move(target), context.serving, std::move(page)),
      send);
}

}  // namespace orvane
