// Where a phone that follows the server's address lands, and the address a
// visitor is given: one answer for the window's QR code and box and for the
// headless server's report. Pure.
#pragma once

#include <string>
#include <string_view>

#include "http/core/serving_options.h"

namespace orvane {

// The path a phone is led to: "/", or, with uploads on and a "/" that is not
// the folder's listing (`root_lists`; the listing holds the upload area),
// the upload page, so the visitor lands where files can be sent.
[[nodiscard]] std::string_view PhoneLandingPath(const ServingOptions& options, bool root_lists);

// `base` ("http://host:port/", the final "/" optional) with `path` (which
// starts with "/") and, while a code is required (`code` not empty), the code
// in its query: "http://host:port/:upload?code=X". An address without a host
// ("http:///") stays as it is: there is nowhere to lead.
[[nodiscard]] std::string VisitorAddress(std::string_view base, std::string_view path,
                                         std::string_view code);

}  // namespace orvane
