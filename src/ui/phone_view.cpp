#include "ui/phone_view.h"

#include "front/phone_landing.h"
#include "http/core/resolve.h"
#include "http/site_files.h"
#include "platform/codepage.h"

namespace orvane::ui {

// The same question the server asks of a request for "/".
PhoneView PhoneSeesAt(const std::string& root, const ServingOptions& options) {
  SiteFiles files;
  const Target::Kind kind = ResolveRoot(root, platform::AnsiCodePage(), options, files).kind;
  if (PhoneLandingPath(options, kind == Target::Kind::kListing) != "/") {
    return PhoneView::kUploadPage;
  }
  switch (kind) {
    case Target::Kind::kListing:
      return PhoneView::kListing;
    case Target::Kind::kFolderIndex:
    case Target::Kind::kFile:
      return PhoneView::kIndexPage;
    default:
      return PhoneView::kNotFound;
  }
}

}  // namespace orvane::ui
