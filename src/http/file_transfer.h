// Sending answers on a connection: a canned text, or a head and file bytes.
#pragma once

#include <cstdint>
#include <string_view>

#include "net/net_socket.h"
#include "platform/file.h"

namespace orvane {

// The file body goes out in pieces of this size.
inline constexpr std::size_t kFileChunkSize = 8000;

// `SendCannedResponse`: the text with the current date put in, in one send.
// A failed send is not reported: the connection is closed next anyway.
void SendCannedResponse(net::NetSocket& client, std::string_view canned, int send_wait_ms);

// Sends `head`, then `length` bytes of the file from `offset`, read in pieces
// of kFileChunkSize; the first piece goes out together with the head so a
// small answer is one segment. Stops early when a send fails (the client took
// nothing for send_wait_ms, or went away) or the file ends sooner than
// announced; never sends more than `length`. True when all was sent.
bool SendHeadAndFile(net::NetSocket& client, std::string_view head, platform::ReadOnlyFile& file,
                     std::uint64_t offset, std::uint64_t length, int send_wait_ms);

}  // namespace orvane
