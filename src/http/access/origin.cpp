#include "http/access/origin.h"

#include "http/core/text_rules.h"

namespace orvane {

namespace {

// A host and port as a browser writes them, without the default ":80".
std::string_view WithoutDefaultPort(std::string_view authority) {
  constexpr std::string_view kDefault = ":80";
  if (authority.size() > kDefault.size() &&
      authority.substr(authority.size() - kDefault.size()) == kDefault) {
    authority.remove_suffix(kDefault.size());
  }
  return authority;
}

// The host and port of an "http://" address (an Origin, or a Referer up to
// its path); nullopt for any other scheme or an empty host.
std::optional<std::string_view> HttpAuthority(std::string_view address) {
  constexpr std::string_view kScheme = "http://";
  if (address.size() <= kScheme.size() ||
      !EqualsIgnoreAsciiCase(address.substr(0, kScheme.size()), kScheme)) {
    return std::nullopt;
  }
  address.remove_prefix(kScheme.size());
  const std::string_view authority = address.substr(0, address.find_first_of("/?#"));
  if (authority.empty()) return std::nullopt;
  return authority;
}

}  // namespace

bool WriteFromThisServer(const ParsedRequest& request) {
  if (request.fetch_site && (EqualsIgnoreAsciiCase(*request.fetch_site, "cross-site") ||
                             EqualsIgnoreAsciiCase(*request.fetch_site, "same-site"))) {
    return false;
  }
  const std::optional<std::string_view> named = request.origin ? request.origin : request.referer;
  if (!named) return true;
  const std::optional<std::string_view> authority = HttpAuthority(*named);
  if (!authority || !request.host || request.host->empty()) return false;
  return EqualsIgnoreAsciiCase(WithoutDefaultPort(*authority), WithoutDefaultPort(*request.host));
}

}  // namespace orvane
