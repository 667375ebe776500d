// A Windows file name, UTF-16 that need not be well formed, as bytes.
#pragma once

#include <string>
#include <string_view>

namespace orvane {

// UTF-16 as UTF-8. An unpaired surrogate is written in the same three-byte
// form a paired one would take (WTF-8): the name stays whole and distinct,
// but fails every UTF-8 check rather than turning into another, valid name.
std::string Utf16NameToUtf8(std::u16string_view name);

}  // namespace orvane
