#include "ui/rules/tray_fallback.h"

namespace orvane::ui {

bool TrayFallback::Refused(bool window_hidden) {
  if (!window_hidden) {
    refusals_ = 0;
    return false;
  }
  if (++refusals_ < kTrayRefusalsBeforeShowing) return false;
  refusals_ = 0;  // shown; should it be hidden again, it gets as many tries
  return true;
}

}  // namespace orvane::ui
