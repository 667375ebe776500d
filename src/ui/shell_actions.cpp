#include "ui/shell_actions.h"

#include <shellapi.h>
#include <shlobj.h>

#include "ui/captions.h"
#include "ui/win_handles.h"
#include "ui/win_text.h"
#include "ui/window_panel.h"

namespace orvane::ui {

std::optional<std::wstring> PickSiteFolder(HWND owner) {
  const std::wstring prompt = FromGbk(kChooseFolderPrompt);
  BROWSEINFOW browse{};
  browse.hwndOwner = owner;
  browse.lpszTitle = prompt.c_str();
  browse.ulFlags = BIF_RETURNONLYFSDIRS;
  const UniqueItemIdList chosen(SHBrowseForFolderW(&browse));
  if (!chosen) return std::nullopt;
  wchar_t path[MAX_PATH] = {};
  if (!SHGetPathFromIDListW(chosen.get(), path)) return std::nullopt;
  return std::wstring(path);
}

void OpenSite(HWND owner, const std::wstring& address) {
  ShellExecuteW(owner, L"open", address.c_str(), L"", L"", SW_SHOW);
}

void ShowInstructions() { ShowInformation(kInstructionsText, MB_OK); }

void ShowAbout() {
  std::string text(kProductTitle);
  text.append("\r\n").append(kAboutContactLine);
  ShowInformation(text, MB_OK);
}

}  // namespace orvane::ui
