// Receiving the files of a browser's upload form: the body is read as a
// stream, each file written to a hidden temporary file in the upload folder
// and renamed to a free, safe name once it arrived whole. Nothing of a file
// that did not arrive whole is left behind.
#pragma once

#include <cstdint>
#include <string_view>

#include "http/core/request.h"
#include "http/file_transfer.h"
#include "http/operator_panel.h"
#include "net/net_socket.h"

namespace orvane {

// A client that sends nothing for this long has gone.
inline constexpr int kUploadReadWaitMs = 60000;

struct UploadContext {
  std::string_view folder;  // UTF-8, where files are stored
  const SendContext& send;
  OperatorPanel* panel = nullptr;  // one log line per stored file
  std::string_view peer;           // the client's address and port, for that line
  std::uint16_t peer_port = 0;
  int read_wait_ms = kUploadReadWaitMs;
};

// Receives the multipart/form-data body of `request` (a POST to the upload
// address; the bytes after its header block that came with it are
// request.body) and answers it: 200 with the page of what arrived, 411
// without a length (a chunked body), 400 for a body that is not a form,
// 507 when it cannot fit on the disk (checked before reading when the
// length is known) or the disk fills up. Sends "100 Continue" first when the
// client asked for it. A client that goes away, or sends nothing for
// read_wait_ms, ends the request unanswered. True when a whole answer went
// out.
bool ReceiveUpload(net::NetSocket& client, const ParsedRequest& request,
                   const UploadContext& context);

}  // namespace orvane
