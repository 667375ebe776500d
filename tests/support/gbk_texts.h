// The GBK texts the server must send or show, typed out once from their
// Chinese words, independently of the code under test. Header-only, so every
// test program (the Win32-only window tests too) can compare against them.
#pragma once

#include <string>

namespace orvane::testing {

// The bodies of the three canned answers.
inline const std::string kLimitBody =  // 连接已经达到上限，请稍后重试
    "\xC1\xAC\xBD\xD3\xD2\xD1\xBE\xAD\xB4\xEF\xB5\xBD\xC9\xCF\xCF\xDE\xA3\xAC\xC7\xEB\xC9\xD4"
    "\xBA\xF3\xD6\xD8\xCA\xD4";
inline const std::string kNotFoundBody =  // 文件不存在
    "\xCE\xC4\xBC\xFE\xB2\xBB\xB4\xE6\xD4\xDA";
inline const std::string kServerErrorBody =  // 服务器内部错误
    "\xB7\xFE\xCE\xF1\xC6\xF7\xC4\xDA\xB2\xBF\xB4\xED\xCE\xF3";

// The start of a connection line in the log.
inline const std::string kClientFrom = "\xBF\xCD\xBB\xA7\xC0\xB4\xD7\xD4:";  // 客户来自:

// The information box's text when the port cannot be bound: 不能绑定<port>端口
inline std::string CannotBindText(int port) {
  return "\xB2\xBB\xC4\xDC\xB0\xF3\xB6\xA8" + std::to_string(port) + "\xB6\xCB\xBF\xDA";
}

}  // namespace orvane::testing
