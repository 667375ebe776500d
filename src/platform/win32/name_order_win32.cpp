#include <windows.h>
#include <shlwapi.h>

#include <string>

#include "platform/name_order.h"

namespace orvane::platform {

namespace {

// A UTF-8 name as the NUL-terminated UTF-16 that StrCmpLogicalW compares;
// bytes that are not UTF-8 become U+FFFD. A listing compares each name many
// times, so a usual name is converted on the stack, without an allocation.
class WideName {
 public:
  explicit WideName(std::string_view utf8) {
    // UTF-16 never needs more units than the UTF-8 has bytes.
    wchar_t* out = small_;
    if (utf8.size() >= kSmall) {
      large_.resize(utf8.size() + 1);
      out = large_.data();
    }
    const int length =
        utf8.empty() ? 0
                     : MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()),
                                           out, static_cast<int>(utf8.size()));
    out[length] = L'\0';
    text_ = out;
  }
  WideName(const WideName&) = delete;
  WideName& operator=(const WideName&) = delete;
  [[nodiscard]] const wchar_t* c_str() const { return text_; }

 private:
  static constexpr std::size_t kSmall = 256;
  wchar_t small_[kSmall];
  std::wstring large_;
  const wchar_t* text_ = nullptr;
};

}  // namespace

bool NameLess(std::string_view a, std::string_view b) {
  const int order = StrCmpLogicalW(WideName(a).c_str(), WideName(b).c_str());
  if (order != 0) return order < 0;
  return a < b;
}

}  // namespace orvane::platform
