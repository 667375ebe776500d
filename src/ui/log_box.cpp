#include "ui/log_box.h"

#include <algorithm>
#include <string>

#include "ui/rules/log_cap.h"
#include "ui/win_text.h"

namespace orvane::ui {
namespace {

// Removes the box's first `lines` lines (each up to and including its LF).
void DropLeadingLines(HWND box, const std::wstring& text, std::size_t lines) {
  std::size_t end = 0;
  for (std::size_t i = 0; i < lines && end < text.size(); ++i) {
    const std::size_t lf = text.find(L'\n', end);
    end = lf == std::wstring::npos ? text.size() : lf + 1;
  }
  SendMessageW(box, EM_SETSEL, 0, static_cast<LPARAM>(end));
  SendMessageW(box, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(L""));
}

}  // namespace

void AppendToLogBox(HWND box, std::string_view gbk_text, std::size_t cap) {
  if (gbk_text.empty()) return;
  // A GBK character is at most two bytes, so a box under half the cap in
  // characters needs no closer look.
  const auto length = static_cast<std::size_t>(GetWindowTextLengthW(box));
  if (length * 2 + gbk_text.size() > cap) {
    const std::wstring current = WindowText(box);
    const std::string current_gbk = WideToBytes(current, kGbkCodePage);
    if (current_gbk.size() + gbk_text.size() > cap) {
      const std::size_t drop = BytesToDropForCap(current_gbk, gbk_text.size(), cap - cap / 8);
      const std::string_view dropped(current_gbk.data(), drop);
      // Line feeds are one unit in both texts, so whole lines map across.
      std::size_t lines =
          static_cast<std::size_t>(std::count(dropped.begin(), dropped.end(), '\n'));
      if (drop == current_gbk.size()) lines = current.size() + 1;  // everything goes
      DropLeadingLines(box, current, lines);
    }
  }
  const std::wstring wide = FromGbk(gbk_text);
  const LPARAM end = GetWindowTextLengthW(box);
  SendMessageW(box, EM_SETSEL, static_cast<WPARAM>(end), end);
  SendMessageW(box, EM_SCROLLCARET, 0, 0);
  SendMessageW(box, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(wide.c_str()));
  SendMessageW(box, EM_SCROLLCARET, 0, 0);
}

}  // namespace orvane::ui
