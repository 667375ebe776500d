// Whether a request that writes (an upload) comes from a page of this
// server. A browser sends the visitor's access-code cookie with a form that
// a page of another site on the same computer (another port, which the
// cookie's SameSite ignores) posts here; that request must not store
// anything. Pure.
#pragma once

#include "http/core/request.h"

namespace orvane {

// True when the request may write: its Origin (or, without one, its Referer)
// is this server as the browser reached it ("http://" and the request's own
// Host, the port 80 written or not), or it names no origin at all (curl, a
// client of its own, which brings no browser's cookie). An opaque origin
// ("null"), another host or port, another scheme, and "Sec-Fetch-Site:
// cross-site" or "same-site" are refused.
[[nodiscard]] bool WriteFromThisServer(const ParsedRequest& request);

}  // namespace orvane
