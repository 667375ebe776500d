#include "ui/phone_view.h"

#include "http/core/resolve.h"
#include "http/site_files.h"
#include "platform/codepage.h"

namespace orvane::ui {

// The same question the server asks of a request for "/".
PhoneView PhoneSeesAt(const std::string& root, const ServingOptions& options) {
  if (options.uploads && !options.list_folders) return PhoneView::kUploadPage;
  SiteFiles files;
  switch (ResolveRoot(root, platform::AnsiCodePage(), options, files).kind) {
    case Target::Kind::kFolderIndex:
    case Target::Kind::kFile:
      return PhoneView::kIndexPage;
    case Target::Kind::kListing:
      return PhoneView::kListing;
    default:
      return PhoneView::kNotFound;
  }
}

}  // namespace orvane::ui
