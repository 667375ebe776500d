// The options menu, 选项(&O), beside the two menus of the resources: one
// check item per row of the options table, the serving options first, then
// the commands, then 允许通过防火墙 and the rows of the window's own (记住这些
// 设置). The server holds the options and the window its own choices; the
// menu only shows them, so it keeps no state of its own. Window thread only.
#pragma once

#include <windows.h>

#include "front/option_table.h"
#include "http/server.h"

namespace orvane::ui {

class OptionsMenu {
 public:
  OptionsMenu(Server& server, WindowChoices& choices) : server_(server), choices_(choices) {}

  // Uploads switched on without a folder go to the user's Downloads folder.
  [[nodiscard]] static ServingOptions WithUploadFolder(ServingOptions options);
  OptionsMenu(const OptionsMenu&) = delete;
  OptionsMenu& operator=(const OptionsMenu&) = delete;

  // Adds the menu to the end of `menu_bar`, which then owns it; false when
  // it could not be made.
  [[nodiscard]] bool AddTo(HMENU menu_bar);
  // The check marks from the server's options and the window's choices.
  void ShowChecks();
  // True when `id` is one of the menu's items: its option is switched for
  // the next request (the server reads them once per request, so no restart
  // is needed), or the window's choice is switched, and its check mark
  // follows; or, for 换一个访问码, the server makes a new access code, and
  // for 上传到的文件夹 the operator picks the folder uploads go to. The
  // firewall item is the window's to handle (false).
  // A picker it opens is owned by `owner`.
  [[nodiscard]] bool OnCommand(HWND owner, int id);
  // The answer to kQueryServingOptionsMessage: for each row, its check mark
  // as the menu has it and the server's own setting (the window's choice
  // for a row of the window's own).
  [[nodiscard]] LRESULT QueryBits() const;

 private:
  // The upload folder item's caption, with the folder.
  void ShowUploadFolder(const ServingOptions& options);

  // Whether `row` is on: the server's option, or the window's choice.
  [[nodiscard]] bool IsOn(const ServingOptions& options, std::size_t row) const;

  Server& server_;
  WindowChoices& choices_;
  HMENU menu_ = nullptr;  // the bar's, destroyed with the window
};

}  // namespace orvane::ui
