// The listing's page and style, from their files beside this one
// (listing.html, listing.css, listing.js), made part of the program by the build.
#pragma once

#include <string_view>

namespace orvane::pages {

std::string_view ListingPage();
std::string_view ListingStyle();
std::string_view ListingScript();

}  // namespace orvane::pages
