#include "front/phone_landing.h"

#include "http/access/access_code.h"
#include "http/core/reserved_paths.h"

namespace orvane {

std::string_view PhoneLandingPath(const ServingOptions& options, bool root_lists) {
  return options.uploads && !root_lists ? kUploadPath : std::string_view("/");
}

std::string VisitorAddress(std::string_view base, std::string_view path, std::string_view code) {
  if (base == "http:///") return std::string(base);
  std::string out(base);
  if (!out.empty() && out.back() == '/') out.pop_back();
  out.append(path);
  if (!code.empty()) out.append("?").append(kCodeParameter).append("=").append(code);
  return out;
}

}  // namespace orvane
