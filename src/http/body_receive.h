// The one receive loop: a request's body read as it arrives and handed to a
// sink piece by piece, so a body of any size is never held in memory.
#pragma once

#include <cstdint>

#include "http/core/body_source.h"
#include "http/core/request.h"
#include "http/file_transfer.h"
#include "net/net_socket.h"

namespace orvane {

struct ReceiveLimits {
  // A client that sends nothing for this long has gone.
  int idle_wait_ms = 60000;
  // And one that sends less than min_bytes in any window of this length is
  // too slow to keep a worker for (1 KiB a second over each minute).
  std::int64_t window_ms = 60000;
  std::uint64_t min_bytes = 60 * 1024;
};

enum class Received {
  kWhole,    // every byte the Content-Length announced reached the sink
  kGone,     // the client closed, failed, fell silent, or the stop came
  kTooSlow,  // a window brought fewer bytes than the floor
  kStopped,  // the sink refused a piece
};

// Reads the body of `request`, which FramingOf says is framed by its
// Content-Length: first the bytes that came with the head, then the rest.
// Sends "100 Continue" first when the client asked for it.
[[nodiscard]] Received ReceiveBody(net::NetSocket& client, const ParsedRequest& request,
                                   BodySink& sink, const SendContext& send,
                                   const ReceiveLimits& limits);

}  // namespace orvane
