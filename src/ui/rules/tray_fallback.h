// `TrayFallback`: when a hidden window must come back by itself. Hidden, the
// window is reached only through its tray icon; if the shell keeps refusing
// to take the icon again (Explorer died and is not back), the window returns
// to the taskbar after a few refusals, so the program is never unreachable.
#pragma once

namespace orvane::ui {

inline constexpr int kTrayRefusalsBeforeShowing = 3;

class TrayFallback {
 public:
  // One more refused attempt to add the icon. True on the third refusal in a
  // row while the window stays hidden: show it now. A refusal while the
  // window is visible starts the count over.
  [[nodiscard]] bool Refused(bool window_hidden);
  // The shell took the icon: the count starts over.
  void Accepted() { refusals_ = 0; }

 private:
  int refusals_ = 0;
};

}  // namespace orvane::ui
