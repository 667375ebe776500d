// The code page that "ANSI" text is in on this platform.
#pragma once

#include "base/code_page.h"

namespace orvane::platform {

// Windows: the system's ANSI code page (the tables of 932, 936, 949 and 950;
// lead and trail bytes asked from the system for other double-byte pages).
// POSIX: UTF-8.
CodePage AnsiCodePage();

}  // namespace orvane::platform
