// The upload pages' files beside this one (upload_area.html, .css, .js and
// upload_page.html), made part of the program by the build.
#pragma once

#include <string_view>

namespace orvane::pages {

std::string_view UploadAreaHtml();
std::string_view UploadAreaStyle();
std::string_view UploadAreaScript();
std::string_view UploadPageHtml();

}  // namespace orvane::pages
