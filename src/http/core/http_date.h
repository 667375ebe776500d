// The value of the Date header.
#pragma once

#include <string>

#include "base/utc_time.h"

namespace orvane {

// `FormatHttpDate`: "Sun, 06 Dec 2026 14:05:09 GMT", English names, 24-hour clock.
std::string FormatHttpDate(const UtcTime& time);

}  // namespace orvane
