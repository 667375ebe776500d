// Text between the program's byte strings and the wide strings of the W API.
// The window's fixed captions are GBK bytes (code page 936) and are converted
// from 936 so they read right on every Windows; the port text travels in the
// ANSI code page (CP_ACP) and the site folder in UTF-8, as the service expects.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "platform/win32/wide_text.h"

namespace orvane::ui {

inline constexpr UINT kGbkCodePage = 936;

using platform::WideToBytes;
using platform::Widen;

inline std::wstring FromGbk(std::string_view gbk) { return Widen(gbk, kGbkCodePage); }

// The whole text of a window or control.
std::wstring WindowText(HWND window);

}  // namespace orvane::ui
