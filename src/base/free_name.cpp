#include "base/free_name.h"

namespace orvane {

std::size_t ExtensionStart(std::string_view name) {
  const std::size_t dot = name.rfind('.');
  if (dot == std::string_view::npos || dot == 0 || name.size() - dot > kMaxKeptExtensionBytes) {
    return name.size();
  }
  return dot;
}

std::string_view CutUtf8(std::string_view text, std::size_t size) {
  if (text.size() <= size) return text;
  // Back off the continuation bytes (10xxxxxx) of a character cut in two.
  while (size > 0 && (static_cast<unsigned char>(text[size]) & 0xC0) == 0x80) --size;
  return text.substr(0, size);
}

std::string FreeNameCandidate(std::string_view name, int n) {
  if (n <= 0) return std::string(name);
  const std::string mark = " (" + std::to_string(n) + ")";
  const std::size_t extension_at = ExtensionStart(name);
  const std::string_view extension = name.substr(extension_at);
  const std::size_t fixed = mark.size() + extension.size();
  const std::size_t room = kMaxUploadNameBytes > fixed ? kMaxUploadNameBytes - fixed : 0;
  std::string out(CutUtf8(name.substr(0, extension_at), room));
  out += mark;
  out += extension;
  return out;
}

}  // namespace orvane
