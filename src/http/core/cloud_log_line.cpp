#include "http/core/cloud_log_line.h"

#include <algorithm>
#include <string>

namespace orvane {

std::string CloudFetchLogLine(std::string_view path, int wait_ms) {
  // 正在从云端下载文件到本机:
  std::string line =
      "\xD5\xFD\xD4\xDA\xB4\xD3\xD4\xC6\xB6\xCB\xCF\xC2\xD4\xD8\xCE\xC4\xBC\xFE\xB5\xBD\xB1\xBE"
      "\xBB\xFA:";
  line.append(path);
  // (最长等待 N 秒), rounded up to whole seconds
  line.append(" (\xD7\xEE\xB3\xA4\xB5\xC8\xB4\xFD ");
  line.append(std::to_string((std::max(wait_ms, 0) + 999) / 1000));
  line.append(" \xC3\xEB)\r\n");
  return line;
}

}  // namespace orvane
