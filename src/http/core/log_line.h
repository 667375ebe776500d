// The line the connection log shows for each client.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace orvane {

// "客户来自:" + address + ":" + port (unsigned) + CR LF, in GBK.
std::string ClientLogLine(std::string_view address, std::uint16_t port);

// "拒绝(没有正确的访问码):" + address + ":" + port + CR LF, in GBK: a visitor
// the access code kept out.
std::string RefusedLogLine(std::string_view address, std::uint16_t port);

// "收到文件:" + name + " " + size + " 字节，来自 " + address + ":" + port +
// CR LF, in GBK, for a file an upload stored; `name` is in the log's text
// already (platform::Utf8ToLogText).
std::string StoredFileLogLine(std::string_view name, std::uint64_t size, std::string_view address,
                              std::uint16_t port);

}  // namespace orvane
