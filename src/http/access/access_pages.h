// The access code's page, from its file beside this one (refusal.html),
// made part of the program by the build.
#pragma once

#include <string_view>

namespace orvane::pages {

std::string_view RefusalPage();

}  // namespace orvane::pages
