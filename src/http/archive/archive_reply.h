// The archives' part of the service: a folder, or the entries ticked on its
// listing, answered as one ZIP made while it is sent.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "http/archive/archive_gate.h"
#include "http/archive/archive_walk.h"
#include "http/archive/crc_cache.h"
#include "http/body_receive.h"
#include "http/core/reply.h"
#include "http/core/request.h"
#include "http/core/resolve.h"
#include "http/file_transfer.h"
#include "http/operator_panel.h"
#include "net/net_socket.h"

namespace orvane {

// What the server keeps for archives from one request to the next: the
// places of the archives sent now, and the CRCs of the files already sent.
struct ArchiveState {
  ArchiveGate gate;
  CrcCache crcs;
  // kMaxArchiveEntries; smaller in a test, whose refusal then needs no
  // folder of 100,001 entries.
  std::size_t entry_cap = kMaxArchiveEntries;
};

struct ArchiveContext {
  ArchiveState& state;
  std::string_view site_root;  // UTF-8: the site folder's own name names "/"'s archive
  const SendContext& send;
  OperatorPanel* panel = nullptr;  // told which file cut an archive short
  ReceiveLimits limits;            // how slowly a form of ticked names may come
  std::int64_t deadline_ms = 0;    // the turn in the gate is waited for up to then (monotonic)
};

// The answer to a kArchive target: for a GET the whole folder, for a POST
// the entries its form ticks (application/x-www-form-urlencoded, "n=NAME"
// each, read before anything else, refused by its Content-Length past
// kMaxTickedFormBytes). 200, 206 for a range (unless If-Range names another
// archive) or 416, application/zip with its exact length, its download
// name, an ETag and Accept-Ranges; the body holds the archive's place in
// the gate until it is sent and says in the log which file cut it short.
// 404 for a ticked name that is not an entry of the folder; 503 with a page
// when the gate stays full until the deadline; a page for more than
// kMaxArchiveEntries entries; 500 for a folder that cannot be read; 400,
// 411, 413 or 431 for a form that cannot be read; nothing (kNothing) when
// the client goes away while it sends the form.
[[nodiscard]] Reply ArchiveReply(net::NetSocket& client, const ParsedRequest& request,
                                 const Target& target, const ArchiveContext& context);

}  // namespace orvane
