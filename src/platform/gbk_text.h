// GBK text turned into UTF-8 by the system's converter, for the headless
// server's console. POSIX only: the window shows GBK through the ANSI code
// page and needs no conversion.
#pragma once

#include <string>
#include <string_view>

namespace orvane::platform {

// `gbk` as UTF-8; bytes that are not GBK pass through unchanged. Without a
// converter (the system has no GBK table) the bytes come back as they are.
[[nodiscard]] std::string ConvertGbkToUtf8(std::string_view gbk);

}  // namespace orvane::platform
