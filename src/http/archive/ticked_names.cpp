#include "http/archive/ticked_names.h"

#include <optional>
#include <unordered_set>

#include "http/listing/folder_listing.h"

namespace orvane {

namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// One field's key or value decoded; nullopt for a malformed escape.
std::optional<std::string> DecodeFormText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '+') {
      out.push_back(' ');
    } else if (text[i] != '%') {
      out.push_back(text[i]);
    } else {
      if (i + 2 >= text.size()) return std::nullopt;
      const int high = HexValue(text[i + 1]);
      const int low = HexValue(text[i + 2]);
      if (high < 0 || low < 0) return std::nullopt;
      out.push_back(static_cast<char>(high * 16 + low));
      i += 2;
    }
  }
  return out;
}

TickedNames Refuse(TickedRefusal why) { return TickedNames{why, {}}; }

}  // namespace

TickedNames DecodeTickedNames(std::string_view body) {
  if (body.size() > kMaxTickedFormBytes) return Refuse(TickedRefusal::kTooMany);
  TickedNames result;
  std::unordered_set<std::string_view> seen;
  std::size_t start = 0;
  while (start <= body.size()) {
    std::size_t end = body.find('&', start);
    if (end == std::string_view::npos) end = body.size();
    const std::string_view field = body.substr(start, end - start);
    start = end + 1;
    const std::size_t equals = field.find('=');
    const std::optional<std::string> key = DecodeFormText(field.substr(0, equals));
    if (!key) return Refuse(TickedRefusal::kMalformed);
    if (*key != "n") continue;
    std::optional<std::string> name =
        DecodeFormText(equals == std::string_view::npos ? "" : field.substr(equals + 1));
    if (!name) return Refuse(TickedRefusal::kMalformed);
    // A hidden name is syntactically fine: the folder decides whether it is listed.
    if (name->size() > kMaxTickedNameBytes ||
        ClassifyListedName(*name, false) != ListedName::kListed) {
      return Refuse(TickedRefusal::kNotAName);
    }
    if (result.names.size() == kMaxTickedNames) return Refuse(TickedRefusal::kTooMany);
    result.names.push_back(std::move(*name));
  }
  if (result.names.empty()) return Refuse(TickedRefusal::kNothing);
  for (const std::string& name : result.names) {
    if (!seen.insert(name).second) return Refuse(TickedRefusal::kDuplicate);
  }
  return result;
}

}  // namespace orvane
