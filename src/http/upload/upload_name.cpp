#include "http/upload/upload_name.h"

#include <cstring>

#include "http/core/path_map.h"

namespace orvane {

namespace {

// The length of the well-formed UTF-8 character at `i` (1 to 4) and its
// code point; 0 when the bytes there are not one (a stray continuation byte,
// an overlong form, a surrogate, past U+10FFFF, a sequence cut short).
std::size_t Utf8CharAt(std::string_view text, std::size_t i, char32_t& code) {
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[i + k]); };
  const unsigned char lead = byte(0);
  if (lead < 0x80) {
    code = lead;
    return 1;
  }
  std::size_t length = 0;
  unsigned char low = 0x80;  // the range of the second byte
  unsigned char high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    code = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    code = lead & 0x0F;
    if (lead == 0xE0) low = 0xA0;   // overlong
    if (lead == 0xED) high = 0x9F;  // surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    code = lead & 0x07;
    if (lead == 0xF0) low = 0x90;   // overlong
    if (lead == 0xF4) high = 0x8F;  // past U+10FFFF
  } else {
    return 0;
  }
  if (text.size() - i < length) return 0;
  for (std::size_t k = 1; k < length; ++k) {
    const unsigned char next = byte(k);
    if (next < (k == 1 ? low : 0x80) || next > (k == 1 ? high : 0xBF)) return 0;
    code = (code << 6) | (next & 0x3F);
  }
  return length;
}

bool IsControl(char32_t code) {
  return code < 0x20 || (code >= 0x7F && code < 0xA0) || code == 0x061C || code == 0x200E ||
         code == 0x200F || (code >= 0x202A && code <= 0x202E) || (code >= 0x2066 && code <= 0x2069);
}

void DropFinalDotsAndSpaces(std::string& name) {
  while (!name.empty() && (name.back() == '.' || name.back() == ' ')) name.pop_back();
}

// At most kMaxUploadNameBytes, a short extension kept; no final dot or space
// before or after the cut.
void FitLength(std::string& name) {
  DropFinalDotsAndSpaces(name);
  if (name.size() > kMaxUploadNameBytes) {
    const std::size_t extension_at = ExtensionStart(name);
    const std::string extension = name.substr(extension_at);
    std::string cut(CutUtf8(std::string_view(name).substr(0, extension_at),
                            kMaxUploadNameBytes - extension.size()));
    name = cut + extension;
  }
  DropFinalDotsAndSpaces(name);
}

}  // namespace

std::string SafeUploadName(std::string_view filename) {
  // Browsers send the name alone; an older client's path ends at its last
  // "/". A "\\" is a character of the name, made "_" below like the other
  // characters Windows refuses.
  const std::size_t separator = filename.rfind('/');
  if (separator != std::string_view::npos) filename.remove_prefix(separator + 1);
  std::string name;
  name.reserve(filename.size());
  for (std::size_t i = 0; i < filename.size();) {
    char32_t code = 0;
    const std::size_t length = Utf8CharAt(filename, i, code);
    if (length == 0) {
      name += '_';
      ++i;
      continue;
    }
    const bool refused = IsControl(code) || (code < 0x80 && code != 0 &&
                                             std::strchr("<>:\"/\\|?*", static_cast<int>(code)));
    if (refused) {
      name += '_';
    } else {
      name.append(filename.substr(i, length));
    }
    i += length;
  }
  FitLength(name);
  if (!name.empty() && name[0] == '.') name[0] = '_';
  if (name.empty()) name = "upload";
  if (IsReservedDeviceName(name)) {
    name.insert(0, 1, '_');
    FitLength(name);
  }
  return name;
}

}  // namespace orvane
