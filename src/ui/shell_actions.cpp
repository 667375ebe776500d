#include "ui/shell_actions.h"

#include <shellapi.h>
#include <knownfolders.h>
#include <shlobj.h>

#include "ui/captions.h"
#include "ui/win_handles.h"
#include "ui/win_text.h"
#include "ui/window_panel.h"

namespace orvane::ui {

namespace {

std::optional<std::wstring> PickFolder(HWND owner, const std::wstring& prompt) {
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

}  // namespace

std::optional<std::wstring> PickSiteFolder(HWND owner) {
  return PickFolder(owner, FromGbk(kChooseFolderPrompt));
}

std::optional<std::wstring> PickUploadFolder(HWND owner) {
  return PickFolder(owner, FromGbk(kChooseUploadFolderPrompt));
}

std::wstring DownloadsFolder() {
  PWSTR path = nullptr;
  std::wstring folder;
  if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_Downloads, 0, nullptr, &path))) folder = path;
  CoTaskMemFree(path);  // also when the call failed, as the shell asks
  return folder;
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
