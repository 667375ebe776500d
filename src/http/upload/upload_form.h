// Receiving the files of a browser's upload form: the body is read as a
// stream (the service's receive loop), each file written to a hidden
// temporary file in the upload folder and renamed to a free, safe name once
// it arrived whole. Nothing of a file that did not arrive whole is left
// behind.
#pragma once

#include <cstdint>
#include <string_view>

#include "http/body_receive.h"
#include "http/core/reply.h"
#include "http/core/request.h"
#include "http/file_transfer.h"
#include "http/operator_panel.h"
#include "net/net_socket.h"

namespace orvane {

struct UploadContext {
  std::string_view folder;  // UTF-8, where files are stored
  const SendContext& send;
  OperatorPanel* panel = nullptr;  // one log line per stored file
  std::string_view peer;           // the client's address and port, for that line
  std::uint16_t peer_port = 0;
  ReceiveLimits limits;
};

// Receives the multipart/form-data body of `request` (a POST to the upload
// address) and gives the answer: 200 with the page of what arrived; 431,
// 400 or 411 when the body's end cannot be known (FramingOf); 400 for a body
// that is not a form; 507 when it cannot fit on the disk (checked before
// reading) or the disk fills up; 500 when a file cannot be stored. A client
// that goes away, falls silent or sends too slowly gets nothing (kNothing:
// the connection is cut), and the file under way is dropped.
[[nodiscard]] Reply ReceiveUploadForm(net::NetSocket& client, const ParsedRequest& request,
                                      const UploadContext& context);

}  // namespace orvane
