// `MainWindow`: the program's one window. It is the form (its controls,
// their layout and fonts at the window's DPI, the keyboard's way through
// them) and the event table that hands each message to the part whose job
// it is: the server's control, the options menu, the address presenter, the
// tray controller, the shell actions, the remembered settings and the
// firewall's advice.
#pragma once

#include <windows.h>

#include <string>

#include "front/option_table.h"
#include "front/settings_file.h"
#include "http/core/serving_options.h"
#include "ui/address_presenter.h"
#include "ui/base_window.h"
#include "ui/dpi.h"
#include "ui/firewall_advisor.h"
#include "ui/keyboard_focus.h"
#include "ui/options_menu.h"
#include "ui/server_control.h"
#include "ui/settings_keeper.h"
#include "ui/tray_controller.h"
#include "ui/win_handles.h"

namespace orvane::ui {

class MainWindow : public BaseWindow<MainWindow> {
 public:
  // `program_folder` is the folder of the program file without a trailing
  // backslash; the site folder box starts with it. The server starts out
  // with `options` (from the command line), the options menu checked to
  // match, unless settings remembered in a file say otherwise (an option
  // either turns on stays on).
  MainWindow(HINSTANCE instance, std::wstring program_folder, const ServingOptions& options = {});
  ~MainWindow();
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;

  // Creates the window centred on the screen, runs InitMainWindow from its
  // created event and shows it. False when the window could not be made.
  [[nodiscard]] bool Create(int show_command);
  // The window, for the message loop's dialog keys; nullptr once destroyed.
  [[nodiscard]] HWND handle() const { return hwnd(); }

 private:
  friend class BaseWindow<MainWindow>;
  LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam);

  bool OnCreate();
  void InitMainWindow();
  void OnDestroy();
  void OnCommand(int id, int code);
  LRESULT OnNotify(const NMHDR& header);
  void OnTimer(UINT_PTR id);
  // WM_ACTIVATE: true when it is handled (the focus given back).
  bool OnActivate(WPARAM wparam);
  void OnDpiChanged(int dpi, const RECT& suggested);

  // The form.
  void ApplySkin();
  void CreateControls();
  void PlaceWindow();
  void LayOutControls();
  void MakeFont();
  void LoadWindowIcons();
  // DM_GETDEFID's answer: Enter presses the focused button, or Start from
  // the port and folder boxes; the address box has no default.
  [[nodiscard]] LRESULT DefaultButton() const;
  void StepPort(bool up);
  [[nodiscard]] int Scale(int pixels) const { return MulDiv(pixels, dpi_, kBaseDpi); }

  // The site folder box gets `folder` (from Browse or a drop).
  void SetSiteFolder(const std::wstring& folder);
  void HideToTray();

  // The remembered settings put into the boxes and the server at the start.
  void RestoreSettings();
  // What 记住这些设置 keeps: the boxes as a start would settle them and the
  // server's options.
  [[nodiscard]] RememberedSettings SettingsNow() const;
  // After a change the operator made: the file follows (only while
  // 记住这些设置 is on), or goes when it was just switched off.
  void RememberChoices();
  // The firewall's verdict for the port being served.
  void CheckFirewall();

  HINSTANCE instance_;
  const std::wstring program_folder_;

  // Window thread only.
  int dpi_ = 96;  // the window's DPI, which changes with its monitor
  HWND port_box_ = nullptr;
  HWND address_box_ = nullptr;
  HWND site_folder_box_ = nullptr;
  UniqueFont font_;
  UniqueIcon large_icon_;  // the window's own, at its DPI
  UniqueIcon small_icon_;
  FocusMemory focus_;
  ServerControl control_;  // the server, and the panel it reaches the window through
  // After the control, so that its checks end before the panel they log to.
  FirewallAdvisor firewall_;
  WindowChoices choices_;  // the options menu's rows of the window's own
  SettingsKeeper settings_;
  OptionsMenu options_menu_;
  AddressPresenter address_;
  TrayController tray_;
};

}  // namespace orvane::ui
