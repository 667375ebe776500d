#include "ui/rules/frame_dpi.h"

namespace orvane::ui {

int FrameDpiFor(DpiAwareness awareness, int window_dpi, int system_dpi) {
  return awareness == DpiAwareness::kPerMonitorV2 ? window_dpi : system_dpi;
}

}  // namespace orvane::ui
