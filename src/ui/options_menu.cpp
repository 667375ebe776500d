#include "ui/options_menu.h"

#include "front/option_table.h"
#include "ui/captions.h"
#include "ui/control_ids.h"
#include "ui/shell_actions.h"
#include "ui/win_handles.h"
#include "ui/win_text.h"

namespace orvane::ui {

static_assert(kOptionCount <= kMostOptionRows, "two bits per row must fit the query's answer");
static_assert(OptionMenuItemId(kOptionCount - 1) <= kLastOptionMenuItemId,
              "every row needs a command ID of the options menu");

bool OptionsMenu::AddTo(HMENU menu_bar) {
  UniqueMenu menu(CreatePopupMenu());
  if (!menu) return false;
  // The rows of one kind: the serving options, or the window's own.
  const auto add_rows = [&menu](bool serving) {
    for (std::size_t row = 0; row < kOptionCount; ++row) {
      if ((kOptionRows[row].field != nullptr) != serving) continue;
      if (!AppendMenuW(menu.get(), MF_STRING, OptionMenuItemId(row),
                       FromGbk(kOptionRows[row].caption).c_str())) {
        return false;
      }
    }
    return true;
  };
  if (!add_rows(true) || !AppendMenuW(menu.get(), MF_SEPARATOR, 0, nullptr) ||
      !AppendMenuW(menu.get(), MF_STRING, kRenewCodeMenuItemId,
                   FromGbk(kRenewCodeCaption).c_str()) ||
      !AppendMenuW(menu.get(), MF_STRING, kUploadFolderMenuItemId,
                   FromGbk(kUploadFolderCaption).c_str()) ||
      !AppendMenuW(menu.get(), MF_SEPARATOR, 0, nullptr) ||
      !AppendMenuW(menu.get(), MF_STRING, kAllowFirewallMenuItemId,
                   FromGbk(kAllowFirewallCaption).c_str()) ||
      !add_rows(false)) {
    return false;
  }
  if (!AppendMenuW(menu_bar, MF_POPUP, reinterpret_cast<UINT_PTR>(menu.get()),
                   FromGbk(kOptionsMenuCaption).c_str())) {
    return false;
  }
  menu_ = menu.release();  // the bar owns it now
  return true;
}

void OptionsMenu::ShowChecks() {
  const ServingOptions options = server_.serving_options();
  for (std::size_t row = 0; row < kOptionCount; ++row) {
    const bool on = IsOn(options, row);
    CheckMenuItem(menu_, OptionMenuItemId(row), MF_BYCOMMAND | (on ? MF_CHECKED : MF_UNCHECKED));
  }
  // A new code only means something while one is required.
  EnableMenuItem(menu_, kRenewCodeMenuItemId,
                 MF_BYCOMMAND | (options.access_code ? MF_ENABLED : MF_GRAYED));
  ShowUploadFolder(options);
}

bool OptionsMenu::IsOn(const ServingOptions& options, std::size_t row) const {
  const OptionRow& option = kOptionRows[row];
  return option.field != nullptr ? options.*(option.field) : choices_.*(option.choice);
}

void OptionsMenu::ShowUploadFolder(const ServingOptions& options) {
  std::wstring caption = FromGbk(kUploadFolderCaption);
  const std::wstring folder = Widen(WithUploadFolder(options).upload_folder, CP_UTF8);
  if (!folder.empty()) caption += L"\t" + folder;
  ModifyMenuW(menu_, kUploadFolderMenuItemId, MF_BYCOMMAND | MF_STRING, kUploadFolderMenuItemId,
              caption.c_str());
}

ServingOptions OptionsMenu::WithUploadFolder(ServingOptions options) {
  if (options.upload_folder.empty())
    options.upload_folder = WideToBytes(DownloadsFolder(), CP_UTF8);
  return options;
}

bool OptionsMenu::OnCommand(HWND owner, int id) {
  if (id == kRenewCodeMenuItemId) {
    server_.RenewAccessCode();
    return true;
  }
  if (id == kUploadFolderMenuItemId) {
    if (const std::optional<std::wstring> folder = PickUploadFolder(owner)) {
      ServingOptions options = server_.serving_options();
      options.upload_folder = WideToBytes(*folder, CP_UTF8);
      server_.SetServingOptions(options);
      ShowChecks();
    }
    return true;
  }
  if (id < kFirstOptionMenuItemId || id >= OptionMenuItemId(kOptionCount)) return false;
  const auto row = static_cast<std::size_t>(id - kFirstOptionMenuItemId);
  if (kOptionRows[row].field == nullptr) {
    choices_.*(kOptionRows[row].choice) = !(choices_.*(kOptionRows[row].choice));
    ShowChecks();
    return true;
  }
  const ServingOptions options = server_.serving_options();
  server_.SetServingOptions(
      WithUploadFolder(WithOption(options, row, !(options.*(kOptionRows[row].field)))));
  ShowChecks();
  return true;
}

LRESULT OptionsMenu::QueryBits() const {
  const ServingOptions options = server_.serving_options();
  LRESULT bits = 0;
  for (std::size_t row = 0; row < kOptionCount; ++row) {
    const UINT state = GetMenuState(menu_, OptionMenuItemId(row), MF_BYCOMMAND);
    // -1: no such item.
    if (state != static_cast<UINT>(-1) && (state & MF_CHECKED) != 0) bits |= OptionCheckedBit(row);
    if (IsOn(options, row)) bits |= OptionServedBit(row);
  }
  return bits;
}

}  // namespace orvane::ui
