#include "ui/server_control.h"

#include "front/operator_messages.h"
#include "http/core/settings.h"
#include "http/core/text_rules.h"
#include "ui/timer_ids.h"

namespace orvane::ui {
namespace {

// A safety net for the log queue should a drain message ever be lost.
constexpr UINT kDrainTimerMs = 500;

}  // namespace

ServerControl::ServerControl(const CodePage& ansi, const ServingOptions& options)
    : ansi_(ansi), server_(std::make_unique<Server>(panel_, ansi_)) {
  server_->SetServingOptions(options);
}

void ServerControl::Attach(const PanelControls& controls) {
  window_ = controls.window;
  panel_.Attach(controls);
  SetTimer(window_, kDrainTimerId, kDrainTimerMs, nullptr);
}

void ServerControl::Start() {
  const ServerSettings settings =
      SettleServerSettings(panel_.ReadPortText(), panel_.ReadSiteFolderText(), ansi_);
  panel_.WritePortText(DecimalText(settings.port));
  if (const auto box = StartFailureBox(server_->StartServer(settings))) {
    (void)panel_.ShowInfoBox(box->text, box->kind);
    return;
  }
  panel_.SetStartEnabled(!server_->Running());
}

bool ServerControl::ConfirmExit() {
  if (!server_->Running()) return true;
  if (panel_.ShowInfoBox(kConfirmExitQuestion, InfoBoxKind::kQuestion) != InfoBoxAnswer::kOk) {
    return false;
  }
  server_->StopServer();
  return true;
}

// On this thread SetStartEnabled moves the focus off the button first.
void ServerControl::RunEnded() { panel_.SetStartEnabled(!server_->Running()); }

void ServerControl::ShutdownForExit() {
  KillTimer(window_, kDrainTimerId);
  server_->ShutdownForExit();
}

}  // namespace orvane::ui
