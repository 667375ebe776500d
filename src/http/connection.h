// The request side of one connection: the client log line, reading the
// request and answering it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "http/file_transfer.h"
#include "http/core/reply.h"
#include "http/core/folder_listing.h"
#include "http/core/path_map.h"
#include "http/core/request.h"
#include "http/core/responses.h"
#include "http/core/serving_options.h"
#include "http/core/text_rules.h"
#include "http/operator_panel.h"
#include "net/net_socket.h"
#include "platform/file.h"

namespace orvane {

// `LogConnection`: the client line for this connection ("客户来自::0" when the
// peer's address cannot be had).
void LogConnection(const net::NetSocket& client, OperatorPanel& panel);

// Reads until the header block ends (an empty line), 8191 bytes have come,
// the peer closes, or the monotonic clock reaches `deadline_ms`. Whatever
// arrived by then is the request; empty when nothing did.
std::string ReadRequest(net::NetSocket& client, std::int64_t deadline_ms);

// What answering a request needs; all of it is read-only while it is used.
struct AnswerContext {
  std::string_view site_root;
  const CannedResponses& canned;
  const CodePage& ansi;
  int send_wait_ms;
  ServingOptions serving = {};  // as they stood when the request came
  std::size_t listing_cap = kListingCap;
};

// `AnswerRequest`: looks up the file a GET request names (exists, opens),
// with the folder listing on also the folder it names (its index.htm, else
// its entries), then DecideReply says what answers it and SendReply sends
// that. True when
// a whole answer was sent, so the close must let the client read it; false
// when nothing was sent or a body was cut short (the connection is then
// closed at once).
bool AnswerRequest(net::NetSocket& client, const ParsedRequest& request,
                   const AnswerContext& context);

// AnswerRequest's part once the lookups are done: the file found at `path`
// (null: none) and opened as `file` (null: it could not be). Its size is
// read, the reply decided and sent. A size, seek or first read that fails
// before the head is sent answers 500 instead.
bool AnswerWithFile(net::NetSocket& client, const ParsedRequest& request, const MappedPath* path,
                    FileBody* file, const AnswerContext& context);

// The listing of the folder `name` names, shown under the heading `path`:
// hidden and system entries and names no request can fetch left out, names
// that are not UTF-8 counted; nullopt when the folder cannot be read whole.
std::optional<FolderListing> ReadFolderListing(const platform::FileName& name, std::string path,
                                               std::size_t cap);

}  // namespace orvane
