#include "http/body_receive.h"

#include <algorithm>
#include <string>

#include "http/core/rate_floor.h"
#include "platform/clock.h"

namespace orvane {

namespace {

// What a piece of the body is read into.
constexpr std::size_t kReadPiece = 256 * 1024;

}  // namespace

Received ReceiveBody(net::NetSocket& client, const ParsedRequest& request, BodySink& sink,
                     const SendContext& send, const ReceiveLimits& limits) {
  std::uint64_t left = request.content_length.value_or(0);
  if (request.expects_continue && left > 0 && !SendContinue(client, send)) return Received::kGone;
  std::int64_t heard_ms = platform::MonotonicMillis();
  RateFloor floor(heard_ms, limits.window_ms, limits.min_bytes);
  // What came with the head first, then the rest as it arrives.
  std::string_view piece = request.body.substr(0, left);
  std::string buffer;
  for (;;) {
    left -= piece.size();
    if (!piece.empty() && !sink.Take(piece)) return Received::kStopped;
    if (left == 0) return Received::kWhole;
    // No larger than the body needs: a small one costs no 256 KiB to clear.
    if (buffer.empty())
      buffer.resize(static_cast<std::size_t>(std::min<std::uint64_t>(left, kReadPiece)));
    const std::size_t want = left < buffer.size() ? static_cast<std::size_t>(left) : buffer.size();
    // Each wait ends at the silence limit or at the end of the rate window,
    // whichever comes first, so a slow drip is judged when its window ends.
    const std::int64_t now = platform::MonotonicMillis();
    const std::int64_t silence_left = heard_ms + limits.idle_wait_ms - now;
    const std::int64_t wait = std::min(silence_left, floor.WaitLeft(now));
    const long got =
        client.ReceiveSome(buffer.data(), want, static_cast<int>(std::max<std::int64_t>(wait, 1)));
    const std::int64_t after = platform::MonotonicMillis();
    if (got == 0 || (got < 0 && got != net::NetSocket::kReceiveTimedOut)) return Received::kGone;
    const std::uint64_t arrived = got > 0 ? static_cast<std::uint64_t>(got) : 0;
    if (!floor.Arrived(arrived, after)) return Received::kTooSlow;
    if (arrived == 0) {
      if (after - heard_ms >= limits.idle_wait_ms) return Received::kGone;
      piece = {};
      continue;
    }
    heard_ms = after;
    piece = std::string_view(buffer.data(), static_cast<std::size_t>(got));
  }
}

}  // namespace orvane
