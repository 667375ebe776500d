#include "http/core/cloud_log_line.h"

namespace orvane {

std::string CloudFetchLogLine(std::string_view path) {
  // 正在从云端下载文件到本机:
  std::string line =
      "\xD5\xFD\xD4\xDA\xB4\xD3\xD4\xC6\xB6\xCB\xCF\xC2\xD4\xD8\xCE\xC4\xBC\xFE\xB5\xBD\xB1\xBE"
      "\xBB\xFA:";
  line.append(path);
  line.append("\r\n");
  return line;
}

}  // namespace orvane
