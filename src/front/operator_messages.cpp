#include "front/operator_messages.h"

#include "http/core/text_rules.h"

namespace orvane {

namespace {

// clang-format off
constexpr std::string_view kSocketFailedMessage =  // 系统出问题,不能创建网络套接字!
    "\xCF\xB5\xCD\xB3\xB3\xF6\xCE\xCA\xCC\xE2,\xB2\xBB\xC4\xDC\xB4\xB4\xBD\xA8"
    "\xCD\xF8\xC2\xE7\xCC\xD7\xBD\xD3\xD7\xD6!";
constexpr std::string_view kBindFailedPrefix = "\xB2\xBB\xC4\xDC\xB0\xF3\xB6\xA8";  // 不能绑定
constexpr std::string_view kBindFailedSuffix = "\xB6\xCB\xBF\xDA";                  // 端口
constexpr std::string_view kStartFailedMessage =  // 服务器不能启动!
    "\xB7\xFE\xCE\xF1\xC6\xF7\xB2\xBB\xC4\xDC\xC6\xF4\xB6\xAF!";
// clang-format on

}  // namespace

std::optional<InfoBoxText> StartFailureBox(const StartResult& result) {
  switch (result.outcome) {
    case StartOutcome::kStarted:
      return std::nullopt;
    case StartOutcome::kSocketFailed:
      return InfoBoxText{std::string(kSocketFailedMessage), InfoBoxKind::kError};
    case StartOutcome::kBindFailed: {
      std::string text(kBindFailedPrefix);
      text.append(DecimalText(result.port)).append(kBindFailedSuffix);
      return InfoBoxText{std::move(text), InfoBoxKind::kWarning};
    }
    case StartOutcome::kNoFirstWorker:
      return InfoBoxText{std::string(kStartFailedMessage), InfoBoxKind::kError};
  }
  return std::nullopt;
}

}  // namespace orvane
