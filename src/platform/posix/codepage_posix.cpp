#include "platform/codepage.h"

namespace orvane::platform {

// File names, arguments and terminals are UTF-8 on the systems we run on.
CodePage AnsiCodePage() { return CodePage::Utf8(); }

std::optional<std::string> AnsiToUtf8(std::string_view ansi) { return std::string(ansi); }

std::string_view AnsiCharsetName() { return "utf-8"; }

// Utf8ToLogText is beside the other iconv conversion, in gbk_text_posix.cpp.

}  // namespace orvane::platform
