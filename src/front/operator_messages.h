// The information boxes the front ends show the operator, in GBK: the words
// for a start that failed, and the question before closing a running server.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "http/core/settings.h"

namespace orvane {

// Icon and buttons of an information box.
enum class InfoBoxKind {
  kError,     // OK, error icon
  kWarning,   // OK, warning icon
  kQuestion,  // OK and Cancel, question icon
};

enum class InfoBoxAnswer { kOk, kCancel };

// clang-format off
inline constexpr std::string_view kConfirmExitQuestion =  // 服务器正在工作,确定要退出?
    "\xB7\xFE\xCE\xF1\xC6\xF7\xD5\xFD\xD4\xDA\xB9\xA4\xD7\xF7,\xC8\xB7\xB6\xA8\xD2\xAA"
    "\xCD\xCB\xB3\xF6?";
// clang-format on

struct InfoBoxText {
  std::string text;
  InfoBoxKind kind = InfoBoxKind::kError;
};

// The box that tells why a start failed; nullopt when the server started.
std::optional<InfoBoxText> StartFailureBox(const StartResult& result);

}  // namespace orvane
