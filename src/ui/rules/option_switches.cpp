#include "ui/rules/option_switches.h"

#include <algorithm>

namespace orvane::ui {
namespace {

// Only the ASCII letters fold: a switch is plain ASCII, and folding other
// letters would depend on the locale.
wchar_t FoldAscii(wchar_t ch) {
  return ch >= L'A' && ch <= L'Z' ? static_cast<wchar_t>(ch - L'A' + L'a') : ch;
}

bool SameSwitch(std::wstring_view argument, std::wstring_view name) {
  if (argument.size() != name.size() + 1 || argument[0] != L'/') return false;
  argument.remove_prefix(1);
  return std::equal(argument.begin(), argument.end(), name.begin(),
                    [](wchar_t a, wchar_t b) { return FoldAscii(a) == FoldAscii(b); });
}

}  // namespace

bool HasSwitch(const std::vector<std::wstring>& arguments, std::wstring_view name) {
  return std::any_of(arguments.begin(), arguments.end(),
                     [&](const std::wstring& argument) { return SameSwitch(argument, name); });
}

}  // namespace orvane::ui
