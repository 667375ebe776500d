#include "ui/firewall_advisor.h"

#include <shellapi.h>

#include <algorithm>
#include <memory>
#include <optional>

#include "front/firewall_allow.h"
#include "front/firewall_lines.h"
#include "front/firewall_verdict.h"
#include "ui/com_handles.h"
#include "ui/control_ids.h"
#include "ui/firewall_com.h"
#include "ui/win_text.h"

namespace orvane::ui {
namespace {

// Beyond this many checks still running (each Start makes one), a Start
// makes none: the firewall that hangs them would hang another.
constexpr std::size_t kMostChecks = 16;

struct CheckJob {
  OperatorPanel* panel;
  std::uint16_t port;
  std::string host;
};

}  // namespace

FirewallAdvisor::~FirewallAdvisor() { (void)Stop(INFINITE); }

void FirewallAdvisor::Attach(HWND window, OperatorPanel& panel) {
  window_ = window;
  panel_ = &panel;
}

void FirewallAdvisor::CheckAfterStart(std::uint16_t port, std::string shown_host) {
  if (panel_ == nullptr) return;
  checks_.erase(std::remove_if(checks_.begin(), checks_.end(),
                               [](const platform::UniqueKernelHandle& thread) {
                                 return WaitForSingleObject(thread.get(), 0) == WAIT_OBJECT_0;
                               }),
                checks_.end());
  if (checks_.size() >= kMostChecks) return;
  auto job = std::make_unique<CheckJob>(CheckJob{panel_, port, std::move(shown_host)});
  platform::UniqueKernelHandle thread(CreateThread(nullptr, 0, CheckThread, job.get(), 0, nullptr));
  if (!thread) return;
  (void)job.release();  // the thread owns it now
  checks_.push_back(std::move(thread));
}

// COM is slow to start (the firewall and network services answer through
// RPC), so it runs here, in an apartment of this thread's own.
DWORD WINAPI FirewallAdvisor::CheckThread(void* raw) {
  const std::unique_ptr<CheckJob> job(static_cast<CheckJob*>(raw));
  // No exception may leave a thread's entry.
  try {
    FirewallFinding finding;
    const ThreadApartment apartment;
    if (apartment.ok()) {
      const std::optional<FirewallState> state = ReadFirewallState();
      // The network's category matters only once the firewall is known.
      const std::optional<int> network =
          state && !job->host.empty() ? NetworkProfileOf(job->host) : std::nullopt;
      finding = DecideFirewall(state, network, job->port, ThisProgramPath(), SameWindowsPath);
    }
    std::string line = FirewallLine(finding);
    if (!line.empty()) job->panel->AppendConnectionLog(std::move(line));
  } catch (...) {
  }
  return 0;
}

void FirewallAdvisor::AskToAllow() {
  if (panel_ == nullptr || helper_) return;  // one helper at a time
  const std::wstring program = Widen(ThisProgramPath(), CP_UTF8);
  const std::wstring parameters = Widen(kFirewallHelperSwitch, CP_UTF8);
  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof info;
  info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
  info.hwnd = window_;
  info.lpVerb = L"runas";
  info.lpFile = program.c_str();
  info.lpParameters = parameters.c_str();
  info.nShow = SW_HIDE;
  if (!ShellExecuteExW(&info)) {
    const DWORD error = GetLastError();
    HelperEnd end;
    end.kind = error == ERROR_CANCELLED ? HelperEnd::Kind::kDeclined : HelperEnd::Kind::kNotRun;
    end.error = error;
    panel_->AppendConnectionLog(HelperEndLine(end));
    return;
  }
  helper_.reset(info.hProcess);
  HANDLE wait = nullptr;
  if (!helper_ || !RegisterWaitForSingleObject(&wait, helper_.get(), OnHelperExited, this, INFINITE,
                                               WT_EXECUTEONLYONCE)) {
    helper_.reset();
    HelperEnd end;
    end.kind = HelperEnd::Kind::kNotRun;
    end.error = GetLastError();
    panel_->AppendConnectionLog(HelperEndLine(end));
    return;
  }
  helper_wait_.reset(wait);
}

// On a pool thread: only the exit code, posted to the window.
void CALLBACK FirewallAdvisor::OnHelperExited(void* raw, BOOLEAN) {
  const auto* self = static_cast<FirewallAdvisor*>(raw);
  DWORD code = 0;
  if (!GetExitCodeProcess(self->helper_.get(), &code)) code = 0;
  PostMessageW(self->window_, kFirewallHelperEndedMessage, code, 0);
}

void FirewallAdvisor::HelperEnded(std::uint32_t exit_code) {
  helper_wait_.reset();
  helper_.reset();
  if (panel_ != nullptr)
    panel_->AppendConnectionLog(HelperEndLine({HelperEnd::Kind::kExited, exit_code}));
}

bool FirewallAdvisor::Stop(DWORD timeout_ms) {
  helper_wait_.reset();
  helper_.reset();
  const DWORD start = GetTickCount();
  for (const platform::UniqueKernelHandle& thread : checks_) {
    const DWORD spent = GetTickCount() - start;
    const DWORD left =
        timeout_ms == INFINITE ? INFINITE : (spent < timeout_ms ? timeout_ms - spent : 0);
    if (WaitForSingleObject(thread.get(), left) != WAIT_OBJECT_0) return false;
  }
  checks_.clear();
  return true;
}

}  // namespace orvane::ui
