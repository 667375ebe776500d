#include "http/connection.h"

#include <optional>
#include <utility>

#include "http/access/access_code.h"
#include "http/access/origin.h"
#include "http/core/cloud_log_line.h"
#include "http/core/log_line.h"
#include "http/core/reply.h"
#include "http/core/resolve.h"
#include "http/file_transfer.h"
#include "http/listing/listing_read.h"
#include "http/site_files.h"
#include "http/upload/resumable.h"
#include "http/thumbnail/thumbnail_serve.h"
#include "http/upload/upload_form.h"
#include "http/upload/upload_page.h"
#include "platform/clock.h"
#include "platform/codepage.h"

namespace orvane {

namespace {

// Who asked, for the lines the operator reads ("" and 0 when unknown).
struct Peer {
  std::string address;
  std::uint16_t port = 0;
};

Peer PeerOf(const net::NetSocket& client) {
  Peer peer;
  (void)client.PeerAddress(peer.address, peer.port);
  return peer;
}

// Who is let in: with the access code on, only a visitor who brings it; a
// request that writes, only from a page of this server.
Admission AdmitRequest(const ParsedRequest& request, const AnswerContext& context) {
  if (!context.serving.access_code) return Admission{};
  return Admit(request, context.serving.code, context.port);
}

// What a feature makes for its own target, before the reply is decided;
// nullopt for the core's targets, which the decision answers by itself.
std::optional<Reply> MadeByFeature(net::NetSocket& client, const ParsedRequest& request,
                                   const Target& target, const AnswerContext& context,
                                   const SendContext& send, const Peer& peer) {
  switch (target.kind) {
    case Target::Kind::kListing: {
      // With uploads on, the listing holds the upload area under its heading.
      const std::string top = context.serving.uploads ? UploadArea() : std::string();
      std::optional<thumbnail::ThumbnailTiles> tiles;
      if (context.thumbnails != nullptr) tiles.emplace(*context.thumbnails);
      std::optional<std::string> page =
          ListingPageOf(target, top, tiles ? &*tiles : nullptr, context.listings,
                        context.listing_deadline_ms, context.listing_cap);
      if (!page) return std::nullopt;
      return PageReply("200 OK", std::move(*page));
    }
    case Target::Kind::kThumbnail:
      if (context.thumbnails == nullptr) return std::nullopt;
      return thumbnail::AnswerThumbnail(request, target, *context.thumbnails,
                                        context.listing_deadline_ms);
    case Target::Kind::kUploadPage:
      return PageReply("200 OK", UploadPage());
    case Target::Kind::kUploadForm:
      return ReceiveUploadForm(client, request,
                               UploadContext{context.serving.upload_folder, send, context.panel,
                                             peer.address, peer.port, context.body_limits});
    case Target::Kind::kResumableOptions:
    case Target::Kind::kResumableCreate:
    case Target::Kind::kResumableOffset:
    case Target::Kind::kResumableAppend:
    case Target::Kind::kResumableEnd:
      if (context.resumable == nullptr) return std::nullopt;
      return AnswerResumable(client, request, target,
                             UploadContext{context.serving.upload_folder, send, context.panel,
                                           peer.address, peer.port, context.body_limits},
                             *context.resumable);
    case Target::Kind::kArchive:
      if (context.archives == nullptr) return std::nullopt;
      return ArchiveReply(client, request, target,
                          ArchiveContext{*context.archives, context.site_root, send, context.panel,
                                         context.body_limits, context.listing_deadline_ms});
    default:
      return std::nullopt;
  }
}

// A visitor the access code kept out, and a file that must first come down
// from the cloud (its first read waits for the provider, so the operator
// sees why the answer is slow).
void LogWhatTheOperatorShouldSee(const Peer& peer, const ParsedRequest& request,
                                 const Admission& admission, const Target& target,
                                 OperatorPanel& panel) {
  if (admission.kind == Admission::Kind::kRefuse) {
    panel.AppendConnectionLog(RefusedLogLine(peer.address, peer.port));
  }
  if (target.file && target.file->in_cloud()) {
    panel.AppendConnectionLog(
        CloudFetchLogLine(request.raw_path.value_or(""), target.file->first_read_limit_ms()));
  }
}

}  // namespace

void LogConnection(const net::NetSocket& client, OperatorPanel& panel) {
  const Peer peer = PeerOf(client);
  panel.AppendConnectionLog(ClientLogLine(peer.address, peer.port));
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

bool AnswerRequest(net::NetSocket& client, const ParsedRequest& request,
                   const AnswerContext& context) {
  const SendContext send{context.canned, context.send_wait_ms, platform::AnsiCharsetName()};
  Admission admission = AdmitRequest(request, context);
  Target target;
  SiteFiles files;
  if (admission.kind == Admission::Kind::kLetIn) {
    target = Resolve(request, context.site_root, context.ansi, context.serving, files);
  }
  if (Writes(target.kind) && !WriteFromThisServer(request)) {
    admission = Refused();
    target = Target{};
  }
  // The peer's address is read only for the lines that need it.
  Peer peer;
  if (admission.kind == Admission::Kind::kRefuse || Writes(target.kind)) peer = PeerOf(client);
  std::optional<Reply> made = MadeByFeature(client, request, target, context, send, peer);
  if (context.panel != nullptr) {
    LogWhatTheOperatorShouldSee(peer, request, admission, target, *context.panel);
  }
  return SendReply(
      client, DecideReply(request, admission, std::move(target), context.serving, std::move(made)),
      send);
}

}  // namespace orvane
