#include "http/access/access_code.h"

#include "http/access/access_pages.h"
#include "http/core/text_rules.h"
#include "http/core/url_decode.h"

namespace orvane {

namespace {

// A parameter of a query ("a=1&code=X&b"), split at its first "=".
struct Parameter {
  std::string_view name;
  std::string_view value;
};

Parameter SplitParameter(std::string_view part) {
  const std::size_t equals = part.find('=');
  if (equals == std::string_view::npos) return {part, {}};
  return {part.substr(0, equals), part.substr(equals + 1)};
}

// Calls `each` for every "&"-separated part of the query.
template <typename Each>
void ForEachPart(std::string_view query, Each each) {
  while (!query.empty()) {
    const std::size_t amp = query.find('&');
    each(query.substr(0, amp));
    if (amp == std::string_view::npos) break;
    query.remove_prefix(amp + 1);
  }
}

bool QueryHasCode(std::string_view query, std::string_view code) {
  bool found = false;
  ForEachPart(query, [&](std::string_view part) {
    const Parameter p = SplitParameter(part);
    if (EqualsIgnoreAsciiCase(p.name, kCodeParameter) && SameCode(p.value, code)) found = true;
  });
  return found;
}

bool CookieHasCode(const ParsedRequest& request, std::string_view name, std::string_view code) {
  bool found = false;
  for (std::string_view header : request.cookies) {
    while (!header.empty()) {
      const std::size_t semi = header.find(';');
      std::string_view pair = header.substr(0, semi);
      while (!pair.empty() && pair.front() == ' ') pair.remove_prefix(1);
      const Parameter p = SplitParameter(pair);
      if (p.name == name && SameCode(p.value, code)) found = true;
      if (semi == std::string_view::npos) break;
      header.remove_prefix(semi + 1);
    }
  }
  return found;
}

}  // namespace

std::optional<std::string> AccessCodeFrom(std::string_view random) {
  constexpr unsigned kSize = static_cast<unsigned>(kCodeAlphabet.size());
  constexpr unsigned kFair = 256 / kSize * kSize;
  std::string code;
  for (char c : random) {
    const auto b = static_cast<unsigned char>(c);
    if (b >= kFair) continue;
    code.push_back(kCodeAlphabet[b % kSize]);
    if (code.size() == kCodeLength) return code;
  }
  return std::nullopt;
}

std::string CodeCookieName(std::uint16_t port) {
  return "orvane_code_" + UnsignedDecimalText(port);
}

bool SameCode(std::string_view given, std::string_view code) {
  if (code.empty()) return false;
  unsigned difference = given.size() == code.size() ? 0 : 1;
  for (std::size_t i = 0; i < code.size(); ++i) {
    const char g = i < given.size() ? given[i] : '\0';
    const char upper = g >= 'a' && g <= 'z' ? static_cast<char>(g - 'a' + 'A') : g;
    difference |= static_cast<unsigned char>(upper) ^ static_cast<unsigned char>(code[i]);
  }
  return difference == 0;
}

std::string WithoutCode(std::string_view raw_path) {
  const RequestTarget target = SplitTarget(raw_path);
  std::string_view path = target.path;
  // One leading "/" only: "//host" would name another server.
  while (!path.empty() && (path.front() == '/' || path.front() == '\\')) path.remove_prefix(1);
  std::string kept;
  ForEachPart(target.query, [&](std::string_view part) {
    if (EqualsIgnoreAsciiCase(SplitParameter(part).name, kCodeParameter)) return;
    if (!kept.empty()) kept.push_back('&');
    kept.append(part);
  });
  std::string location = "/" + PercentEncodeUnsafe(path);
  if (!kept.empty()) location += "?" + PercentEncodeUnsafe(kept);
  return location;
}

Admission Admit(const ParsedRequest& request, std::string_view code, std::uint16_t port) {
  Admission admission = Refused();
  const std::string name = CodeCookieName(port);
  if (request.raw_path && QueryHasCode(request.target.query, code)) {
    if (!request.is_get) {
      admission.kind = Admission::Kind::kLetIn;
      return admission;
    }
    admission.kind = Admission::Kind::kSendOnWithout;
    admission.location = WithoutCode(*request.raw_path);
    admission.cookie_line =
        "Set-Cookie: " + name + "=" + std::string(code) + "; Path=/; HttpOnly; SameSite=Lax";
    return admission;
  }
  if (CookieHasCode(request, name, code)) admission.kind = Admission::Kind::kLetIn;
  return admission;
}

std::string_view RefusalPage() { return pages::RefusalPage(); }

Admission Refused() {
  Admission admission;
  admission.kind = Admission::Kind::kRefuse;
  admission.refusal_page = RefusalPage();
  return admission;
}

}  // namespace orvane
