// The code page that "ANSI" text is in on this platform.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "base/code_page.h"

namespace orvane::platform {

// Windows: the system's ANSI code page (the tables of 932, 936, 949 and 950;
// lead and trail bytes asked from the system for other double-byte pages).
// POSIX: UTF-8.
CodePage AnsiCodePage();

// ANSI text as UTF-8; nullopt when the bytes are not text of the code page.
// POSIX: the bytes themselves (the ANSI code page is UTF-8 there, and a
// file name may hold any bytes).
[[nodiscard]] std::optional<std::string> AnsiToUtf8(std::string_view ansi);

// UTF-8 text (an uploaded file's name) as the log's text, which is in the
// ANSI code page on Windows and GBK for the headless console (which turns
// GBK into the terminal's UTF-8); a character it cannot hold becomes "?".
[[nodiscard]] std::string Utf8ToLogText(std::string_view utf8);

// The name a Content-Type's charset gives the ANSI code page ("gbk",
// "big5", "shift_jis", "windows-1252", ...); empty for one without a name
// browsers know.
[[nodiscard]] std::string_view AnsiCharsetName();

}  // namespace orvane::platform
