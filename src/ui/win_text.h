// Text between the program's byte strings and the wide strings of the W API.
// The window's fixed captions are GBK bytes (code page 936) and are converted
// from 936 so they read right on every Windows; texts the service treats as
// file paths travel in the ANSI code page (CP_ACP), as the service expects.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace orvane::ui {

inline constexpr UINT kGbkCodePage = 936;

std::wstring Widen(std::string_view text, UINT code_page);
// Characters the code page cannot hold become its default character.
std::string Narrow(std::wstring_view text, UINT code_page);

inline std::wstring FromGbk(std::string_view gbk) { return Widen(gbk, kGbkCodePage); }

// The whole text of a window or control.
std::wstring WindowText(HWND window);

}  // namespace orvane::ui
