#include "base/free_name.h"

#include <cstdint>

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

std::optional<int> FreeNumberAbove(int taken, const std::function<NameLook(int)>& look) {
  // taken+1, taken+2, taken+4, ...: `taken` becomes the last one found taken.
  const int base = taken;
  int free = 0;
  for (std::int64_t step = 1;; step *= 2) {
    if (taken >= kMaxNameNumber) return std::nullopt;
    const int n = step > kMaxNameNumber - base ? kMaxNameNumber : base + static_cast<int>(step);
    const NameLook found = look(n);
    if (found == NameLook::kFailed) return std::nullopt;
    if (found == NameLook::kFree) {
      free = n;
      break;
    }
    taken = n;
  }
  // Between a taken and a free number: halve the gap.
  while (free - taken > 1) {
    const int middle = taken + (free - taken) / 2;
    const NameLook found = look(middle);
    if (found == NameLook::kFailed) return std::nullopt;
    (found == NameLook::kFree ? free : taken) = middle;
  }
  return free;
}

}  // namespace orvane
