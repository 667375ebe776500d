// The request side of one connection: the client log line, reading the
// request and answering it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "http/archive/archive_reply.h"
#include "http/body_receive.h"
#include "http/core/request.h"
#include "http/core/responses.h"
#include "http/core/serving_options.h"
#include "http/core/text_rules.h"
#include "http/listing/folder_listing.h"
#include "http/gate.h"
#include "http/operator_panel.h"
#include "http/upload/resumable_store.h"
#include "http/thumbnail/thumbnail_maker.h"
#include "net/net_socket.h"

namespace orvane {

// `LogConnection`: the client line for this connection ("客户来自::0" when the
// peer's address cannot be had).
void LogConnection(const net::NetSocket& client, OperatorPanel& panel);

// Reads until the header block ends (an empty line), 8191 bytes have come,
// the peer closes, or the monotonic clock reaches `deadline_ms`. Whatever
// arrived by then is the request; empty when nothing did.
std::string ReadRequest(net::NetSocket& client, std::int64_t deadline_ms);

// What answering a request needs; all of it is read-only while it is used
// (but for the gate, which counts).
struct AnswerContext {
  std::string_view site_root;
  const CannedResponses& canned;
  const CodePage& ansi;
  int send_wait_ms;
  const ServingOptions& serving;  // as they stood when the request came
  Gate& listings;
  // A listing waits for its turn in the gate up to this moment (monotonic).
  std::int64_t listing_deadline_ms = 0;
  std::size_t listing_cap = kListingCap;
  // Where a file fetched from the cloud and a visitor refused are told of;
  // none in tests.
  OperatorPanel* panel = nullptr;
  // The port served, which the access code's cookie is named after.
  std::uint16_t port = 0;
  // How slow a request body may come (ServerOptions::body_limits).
  ReceiveLimits body_limits = {};
  // The server's unfinished resumable uploads.
  ResumableStore* resumable = nullptr;
  // The server's one maker of thumbnails (it counts and keeps); none in
  // tests of other features.
  thumbnail::ThumbnailMaker* thumbnails = nullptr;
  // The gate and the CRC cache of archives; none (archives answer 500) in
  // tests that make no server.
  ArchiveState* archives = nullptr;
};

// `AnswerRequest`, one pipeline for every request: who is let in (Admit,
// with the access code on; a request that writes must also come from a
// page of this server), where the request leads (Resolve), what a feature
// makes for its target (a listing's page, an upload received), the one
// decision of the reply (DecideReply) and the one send (SendReply). True
// when a whole answer was sent, so the close must let the client read it;
// false when nothing was sent or a body was cut short (the connection is
// then closed at once).
bool AnswerRequest(net::NetSocket& client, const ParsedRequest& request,
                   const AnswerContext& context);

}  // namespace orvane
