#include "ui/main_window.h"

#include <commctrl.h>
#include <shellapi.h>
#include <shlobj.h>

#include "platform/codepage.h"
#include "ui/address_text.h"
#include "ui/captions.h"
#include "ui/control_ids.h"
#include "ui/local_address.h"
#include "ui/port_entry.h"
#include "ui/resource_ids.h"
#include "ui/win_text.h"

namespace orvane::ui {
namespace {

// The client area at 96 DPI: the settings group (8, 0, 352 x 200) with the
// same margin on the right and below.
constexpr int kClientWidth = 368;
constexpr int kClientHeight = 207;
constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
// A safety net for the log queue should a drain message ever be lost.
constexpr UINT_PTR kDrainTimerId = 1;
constexpr UINT kDrainTimerMs = 500;

int SystemDpi() {
  const UniqueScreenDc screen(GetDC(nullptr));
  const int dpi = screen ? GetDeviceCaps(screen.get(), LOGPIXELSY) : 96;
  return dpi > 0 ? dpi : 96;
}

}  // namespace

MainWindow::MainWindow(HINSTANCE instance, std::wstring program_folder)
    : instance_(instance),
      program_folder_(std::move(program_folder)),
      ansi_(platform::AnsiCodePage()),
      dpi_(SystemDpi()),
      server_(std::make_unique<Server>(panel_, ansi_)) {}

MainWindow::~MainWindow() {
  if (hwnd_ != nullptr) DestroyWindow(hwnd_);
}

bool MainWindow::Create(int show_command) {
  WNDCLASSEXW window_class{};
  window_class.cbSize = sizeof window_class;
  window_class.lpfnWndProc = WindowProc;
  window_class.hInstance = instance_;
  window_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  window_class.lpszClassName = kMainWindowClass;
  large_icon_.reset(
      static_cast<HICON>(LoadImageW(instance_, MAKEINTRESOURCEW(IDI_APP_ICON), IMAGE_ICON,
                                    GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), 0)));
  small_icon_.reset(static_cast<HICON>(LoadImageW(instance_, MAKEINTRESOURCEW(IDI_APP_ICON),
                                                  IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                                  GetSystemMetrics(SM_CYSMICON), 0)));
  window_class.hIcon = large_icon_.get();
  window_class.hIconSm = small_icon_.get();
  if (RegisterClassExW(&window_class) == 0) return false;

  // The menu bar with its two drop-down menus comes from the resources.
  UniqueMenu menu_bar(LoadMenuW(instance_, MAKEINTRESOURCEW(IDR_MAIN_MENU)));
  if (!menu_bar) return false;

  // Fixed size around the client area the layout needs, centred in the work area.
  RECT frame{0, 0, Scale(kClientWidth), Scale(kClientHeight)};
  AdjustWindowRectEx(&frame, kWindowStyle, TRUE, 0);
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  RECT work{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  const int x = work.left + (work.right - work.left - width) / 2;
  const int y = work.top + (work.bottom - work.top - height) / 2;

  const std::wstring title = FromGbk(kProductTitle);
  HWND created = CreateWindowExW(0, kMainWindowClass, title.c_str(), kWindowStyle, x, y, width,
                                 height, nullptr, menu_bar.get(), instance_, this);
  if (created == nullptr) return false;
  menu_bar.release();  // destroyed with the window
  ShowWindow(created, show_command);
  UpdateWindow(created);
  return true;
}

LRESULT CALLBACK MainWindow::WindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lparam);
    self = static_cast<MainWindow*>(create->lpCreateParams);
    self->hwnd_ = hwnd;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  if (self == nullptr) return DefWindowProcW(hwnd, message, wparam, lparam);
  // No exception may unwind into the system's code that called us.
  try {
    return self->HandleMessage(message, wparam, lparam);
  } catch (...) {
    return DefWindowProcW(hwnd, message, wparam, lparam);
  }
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
    case kTrayNotifyMessage:
      OnTrayNotify(LOWORD(lparam));
      return 0;
    case kDrainLogsMessage:
      panel_.DrainLogs();
      return 0;
    case WM_TIMER:
      if (wparam == kDrainTimerId) panel_.DrainLogs();
      return 0;
    case kSetStartEnabledMessage:
      EnableWindow(GetDlgItem(hwnd_, kStartButtonId), wparam != 0 ? TRUE : FALSE);
      return 0;
    case WM_CLOSE:
      // `ConfirmExit`: asks first while the server runs.
      if (server_->ConfirmExit()) DestroyWindow(hwnd_);
      return 0;
    case WM_DESTROY:
      KillTimer(hwnd_, kDrainTimerId);
      tray_icon_.Remove();
      // `FinalShutdown`: every worker ends before the message loop does, or
      // the process ends here if one is stuck past the wait.
      server_->ShutdownForExit();
      PostQuitMessage(0);
      return 0;
    case WM_NCDESTROY:
      hwnd_ = nullptr;
      break;
    default:
      if (message == taskbar_created_message_ && message != 0) {
        tray_icon_.Restore();
        return 0;
      }
      break;
  }
  return DefWindowProcW(hwnd_, message, wparam, lparam);
}

bool MainWindow::OnCreate() {
  taskbar_created_message_ = RegisterWindowMessageW(L"TaskbarCreated");
  // The visual styles must be in force before the first control is made.
  ApplySkin();
  CreateControls();
  if (port_box_ == nullptr || address_box_ == nullptr || site_folder_box_ == nullptr) {
    return false;
  }
  InitMainWindow();
  SetTimer(hwnd_, kDrainTimerId, kDrainTimerMs, nullptr);
  return true;
}

void MainWindow::InitMainWindow() {
  tray_icon_.Add(hwnd_, kTrayIconId, kTrayNotifyMessage, small_icon_.get(), FromGbk(kProductTitle));
  server_->BuildWorkerPool();
  SetWindowTextW(site_folder_box_, program_folder_.c_str());
  ShowServerAddress();
  server_->BuildCannedResponses();
}

// `ApplySkin`: the program's look comes from the system's visual styles. The
// manifest asks for Common Controls 6; this registers its window classes.
void MainWindow::ApplySkin() {
  INITCOMMONCONTROLSEX controls{};
  controls.dwSize = sizeof controls;
  controls.dwICC = ICC_STANDARD_CLASSES | ICC_UPDOWN_CLASS;
  InitCommonControlsEx(&controls);
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) {
    font_.reset(CreateFontIndirectW(&metrics.lfMessageFont));
  }
}

HWND MainWindow::AddControl(const wchar_t* window_class, std::string_view gbk_caption, DWORD style,
                            DWORD ex_style, int id, int x, int y, int width, int height) {
  HWND control = CreateWindowExW(
      ex_style, window_class, FromGbk(gbk_caption).c_str(), WS_CHILD | WS_CLIPSIBLINGS | style,
      Scale(x), Scale(y), Scale(width), Scale(height), hwnd_,
      reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance_, nullptr);
  if (control != nullptr && font_) {
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
  }
  return control;
}

void MainWindow::CreateControls() {
  constexpr DWORD kShown = WS_VISIBLE;
  constexpr DWORD kLabel = kShown | SS_LEFT | SS_CENTERIMAGE;
  constexpr DWORD kButton = kShown | WS_TABSTOP | BS_PUSHBUTTON;
  constexpr DWORD kLine = kShown | WS_TABSTOP | ES_AUTOHSCROLL;
  constexpr DWORD kEdge = WS_EX_CLIENTEDGE;

  // Children of the window itself, placed at the group's coordinates, so
  // every notification reaches the window procedure directly. Creation order
  // is the tab order.
  AddControl(L"STATIC", kPortLabel, kLabel, 0, kPortLabelId, 24, 16, 56, 22);
  port_box_ =
      AddControl(L"EDIT", kInitialPortText, kLine | ES_CENTER, kEdge, kPortBoxId, 88, 16, 50, 22);
  AddControl(UPDOWN_CLASSW, "", kShown, 0, kPortArrowsId, 139, 16, 16, 22);
  AddControl(L"BUTTON", kStartCaption, kButton, 0, kStartButtonId, 160, 16, 55, 22);
  AddControl(L"BUTTON", kStopCaption, kButton, 0, kStopButtonId, 224, 16, 55, 22);
  AddControl(L"BUTTON", kTrayCaption, kButton, 0, kTrayButtonId, 296, 16, 56, 22);
  AddControl(L"STATIC", kSiteFolderLabel, kLabel, 0, kSiteFolderLabelId, 24, 48, 56, 22);
  site_folder_box_ = AddControl(L"EDIT", "", kLine, kEdge, kSiteFolderBoxId, 88, 48, 184, 22);
  AddControl(L"BUTTON", kBrowseCaption, kButton, 0, kBrowseButtonId, 296, 48, 56, 22);
  AddControl(L"STATIC", kAddressLabel, kLabel, 0, kAddressLabelId, 24, 80, 56, 22);
  address_box_ = AddControl(L"EDIT", "", kLine, kEdge, kAddressBoxId, 88, 80, 184, 22);
  AddControl(L"BUTTON", kOpenSiteCaption, kButton, 0, kOpenSiteButtonId, 296, 80, 56, 22);
  AddControl(L"STATIC", kLogLabel, kLabel, 0, kLogLabelId, 24, 136, 48, 24);
  constexpr DWORD kLog = WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL;
  HWND connection_log = AddControl(L"EDIT", "", kShown | kLog | ES_WANTRETURN, kEdge,
                                   kConnectionLogBoxId, 88, 112, 256, 72);
  // Collects every request's text but is never shown.
  HWND request_log = AddControl(L"EDIT", "", kLog, kEdge, kRequestLogBoxId, 88, 112, 256, 32);
  // Last, so it lies beneath the controls drawn inside it.
  AddControl(L"BUTTON", "", kShown | BS_GROUPBOX, 0, kSettingsGroupId, 8, 0, 352, 200);

  // The boxes' own default limit is 32K characters; the log caps rule instead.
  SendMessageW(connection_log, EM_SETLIMITTEXT, 0, 0);
  SendMessageW(request_log, EM_SETLIMITTEXT, 0, 0);
  if (port_box_ != nullptr) SetWindowSubclass(port_box_, PortBoxProc, 1, 0);
  HWND arrows = GetDlgItem(hwnd_, kPortArrowsId);
  // The arrows keep a mid-range position of their own and never reach an
  // end; each click is turned into a new port text in OnNotify.
  SendMessageW(arrows, UDM_SETRANGE32, 0, 10000);
  SendMessageW(arrows, UDM_SETPOS32, 0, 5000);

  panel_.Attach(PanelControls{hwnd_, port_box_, site_folder_box_, GetDlgItem(hwnd_, kStartButtonId),
                              connection_log, request_log});
}

LRESULT CALLBACK MainWindow::PortBoxProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam,
                                         UINT_PTR, DWORD_PTR) {
  // Typed characters only: a paste arrives as WM_PASTE and is not filtered.
  if (message == WM_CHAR && !IsAcceptedPortChar(static_cast<char32_t>(wparam))) return 0;
  return DefSubclassProc(hwnd, message, wparam, lparam);
}

void MainWindow::OnCommand(int id, int code) {
  switch (id) {
    case kPortBoxId:
      if (code == EN_CHANGE) ShowServerAddress();
      break;
    case kStartButtonId:
      if (code == BN_CLICKED) server_->StartServer();
      break;
    case kStopButtonId:
      if (code == BN_CLICKED) server_->StopServer();
      break;
    case kBrowseButtonId:
      if (code == BN_CLICKED) ChooseSiteFolder();
      break;
    case kOpenSiteButtonId:
      if (code == BN_CLICKED) OpenSite();
      break;
    case kTrayButtonId:
      if (code == BN_CLICKED) HideToTray();
      break;
    case kInstructionsMenuItemId:
      ShowInstructions();
      break;
    case kAboutMenuItemId:
      ShowAbout();
      break;
    default:
      break;
  }
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
  const std::string text = Narrow(WindowText(port_box_), CP_ACP);
  const std::int64_t value = ArrowStep(text, up ? ArrowDirection::kUp : ArrowDirection::kDown);
  SetWindowTextW(port_box_, Widen(DecimalText(value), CP_ACP).c_str());  // runs EN_CHANGE
  SendMessageW(port_box_, EM_SETSEL, 0, -1);
  SetFocus(port_box_);
}

// `ShowServerAddress`: rebuilt from the port box on every change of its text.
void MainWindow::ShowServerAddress() {
  if (port_box_ == nullptr || address_box_ == nullptr) return;
  const std::string port_text = Narrow(WindowText(port_box_), CP_ACP);
  const std::string address = ServerAddressText(port_text, LocalIPv4Address(), ansi_);
  SetWindowTextW(address_box_, Widen(address, CP_ACP).c_str());
}

void MainWindow::ChooseSiteFolder() {
  const std::wstring prompt = FromGbk(kChooseFolderPrompt);
  BROWSEINFOW browse{};
  browse.hwndOwner = hwnd_;
  browse.lpszTitle = prompt.c_str();
  browse.ulFlags = BIF_RETURNONLYFSDIRS;
  const UniqueItemIdList chosen(SHBrowseForFolderW(&browse));
  if (!chosen) return;  // cancelled: the box keeps its text
  wchar_t path[MAX_PATH] = {};
  if (SHGetPathFromIDListW(chosen.get(), path)) SetWindowTextW(site_folder_box_, path);
}

void MainWindow::OpenSite() {
  const std::wstring address = WindowText(address_box_);
  // A failure (an empty or edited address) is not reported.
  ShellExecuteW(hwnd_, L"open", address.c_str(), L"", L"", SW_SHOW);
}

void MainWindow::HideToTray() { ShowWindow(hwnd_, SW_HIDE); }

void MainWindow::OnTrayNotify(UINT kind) {
  switch (kind) {
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONUP:
    case WM_CONTEXTMENU:
    case NIN_SELECT:
    case NIN_KEYSELECT:
      RestoreFromTray();
      break;
    default:
      break;  // movement and presses alone
  }
}

void MainWindow::RestoreFromTray() {
  ShowWindow(hwnd_, IsIconic(hwnd_) ? SW_RESTORE : SW_SHOW);
  SetForegroundWindow(hwnd_);
}

void MainWindow::ShowInstructions() { ShowInformation(kInstructionsText, MB_OK); }

void MainWindow::ShowAbout() {
  std::string text(kProductTitle);
  text.append("\r\n").append(kAboutContactLine);
  ShowInformation(text, MB_OK);
}

}  // namespace orvane::ui
