#include "http/connection.h"

#include "http/core/log_line.h"
#include "http/core/reply.h"
#include "http/file_transfer.h"
#include "platform/clock.h"
#include "platform/file.h"

namespace orvane {

namespace {

platform::FileName FileNameOf(const MappedPath& mapped) {
  return platform::FileName{mapped.root, mapped.relative, mapped.encoding == NameEncoding::kUtf8};
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

bool AnswerRequest(net::NetSocket& client, const ParsedRequest& request,
                   const AnswerContext& context) {
  FileFacts facts;
  std::optional<MappedPath> mapped;
  if (request.is_get) {
    const auto exists = [](const MappedPath& path) {
      return platform::FileNameExists(FileNameOf(path));
    };
    mapped = MapRequestPath(request.raw_path, context.site_root, context.ansi, exists);
  }
  if (mapped) {
    std::optional<platform::ReadOnlyFile> file =
        platform::ReadOnlyFile::OpenRegular(FileNameOf(*mapped));
    if (file) {
      OpenFileBody body(*file);
      return AnswerWithFile(client, request, *mapped, body, context);
    }
    facts.path = &*mapped;
  }
  return SendReply(client, DecideReply(request, facts), nullptr, context.canned,
                   context.send_wait_ms);
}

bool AnswerWithFile(net::NetSocket& client, const ParsedRequest& request, const MappedPath& path,
                    FileBody& file, const AnswerContext& context) {
  const FileFacts facts{&path, true, file.Length()};
  return SendReply(client, DecideReply(request, facts), &file, context.canned,
                   context.send_wait_ms);
}

}  // namespace orvane
