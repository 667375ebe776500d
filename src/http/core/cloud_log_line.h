// The log line for a file that must first come down from the cloud.
#pragma once

#include <string>
#include <string_view>

namespace orvane {

// "正在从云端下载文件到本机:" (fetching the file from the cloud to this
// machine) + `path`, then " (最长等待 N 秒)" (waits at most N seconds: the
// first read's limit, which grows with the file's size) + CR LF, in GBK: the
// operator sees why the answer waits, and for how long at most.
// `path` is the request path as the request line has it, which is ASCII
// (percent-encoded) or the client's ANSI bytes, so the line stays readable in
// the GBK log.
[[nodiscard]] std::string CloudFetchLogLine(std::string_view path, int wait_ms);

}  // namespace orvane
