#include "http/connection.h"

#include "http/core/http_date.h"
#include "http/core/log_line.h"
#include "http/file_transfer.h"
#include "http/core/path_map.h"
#include "http/core/request.h"
#include "platform/clock.h"
#include "platform/file.h"

namespace orvane {

namespace {

platform::FileName FileNameOf(const MappedPath& mapped) {
  return platform::FileName{mapped.root, mapped.relative, mapped.encoding == NameEncoding::kUtf8};
}

std::string CurrentDate() { return FormatHttpDate(platform::CurrentUtcTime()); }

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

bool AnswerRequest(net::NetSocket& client, std::string_view request_text,
                   const AnswerContext& context) {
  if (!IsGetRequest(request_text)) return false;
  const auto exists = [](const MappedPath& mapped) {
    return platform::FileNameExists(FileNameOf(mapped));
  };
  const std::optional<MappedPath> mapped =
      MapRequestPath(request_text, context.site_root, context.ansi, exists);
  if (!mapped) {
    SendCannedResponse(client, context.canned.not_found, context.send_wait_ms);
    return true;
  }
  std::optional<platform::ReadOnlyFile> file =
      platform::ReadOnlyFile::OpenRegular(FileNameOf(*mapped));
  if (!file) {
    SendCannedResponse(client, context.canned.server_error, context.send_wait_ms);
    return true;
  }
  OpenFileBody body(*file);
  return AnswerWithFile(client, request_text, mapped->content_type, body, context);
}

bool AnswerWithFile(net::NetSocket& client, std::string_view request_text,
                    std::string_view content_type, FileBody& file, const AnswerContext& context) {
  const std::optional<std::uint64_t> size = file.Length();
  if (!size) {
    SendCannedResponse(client, context.canned.server_error, context.send_wait_ms);
    return true;
  }
  const std::uint64_t length = *size;
  const RangeDecision range = DecideRange(ParseRangeHeader(request_text), length);
  std::string head;
  std::uint64_t offset = 0;
  std::uint64_t count = length;
  switch (range.kind) {
    case RangeDecision::Kind::kWhole:
      head = FillOkHead(context.canned.ok_header_template, length, CurrentDate(), content_type);
      break;
    case RangeDecision::Kind::kPartial:
      offset = range.first;
      count = range.last - range.first + 1;
      head = BuildPartialHead(CurrentDate(), content_type, range.first, range.last, length);
      break;
    case RangeDecision::Kind::kUnsatisfiable:
      (void)client.SendAll(BuildRangeNotSatisfiable(CurrentDate(), length), context.send_wait_ms);
      return true;
  }
  switch (SendHeadAndFile(client, head, file, offset, count, context.send_wait_ms)) {
    case BodySent::kComplete:
      return true;
    case BodySent::kFileFailedBeforeHead:
      SendCannedResponse(client, context.canned.server_error, context.send_wait_ms);
      return true;
    case BodySent::kCutShort:
      break;
  }
  return false;
}

}  // namespace orvane
