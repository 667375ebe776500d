// What a phone that follows the QR code finds at "/": the question behind
// the QR window's last line, asked in one place.
#pragma once

#include <string>

#include "http/core/serving_options.h"

namespace orvane::ui {

enum class PhoneView { kIndexPage, kListing, kNotFound, kUploadPage };

// What "/" of the site folder `root` (UTF-8, settled as the server holds it)
// answers with `options`: the folder's default document when it has one,
// else its listing when that is on, else the 404 text. With uploads on, a
// "/" that is not the listing (which holds the upload area) is passed over:
// the QR code leads to the upload page instead. It asks the file system, so
// it is asked when something changed, never at each keystroke.
[[nodiscard]] PhoneView PhoneSeesAt(const std::string& root, const ServingOptions& options);

}  // namespace orvane::ui
