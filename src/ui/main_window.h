// `MainWindow`: the program's one window, its controls, the event table and
// the window's own handlers. Owns the HTTP service it drives.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "http/server.h"
#include "http/core/text_rules.h"
#include "ui/address_panel.h"
#include "ui/base_window.h"
#include "ui/dpi.h"
#include "ui/keyboard_focus.h"
#include "ui/options_menu.h"
#include "ui/tray_controller.h"
#include "ui/win_handles.h"
#include "ui/server_control.h"

namespace orvane::ui {

class MainWindow : public BaseWindow<MainWindow> {
 public:
  // `program_folder` is the folder of the program file without a trailing
  // backslash; the site folder box starts with it. The server starts out
  // with `options` (from the command line), the options menu checked to
  // match.
  MainWindow(HINSTANCE instance, std::wstring program_folder, ServingOptions options = {});
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
  void ApplySkin();
  void CreateControls();
  void PlaceWindow();
  void LayOutControls();
  void MakeFont();
  void LoadWindowIcons();
  void OnDpiChanged(int dpi, const RECT& suggested);
  void OnCommand(int id, int code);
  LRESULT OnNotify(const NMHDR& header);
  [[nodiscard]] int DefaultButtonId() const;

  // What a phone will find at "/" of the site folder.
  PhoneView PhoneSees();

  void ShowServerAddress();
  // The port the server answers on while it runs; none while it is stopped.
  [[nodiscard]] std::optional<std::int16_t> ServedPort() const;
  // The address box's text for the port being served; none while stopped.
  std::optional<std::wstring> ServedAddress();
  void StepPort(bool up);
  void ChooseSiteFolder();
  void HideToTray();

  [[nodiscard]] int Scale(int pixels) const { return MulDiv(pixels, dpi_, kBaseDpi); }

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
  TrayController tray_;
  FocusMemory focus_;
  AddressPanel address_panel_;  // the address box's menu and QR window

  ServerControl control_;  // the server, and the panel it reaches the window through
  OptionsMenu options_menu_;
};

}  // namespace orvane::ui
