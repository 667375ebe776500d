// Text onto the system clipboard.
#pragma once

#include <windows.h>

#include <string>

namespace orvane::ui {

// Replaces the clipboard's content with `text` as Unicode text, on behalf of
// `owner`. False when the clipboard stays busy (another program holds it
// open) or memory runs out; the clipboard is then left as it was.
[[nodiscard]] bool CopyToClipboard(HWND owner, const std::wstring& text);

}  // namespace orvane::ui
