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
  // Each lookup is made only when the one before it succeeded.
  const auto exists = [](const MappedPath& path) {
    return platform::FileNameExists(FileNameOf(path));
  };
  const std::optional<MappedPath> mapped =
      request.is_get ? MapRequestPath(request.raw_path, context.site_root, context.ansi, exists)
                     : std::nullopt;
  std::optional<platform::ReadOnlyFile> file;
  if (mapped) file = platform::ReadOnlyFile::OpenRegular(FileNameOf(*mapped));
  std::optional<OpenFileBody> body;
  if (file) body.emplace(*file);
  return AnswerWithFile(client, request, mapped ? &*mapped : nullptr, body ? &*body : nullptr,
                        context);
}

bool AnswerWithFile(net::NetSocket& client, const ParsedRequest& request, const MappedPath* path,
                    FileBody* file, const AnswerContext& context) {
  const FileFacts facts{path, file != nullptr, file ? file->Length() : std::nullopt};
  return SendReply(client, DecideReply(request, facts), file, context.canned, context.send_wait_ms);
}

}  // namespace orvane
