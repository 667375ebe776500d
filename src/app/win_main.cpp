// The Windows program's entry: the start-up order, then the message loop
// until the main window is destroyed.
#include <windows.h>
#include <objbase.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "front/option_table.h"
#include "net/net_socket.h"
#include "platform/process.h"
#include "ui/firewall_helper.h"
#include "ui/keyboard_focus.h"
#include "ui/main_window.h"
#include "ui/options_menu.h"
#include "ui/program_file.h"
#include "ui/win_handles.h"
#include "ui/win_text.h"
#include "ui/window_classes.h"

namespace {

// `ProgramFolder`: the program file's folder without a trailing backslash
// ("C:" for a program in a drive's root).
std::wstring ProgramFolder() {
  const std::wstring path = orvane::ui::ProgramFile();
  const std::size_t slash = path.find_last_of(L'\\');
  return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

// The serving options the command line switches on, for a shortcut: the
// rows of the options table as "/name", in any order and case. Every other
// word is ignored.
orvane::ServingOptions OptionsFromCommandLine() {
  std::vector<std::string> words;
  int count = 0;
  const orvane::ui::UniqueArgv argv(CommandLineToArgvW(GetCommandLineW(), &count));
  for (int i = 1; argv && i < count; ++i) {  // [0]: the program
    words.push_back(orvane::ui::WideToBytes(argv.get()[i], CP_UTF8));
  }
  const auto line = orvane::ParseCommandLine(words, orvane::SwitchStyle::kWindows);
  return orvane::ui::OptionsMenu::WithUploadFolder(line ? line->options : orvane::ServingOptions{});
}

int RunProgram(HINSTANCE instance, int show_command) {
  // Before any file call: a drive with no disk must not hang a worker
  // behind a box nobody sees.
  orvane::platform::FailCriticalErrorsQuietly();
  // 选项→允许通过防火墙 starts this program again, elevated, with a switch
  // of its own: that run adds the rule and ends, with no window.
  if (orvane::ui::IsFirewallHelperRun()) return orvane::ui::RunFirewallHelper();
  const std::wstring program_folder = ProgramFolder();
  // A relative folder typed into the site folder box is taken from here.
  if (!program_folder.empty()) SetCurrentDirectoryW((program_folder + L"\\").c_str());
  // The folder picker is a shell COM object.
  const orvane::ui::ComApartment com(
      SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE)));

  if (!orvane::ui::RegisterWindowClasses(instance)) return 1;
  int exit_code = 1;
  {
    // Windows Sockets 2.2 for the life of the window; a failure shows when
    // the first start cannot create its socket.
    orvane::net::SocketLibrary socket_library;
    orvane::ui::MainWindow window(instance, program_folder, OptionsFromCommandLine());
    if (window.Create(show_command)) {
      MSG message;
      BOOL got;
      while ((got = GetMessageW(&message, nullptr, 0, 0)) != 0 && got != -1) {
        // Tab, Shift+Tab, Enter and Space work in the window as in a
        // dialog; Esc does nothing.
        if (orvane::ui::IsEscapeFor(window.handle(), message)) continue;
        if (IsDialogMessageW(window.handle(), &message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
      }
      exit_code = got == 0 ? static_cast<int>(message.wParam) : 1;
    }
  }
  return exit_code;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show_command) {
  try {
    return RunProgram(instance, show_command);
  } catch (...) {
    return 1;  // out of memory during start-up or shutdown
  }
}
