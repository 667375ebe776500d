// The thumbnails' page, from its file beside this one (busy.html), made
// part of the program by the build.
#pragma once

#include <string_view>

namespace orvane::pages {

std::string_view ThumbnailBusyPage();

}  // namespace orvane::pages
