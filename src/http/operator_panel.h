// The operator's side as the HTTP service sees it: the window, a headless
// front end or a test implements it. Texts are in the ANSI code page, except
// the site folder, which is UTF-8 so that a folder of any name can be served.
#pragma once

#include <string>
#include <string_view>

namespace orvane {

// Icon and buttons of an information box.
enum class InfoBoxKind {
  kError,     // OK, error icon
  kWarning,   // OK, warning icon
  kQuestion,  // OK and Cancel, question icon
};

enum class InfoBoxAnswer { kOk, kCancel };

class OperatorPanel {
 public:
  virtual ~OperatorPanel() = default;

  // Window thread only.
  virtual std::string ReadPortText() = 0;
  // The site folder box's text in UTF-8.
  virtual std::string ReadSiteFolderText() = 0;
  // Replaces the port box's text; the window rebuilds the address from it.
  virtual void WritePortText(const std::string& text) = 0;
  // The server counts as running exactly while the start button is disabled.
  virtual bool IsStartEnabled() = 0;
  // A task-modal box without owner, captioned "信息："; blocks until answered.
  // A question box first takes the window out of the always-on-top state.
  virtual InfoBoxAnswer ShowInfoBox(std::string_view text, InfoBoxKind kind) = 0;

  // Any thread. These never wait for the window thread, and the calls of one
  // thread take effect in the order they were made.
  virtual void AppendConnectionLog(std::string text) = 0;
  virtual void AppendRequestLog(std::string text) = 0;
  virtual void SetStartEnabled(bool enabled) = 0;
};

}  // namespace orvane
