// What the window hands to the shell and the system: the folder picker, the
// browser, the two information boxes of the menu bar. Window thread only.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace orvane::ui {

// `ChooseSiteFolder`'s picker, owned by `owner`: the chosen folder's path as
// the shell gives it; none when the operator cancels.
[[nodiscard]] std::optional<std::wstring> PickSiteFolder(HWND owner);
// The same picker for the folder uploads go to, under its own prompt.
[[nodiscard]] std::optional<std::wstring> PickUploadFolder(HWND owner);
// The user's Downloads folder (the known folder), where uploads go unless
// the operator chose another; empty when the shell has none.
[[nodiscard]] std::wstring DownloadsFolder();
// `OpenSite`: `address`, unchanged, in the desktop's browser. A failure (an
// empty or edited address) is not reported.
void OpenSite(HWND owner, const std::wstring& address);
// `ShowInstructions` and `ShowAbout`: information boxes; each returns once
// it is closed.
void ShowInstructions();
void ShowAbout();

}  // namespace orvane::ui
