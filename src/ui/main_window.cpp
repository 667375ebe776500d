#include "ui/main_window.h"

#include <commctrl.h>

#include "http/core/text_rules.h"
#include "platform/codepage.h"
#include "platform/process.h"
#include "ui/address_ids.h"
#include "ui/captions.h"
#include "ui/control_ids.h"
#include "ui/drop_target.h"
#include "ui/port_box.h"
#include "ui/resource_ids.h"
#include "ui/rules/port_entry.h"
#include "ui/shell_actions.h"
#include "ui/timer_ids.h"
#include "ui/win_text.h"

namespace orvane::ui {
namespace {

// The client area at 96 DPI: the settings group (8, 0, 352 x 200) with the
// same margin on the right and below.
constexpr int kClientWidth = 368;
constexpr int kClientHeight = 207;
constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;

constexpr DWORD kShown = WS_VISIBLE;
constexpr DWORD kLabel = kShown | SS_LEFT | SS_CENTERIMAGE;
constexpr DWORD kButton = kShown | WS_TABSTOP | BS_PUSHBUTTON;
constexpr DWORD kLine = kShown | WS_TABSTOP | ES_AUTOHSCROLL;
constexpr DWORD kLog = WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL;
constexpr DWORD kEdge = WS_EX_CLIENTEDGE;

// How long the window's end waits for a firewall check still running (a
// firewall or network service that hangs), as long as for the workers.
constexpr DWORD kFirewallCheckWaitMs = 5000;

struct ControlLayout {
  const wchar_t* window_class;
  std::string_view caption;  // GBK
  DWORD style;
  DWORD ex_style;
  int id;
  int x, y, width, height;  // at 96 DPI
};

// Children of the window itself, placed at the group's coordinates, so
// every notification reaches the window procedure directly. Creation order
// is the tab order; the group comes last, so it lies beneath the controls
// drawn inside it.
// clang-format off
constexpr ControlLayout kControls[] = {
    {L"STATIC", kPortLabel, kLabel, 0, kPortLabelId, 24, 16, 56, 22},
    {L"EDIT", kInitialPortText, kLine | ES_CENTER, kEdge, kPortBoxId, 88, 16, 50, 22},
    {UPDOWN_CLASSW, "", kShown, 0, kPortArrowsId, 139, 16, 16, 22},
    // The default button: Enter in a box presses it.
    {L"BUTTON", kStartCaption, kButton | BS_DEFPUSHBUTTON, 0, kStartButtonId, 160, 16, 55, 22},
    {L"BUTTON", kStopCaption, kButton, 0, kStopButtonId, 224, 16, 55, 22},
    {L"BUTTON", kTrayCaption, kButton, 0, kTrayButtonId, 296, 16, 56, 22},
    {L"STATIC", kSiteFolderLabel, kLabel, 0, kSiteFolderLabelId, 24, 48, 56, 22},
    {L"EDIT", "", kLine, kEdge, kSiteFolderBoxId, 88, 48, 184, 22},
    {L"BUTTON", kBrowseCaption, kButton, 0, kBrowseButtonId, 296, 48, 56, 22},
    {L"STATIC", kAddressLabel, kLabel, 0, kAddressLabelId, 24, 80, 56, 22},
    {L"EDIT", "", kLine, kEdge, kAddressBoxId, 88, 80, 184, 22},
    {L"BUTTON", kOpenSiteCaption, kButton, 0, kOpenSiteButtonId, 296, 80, 56, 22},
    {L"STATIC", kLogLabel, kLabel, 0, kLogLabelId, 24, 136, 48, 24},
    {L"EDIT", "", kShown | kLog | ES_WANTRETURN, kEdge, kConnectionLogBoxId, 88, 112, 256, 72},
    // Collects every request's text but is never shown.
    {L"EDIT", "", kLog, kEdge, kRequestLogBoxId, 88, 112, 256, 32},
    {L"BUTTON", "", kShown | BS_GROUPBOX, 0, kSettingsGroupId, 8, 0, 352, 200},
};
// clang-format on

// The window's outer size when its client area is drawn at `dpi` and its
// title and menu bars at `frame_dpi`.
SIZE WindowFrame(int dpi, int frame_dpi) {
  return FrameSize(MulDiv(kClientWidth, dpi, kBaseDpi), MulDiv(kClientHeight, dpi, kBaseDpi),
                   kWindowStyle, true, frame_dpi);
}

bool IsPushButton(int id) {
  return id == kStartButtonId || id == kStopButtonId || id == kTrayButtonId ||
         id == kBrowseButtonId || id == kOpenSiteButtonId;
}

UniqueIcon LoadAppIcon(HINSTANCE instance, int side) {
  return UniqueIcon(static_cast<HICON>(
      LoadImageW(instance, MAKEINTRESOURCEW(IDI_APP_ICON), IMAGE_ICON, side, side, 0)));
}

}  // namespace

MainWindow::MainWindow(HINSTANCE instance, std::wstring program_folder,
                       const ServingOptions& options)
    : instance_(instance),
      program_folder_(std::move(program_folder)),
      dpi_(SystemDpi()),
      control_(platform::AnsiCodePage(), options),
      settings_(program_folder_),
      options_menu_(control_.server(), choices_),
      address_(control_.server(), control_.ansi()) {}

// While every member is still here to hear WM_DESTROY.
MainWindow::~MainWindow() { DestroyNow(); }

bool MainWindow::Create(int show_command) {
  // The menu bar with its two drop-down menus comes from the resources;
  // the options menu is added beside them.
  UniqueMenu menu_bar(LoadMenuW(instance_, MAKEINTRESOURCEW(IDR_MAIN_MENU)));
  if (!menu_bar || !options_menu_.AddTo(menu_bar.get())) return false;

  // Made at the system DPI; PlaceWindow then sizes and centres it for the
  // DPI of the monitor it landed on.
  const SIZE frame = WindowFrame(dpi_, dpi_);
  const std::wstring title = FromGbk(kProductTitle);
  HWND created =
      CreateThis(0, kMainWindowClass, title.c_str(), kWindowStyle,
                 POINT{CW_USEDEFAULT, CW_USEDEFAULT}, frame, nullptr, menu_bar.get(), instance_);
  if (created == nullptr) return false;
  menu_bar.release();  // destroyed with the window
  options_menu_.ShowChecks();
  PlaceWindow();
  ShowWindow(created, show_command);
  UpdateWindow(created);
  // The keyboard starts in the port box, its text selected for typing over.
  SendMessageW(port_box_, EM_SETSEL, 0, -1);
  focus_.Restore(hwnd(), port_box_);
  return true;
}

// Fixed size around the client area the layout needs, centred in the work
// area of the window's monitor.
void MainWindow::PlaceWindow() {
  const SIZE frame = WindowFrame(dpi_, FrameDpi(hwnd(), dpi_));
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  RECT work{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  if (GetMonitorInfoW(MonitorFromWindow(hwnd(), MONITOR_DEFAULTTOPRIMARY), &monitor)) {
    work = monitor.rcWork;
  }
  const int x = work.left + (work.right - work.left - frame.cx) / 2;
  const int y = work.top + (work.bottom - work.top - frame.cy) / 2;
  SetWindowPos(hwnd(), nullptr, x, y, frame.cx, frame.cy, SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT MainWindow::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_CREATE:
      return OnCreate() ? 0 : -1;
    case WM_COMMAND:
      OnCommand(LOWORD(wparam), HIWORD(wparam));
      return 0;
    case WM_NOTIFY:
      return OnNotify(*reinterpret_cast<const NMHDR*>(lparam));
    case DM_GETDEFID:
      return DefaultButton();
    case WM_ACTIVATE:
      if (OnActivate(wparam)) return 0;
      break;
    case WM_SETFOCUS:
      // The window itself got the focus (restored from the taskbar): pass
      // it on to the control that had it.
      focus_.Restore(hwnd(), port_box_);
      return 0;
    case kGetDpiScaledSizeMessage:
      // Per-monitor v2 only: the frame scales with the client area, but not
      // linearly, so the size for the new DPI is worked out, not scaled.
      *reinterpret_cast<SIZE*>(lparam) =
          WindowFrame(static_cast<int>(wparam), static_cast<int>(wparam));
      return TRUE;
    case WM_DPICHANGED:
      OnDpiChanged(HIWORD(wparam), *reinterpret_cast<const RECT*>(lparam));
      return 0;
    case WM_TIMER:
      OnTimer(wparam);
      return 0;
    case WM_DROPFILES:
      // A folder dragged from Explorer: as if picked with Browse.
      if (const auto folder = TakeDroppedFolder(reinterpret_cast<HDROP>(wparam))) {
        SetSiteFolder(*folder);
      }
      return 0;
    case kTrayNotifyMessage:
      tray_.OnNotify(LOWORD(lparam));
      return 0;
    case kDrainLogsMessage:
      control_.DrainLogs();
      return 0;
    case kAddressesChangedMessage:
      address_.AddressesChanged();
      return 0;
    case kQueryServingOptionsMessage:
      return options_menu_.QueryBits();
    case kSetStartEnabledMessage:
      control_.RunEnded();
      address_.Refresh();
      return 0;
    case kFirewallHelperEndedMessage:
      firewall_.HelperEnded(static_cast<std::uint32_t>(wparam));
      CheckFirewall();  // what the firewall says now
      return 0;
    case WM_CLOSE:
      if (control_.ConfirmExit()) DestroyNow();
      return 0;
    case WM_DESTROY:
      OnDestroy();
      return 0;
    default:
      if (tray_.OnTaskbarCreated(message)) return 0;
      break;
  }
  return DefWindowProcW(hwnd(), message, wparam, lparam);
}

bool MainWindow::OnCreate() {
  dpi_ = WindowDpi(hwnd());
  LoadWindowIcons();
  // The visual styles must be in force before the first control is made.
  ApplySkin();
  CreateControls();
  if (port_box_ == nullptr || address_box_ == nullptr || site_folder_box_ == nullptr) {
    return false;
  }
  address_.Attach(instance_, hwnd(), port_box_, site_folder_box_, address_box_);
  firewall_.Attach(hwnd(), control_.panel());
  AcceptDroppedFolders(hwnd());
  InitMainWindow();
  return true;
}

void MainWindow::InitMainWindow() {
  tray_.Attach(instance_, hwnd());
  SetWindowTextW(site_folder_box_, program_folder_.c_str());
  RestoreSettings();
  address_.ShowServerAddress();
}

void MainWindow::RestoreSettings() {
  std::optional<SettingsKeeper::Loaded> loaded = settings_.Load();
  if (!loaded) return;
  choices_.remember = true;
  const RememberedSettings& kept = loaded->settings;
  SetWindowTextW(port_box_, Widen(DecimalText(kept.port), CP_ACP).c_str());
  if (!kept.site_folder.empty()) {
    SetWindowTextW(site_folder_box_, Widen(kept.site_folder, CP_UTF8).c_str());
  }
  ServingOptions options = control_.server().serving_options();
  for (std::size_t row = 0; row < kOptionCount; ++row) {
    const bool ServingOptions::*field = kOptionRows[row].field;
    if (field != nullptr && kept.options.*field) options = WithOption(options, row, true);
  }
  if (!kept.options.upload_folder.empty()) options.upload_folder = kept.options.upload_folder;
  control_.server().SetServingOptions(OptionsMenu::WithUploadFolder(options));
  if (!loaded->log_line.empty()) control_.Log(std::move(loaded->log_line));
}

RememberedSettings MainWindow::SettingsNow() const {
  RememberedSettings now;
  now.port = SettleServerPort(WideToBytes(WindowText(port_box_), CP_ACP), control_.ansi());
  now.site_folder = WideToBytes(WindowText(site_folder_box_), CP_UTF8);
  now.options = control_.server().serving_options();
  now.options.code.clear();
  return now;
}

void MainWindow::RememberChoices() {
  std::string line = settings_.Follow(choices_.remember, SettingsNow());
  if (!line.empty()) control_.Log(std::move(line));
}

void MainWindow::CheckFirewall() {
  const Server& server = control_.server();
  if (!server.Running()) return;
  firewall_.CheckAfterStart(static_cast<std::uint16_t>(server.server_port()),
                            address_.shown_host());
}

// Every worker ends before the message loop does.
void MainWindow::OnDestroy() {
  RememberChoices();
  address_.Stop();
  tray_.Remove();
  // A check stuck in a system service must not hold the exit: as with the
  // server's workers, the process then ends here.
  if (!firewall_.Stop(kFirewallCheckWaitMs)) platform::EndProcessNow(0);
  control_.ShutdownForExit();
  PostQuitMessage(0);
}

void MainWindow::OnTimer(UINT_PTR id) {
  switch (id) {
    case kDrainTimerId:
      control_.DrainLogs();
      break;
    case kTrayRetryTimerId:
      tray_.Retry();
      break;
    case kAddressRereadTimerId:
      address_.Reread();
      break;
    default:
      break;
  }
}

bool MainWindow::OnActivate(WPARAM wparam) {
  if (LOWORD(wparam) == WA_INACTIVE) {
    focus_.Remember(hwnd());
    return false;
  }
  if (HIWORD(wparam) != 0) return false;  // minimized
  focus_.Restore(hwnd(), port_box_);
  return true;
}

// `ApplySkin`: the program's look comes from the system's visual styles. The
// manifest asks for Common Controls 6; this registers its window classes.
void MainWindow::ApplySkin() {
  INITCOMMONCONTROLSEX controls{};
  controls.dwSize = sizeof controls;
  controls.dwICC = ICC_STANDARD_CLASSES | ICC_UPDOWN_CLASS;
  InitCommonControlsEx(&controls);
  MakeFont();
}

// The system's message font at the window's DPI, for every control.
void MainWindow::MakeFont() {
  UniqueFont font = MessageFont(dpi_);
  if (!font) return;
  for (const ControlLayout& item : kControls) {
    if (HWND control = GetDlgItem(hwnd(), item.id)) {
      SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), TRUE);
    }
  }
  font_ = std::move(font);  // the old font goes once no control uses it
}

void MainWindow::LoadWindowIcons() {
  UniqueIcon large = LoadAppIcon(instance_, IconSide(SM_CXICON, dpi_));
  UniqueIcon small = LoadAppIcon(instance_, IconSide(SM_CXSMICON, dpi_));
  SendMessageW(hwnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(large.get()));
  SendMessageW(hwnd(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small.get()));
  large_icon_ = std::move(large);
  small_icon_ = std::move(small);
}

void MainWindow::CreateControls() {
  for (const ControlLayout& item : kControls) {
    HWND control =
        CreateWindowExW(item.ex_style, item.window_class, FromGbk(item.caption).c_str(),
                        WS_CHILD | WS_CLIPSIBLINGS | WS_GROUP | item.style, Scale(item.x),
                        Scale(item.y), Scale(item.width), Scale(item.height), hwnd(),
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(item.id)), instance_, nullptr);
    if (control != nullptr && font_) {
      SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
    }
  }
  port_box_ = GetDlgItem(hwnd(), kPortBoxId);
  site_folder_box_ = GetDlgItem(hwnd(), kSiteFolderBoxId);
  address_box_ = GetDlgItem(hwnd(), kAddressBoxId);
  HWND connection_log = GetDlgItem(hwnd(), kConnectionLogBoxId);
  HWND request_log = GetDlgItem(hwnd(), kRequestLogBoxId);

  // The boxes' own default limit is 32K characters; the log caps rule instead.
  SendMessageW(connection_log, EM_SETLIMITTEXT, 0, 0);
  SendMessageW(request_log, EM_SETLIMITTEXT, 0, 0);
  LeaveOnTab(connection_log);
  if (port_box_ != nullptr) FilterPortBoxInput(port_box_);
  HWND arrows = GetDlgItem(hwnd(), kPortArrowsId);
  // The arrows keep a mid-range position of their own and never reach an
  // end; each click is turned into a new port text in OnNotify.
  SendMessageW(arrows, UDM_SETRANGE32, 0, 10000);
  SendMessageW(arrows, UDM_SETPOS32, 0, 5000);

  control_.Attach(PanelControls{hwnd(), port_box_, site_folder_box_,
                                GetDlgItem(hwnd(), kStartButtonId), connection_log, request_log});
}

void MainWindow::LayOutControls() {
  for (const ControlLayout& item : kControls) {
    if (HWND control = GetDlgItem(hwnd(), item.id)) {
      SetWindowPos(control, nullptr, Scale(item.x), Scale(item.y), Scale(item.width),
                   Scale(item.height), SWP_NOZORDER | SWP_NOACTIVATE);
    }
  }
}

// The window moved to a monitor of another DPI (or that monitor's scale
// changed): everything is laid out, lettered and pictured anew for it. The
// suggested place is kept, but not its size: under per-monitor v1 the
// system scales the whole frame, though the title and menu bars stay at the
// system DPI.
void MainWindow::OnDpiChanged(int dpi, const RECT& suggested) {
  if (dpi <= 0) return;
  dpi_ = dpi;
  MakeFont();
  LayOutControls();
  LoadWindowIcons();
  const SIZE frame = WindowFrame(dpi_, FrameDpi(hwnd(), dpi_));
  SetWindowPos(hwnd(), nullptr, suggested.left, suggested.top, frame.cx, frame.cy,
               SWP_NOZORDER | SWP_NOACTIVATE);
  InvalidateRect(hwnd(), nullptr, TRUE);
}

// The options, the site folder and the server's state are what the QR
// window's last line depends on: each change of them refreshes it, while a
// keystroke in the folder box does not.
void MainWindow::OnCommand(int id, int code) {
  if (options_menu_.OnCommand(hwnd(), id)) {
    // The address carries the access code, which an option may have made,
    // dropped or renewed.
    address_.ShowServerAddress();
    address_.Refresh();
    RememberChoices();
    return;
  }
  if (address_.OnCommand(id)) return;
  const bool clicked = code == BN_CLICKED;
  switch (id) {
    case kPortBoxId:
      if (code == EN_CHANGE) address_.ShowServerAddress();
      break;
    case kAddressBoxId:
      if (code == EN_CHANGE) address_.AddressEdited();
      break;
    case kStartButtonId:
      // Enter reaches here without the button: a disabled one ignores it.
      if (clicked && IsWindowEnabled(GetDlgItem(hwnd(), kStartButtonId))) {
        control_.Start();
        address_.Refresh();
        CheckFirewall();
        RememberChoices();
      }
      break;
    case kStopButtonId:
      if (clicked) control_.Stop();  // the run's end refreshes (kSetStartEnabledMessage)
      break;
    case kBrowseButtonId:
      if (clicked) {
        if (const auto folder = PickSiteFolder(hwnd())) SetSiteFolder(*folder);
      }
      break;
    case kOpenSiteButtonId:
      if (clicked) OpenSite(hwnd(), WindowText(address_box_));
      break;
    case kTrayButtonId:
      if (clicked) HideToTray();
      break;
    case kInstructionsMenuItemId:
      ShowInstructions();
      break;
    case kAboutMenuItemId:
      ShowAbout();
      break;
    case kAllowFirewallMenuItemId:
      firewall_.AskToAllow();
      break;
    default:
      break;
  }
}

// Asked by IsDialogMessage when Enter is pressed. Without a default it
// sends IDOK, which no control of the window has.
LRESULT MainWindow::DefaultButton() const {
  const int focused = GetDlgCtrlID(GetFocus());
  if (focused == kAddressBoxId) return 0;
  return MAKELRESULT(IsPushButton(focused) ? focused : kStartButtonId, DC_HASDEFID);
}

LRESULT MainWindow::OnNotify(const NMHDR& header) {
  if (header.idFrom == kPortArrowsId && header.code == UDN_DELTAPOS) {
    const auto& change = reinterpret_cast<const NMUPDOWN&>(header);
    StepPort(change.iDelta > 0);
    return TRUE;  // the control's own position stays where it is
  }
  return 0;
}

void MainWindow::StepPort(bool up) {
  const std::string text = WideToBytes(WindowText(port_box_), CP_ACP);
  const std::int64_t value = ArrowStep(text, up ? ArrowDirection::kUp : ArrowDirection::kDown);
  SetWindowTextW(port_box_, Widen(DecimalText(value), CP_ACP).c_str());  // runs EN_CHANGE
  SendMessageW(port_box_, EM_SETSEL, 0, -1);
  SetFocus(port_box_);
}

void MainWindow::SetSiteFolder(const std::wstring& folder) {
  SetWindowTextW(site_folder_box_, folder.c_str());
  address_.Refresh();
  RememberChoices();
}

void MainWindow::HideToTray() {
  address_.CloseQrWindow();
  focus_.Remember(hwnd());
  tray_.Hide();
}

}  // namespace orvane::ui
