#include "ui/firewall_helper.h"

#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "front/firewall_allow.h"
#include "ui/com_handles.h"
#include "ui/firewall_com.h"
#include "ui/win_handles.h"
#include "ui/win_text.h"

namespace orvane::ui {

bool IsFirewallHelperRun() {
  int count = 0;
  const UniqueArgv argv(CommandLineToArgvW(GetCommandLineW(), &count));
  std::vector<std::string> words;
  for (int i = 1; argv && i < count; ++i) words.push_back(WideToBytes(argv.get()[i], CP_UTF8));
  return IsFirewallHelperLine(words);
}

int RunFirewallHelper() {
  const ThreadApartment apartment;
  WindowsFirewall firewall;
  AllowResult result;
  if (apartment.ok()) result = AllowThroughFirewall(firewall, ThisProgramPath(), SameWindowsPath);
  return static_cast<int>(AllowExitCode(result));
}

}  // namespace orvane::ui
