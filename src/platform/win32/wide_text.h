// Byte strings to and from the UTF-16 of the W API, in a given code page.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

namespace orvane::platform {

std::wstring Widen(std::string_view text, UINT code_page);
// The same, but nullopt when the bytes are not valid text of the code page.
std::optional<std::wstring> WidenExactly(std::string_view text, UINT code_page);
// Characters the code page cannot hold become its default character.
std::string WideToBytes(std::wstring_view text, UINT code_page);

}  // namespace orvane::platform
