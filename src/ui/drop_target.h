// Folders dragged onto the main window (from Explorer): WM_DROPFILES.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <optional>
#include <string>

namespace orvane::ui {

// Lets `window` (and the controls in it, which hand drops up to it) take
// drops; an elevated program also takes them from a non-elevated Explorer.
void AcceptDroppedFolders(HWND window);

// The folder a drop gives the site folder box: its first item when that is a
// folder, else the folder that holds it, as the folder picker writes a path
// (no trailing backslash except for a drive's root, "C:\"); a shortcut
// stands for its target. Finishes the drop (DragFinish). Empty when the drop
// holds no item or the item cannot be read. Needs COM on the thread.
[[nodiscard]] std::optional<std::wstring> TakeDroppedFolder(HDROP drop);

}  // namespace orvane::ui
