#include "ui/phone_view.h"

#include <algorithm>

#include "http/core/path_map.h"
#include "platform/file.h"

namespace orvane::ui {

PhoneView PhoneSeesAt(const std::string& root, const ServingOptions& options) {
  std::string document(kDefaultDocument);
  std::replace(document.begin(), document.end(), '/', '\\');
  if (platform::FileNameExists(platform::FileName{root, document, true})) {
    return PhoneView::kIndexPage;
  }
  return options.list_folders ? PhoneView::kListing : PhoneView::kNotFound;
}

}  // namespace orvane::ui
