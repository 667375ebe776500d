#include "http/core/access_code.h"

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

std::string_view QueryOf(std::string_view raw_path) {
  const std::size_t question = raw_path.find('?');
  return question == std::string_view::npos ? std::string_view() : raw_path.substr(question + 1);
}

bool QueryHasCode(std::string_view raw_path, std::string_view code) {
  bool found = false;
  ForEachPart(QueryOf(raw_path), [&](std::string_view part) {
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
  const std::size_t question = raw_path.find('?');
  std::string_view path = raw_path.substr(0, question);
  // One leading "/" only: "//host" would name another server.
  while (!path.empty() && (path.front() == '/' || path.front() == '\\')) path.remove_prefix(1);
  std::string kept;
  ForEachPart(QueryOf(raw_path), [&](std::string_view part) {
    if (EqualsIgnoreAsciiCase(SplitParameter(part).name, kCodeParameter)) return;
    if (!kept.empty()) kept.push_back('&');
    kept.append(part);
  });
  std::string location = "/" + PercentEncodeUnsafe(path);
  if (!kept.empty()) location += "?" + PercentEncodeUnsafe(kept);
  return location;
}

Admission Admit(const ParsedRequest& request, std::string_view code, std::uint16_t port) {
  Admission admission;
  admission.kind = Admission::Kind::kRefuse;
  const std::string name = CodeCookieName(port);
  if (request.raw_path && QueryHasCode(*request.raw_path, code)) {
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

std::string_view RefusalPage() {
  // 需要访问码 / 这个网址需要访问码。请用手机扫描服务器屏幕上的二维码，
  // 访问码就在二维码的网址里。
  return "<!DOCTYPE html>\n<html lang=\"zh-CN\">\n<head>\n<meta charset=\"utf-8\">\n"
         "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
         "<title>\xE9\x9C\x80\xE8\xA6\x81\xE8\xAE\xBF\xE9\x97\xAE\xE7\xA0\x81</title>\n"
         "<style>:root{color-scheme:light dark}body{margin:0;padding:16px;"
         "font:16px/1.5 system-ui,sans-serif}</style>\n</head>\n<body>\n"
         "<h1>\xE9\x9C\x80\xE8\xA6\x81\xE8\xAE\xBF\xE9\x97\xAE\xE7\xA0\x81</h1>\n"
         "<p>\xE8\xBF\x99\xE4\xB8\xAA\xE7\xBD\x91\xE5\x9D\x80\xE9\x9C\x80\xE8\xA6\x81"
         "\xE8\xAE\xBF\xE9\x97\xAE\xE7\xA0\x81\xE3\x80\x82\xE8\xAF\xB7\xE7\x94\xA8"
         "\xE6\x89\x8B\xE6\x9C\xBA\xE6\x89\xAB\xE6\x8F\x8F\xE6\x9C\x8D\xE5\x8A\xA1"
         "\xE5\x99\xA8\xE5\xB1\x8F\xE5\xB9\x95\xE4\xB8\x8A\xE7\x9A\x84\xE4\xBA\x8C"
         "\xE7\xBB\xB4\xE7\xA0\x81\xEF\xBC\x8C\xE8\xAE\xBF\xE9\x97\xAE\xE7\xA0\x81"
         "\xE5\xB0\xB1\xE5\x9C\xA8\xE4\xBA\x8C\xE7\xBB\xB4\xE7\xA0\x81\xE7\x9A\x84"
         "\xE7\xBD\x91\xE5\x9D\x80\xE9\x87\x8C\xE3\x80\x82</p>\n"
         "<p lang=\"en\">This address needs its access code: scan the QR code on the "
         "server's screen.</p>\n</body>\n</html>\n";
}

std::string AddressWithCode(std::string_view address, std::string_view code) {
  std::string out(address);
  if (out.empty() || out.back() != '/') out.push_back('/');
  out.append("?").append(kCodeParameter).append("=").append(code);
  return out;
}

}  // namespace orvane
