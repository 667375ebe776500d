// The site folder's real file system, as the resolver asks it.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "http/core/resolve.h"
#include "platform/file.h"

namespace orvane {

// The platform's file name of a mapped path.
platform::FileName FileNameOf(const MappedPath& mapped);

class SiteFiles final : public SiteLookup {
 public:
  std::unique_ptr<BodySource> Open(const MappedPath& path) override;
  Kind KindOf(const MappedPath& path) override;
  std::optional<std::string> AnsiToUtf8(std::string_view ansi) override;
};

}  // namespace orvane
