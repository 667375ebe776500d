#include "base/long_path.h"

namespace orvane {

namespace {

bool IsDriveLetter(wchar_t c) { return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z'); }

bool EndsInDotOrSpace(std::wstring_view segment) {
  return !segment.empty() && (segment.back() == L'.' || segment.back() == L' ');
}

// The relative part with the last segment's trailing dots and spaces dropped;
// nullopt when a segment is one the confinement would have refused.
std::optional<std::wstring> CleanRelative(std::wstring_view relative) {
  if (relative.empty()) return std::wstring();
  if (relative.front() != L'\\' || relative.find(L'/') != std::wstring_view::npos) {
    return std::nullopt;
  }
  std::wstring out;
  std::wstring_view rest = relative.substr(1);
  for (;;) {
    const std::size_t end = rest.find(L'\\');
    std::wstring_view segment = rest.substr(0, end);
    const bool last = end == std::wstring_view::npos;
    if (segment.empty() || segment == L"." || segment == L"..") return std::nullopt;
    if (last) {
      while (EndsInDotOrSpace(segment)) segment.remove_suffix(1);
      if (segment.empty()) return std::nullopt;
    } else if (EndsInDotOrSpace(segment)) {
      return std::nullopt;
    }
    out.push_back(L'\\');
    out.append(segment);
    if (last) return out;
    rest = rest.substr(end + 1);
  }
}

}  // namespace

std::optional<std::wstring> LongPathForm(std::wstring_view full_root, std::wstring_view relative) {
  const std::optional<std::wstring> clean = CleanRelative(relative);
  if (!clean) return std::nullopt;
  std::wstring prefix;
  std::wstring_view root = full_root;
  if (root.substr(0, 4) == L"\\\\?\\" || root.substr(0, 4) == L"\\\\.\\") {
    // Already a device path: the operator's own choice, taken as it is.
  } else if (root.substr(0, 2) == L"\\\\") {
    if (root.size() < 3) return std::nullopt;
    prefix = L"\\\\?\\UNC\\";
    root.remove_prefix(2);
  } else if (root.size() >= 3 && IsDriveLetter(root[0]) && root[1] == L':' && root[2] == L'\\') {
    prefix = L"\\\\?\\";
  } else {
    return std::nullopt;  // relative to some current folder: not a full path
  }
  std::wstring path = prefix;
  path.append(root);
  // The long form keeps a doubled separator, so the root's own trailing one
  // goes when a relative part follows ("C:\" + "\a.txt").
  if (!clean->empty()) {
    while (!path.empty() && path.back() == L'\\') path.pop_back();
    path.append(*clean);
  }
  return path;
}

}  // namespace orvane
