#include "ui/address_menu.h"

#include <windowsx.h>

#include "ui/address_captions.h"
#include "ui/address_ids.h"
#include "ui/win_handles.h"
#include "ui/win_text.h"

namespace orvane::ui {
namespace {

// "192.168.1.23" with its adapter in the menu's right-hand column; an "&" in
// the adapter's name is shown, not taken as a mnemonic.
std::wstring EntryText(const UsableAddress& entry) {
  std::wstring text = Widen(entry.address, CP_ACP);
  if (entry.adapter_name.empty()) return text;
  text += L'\t';
  for (wchar_t c : Widen(entry.adapter_name, CP_UTF8)) {
    text += c;
    if (c == L'&') text += L'&';
  }
  return text;
}

// Where a menu opened from the keyboard appears: under the box's left edge.
POINT MenuPoint(HWND box, LPARAM at) {
  if (at != -1) return POINT{GET_X_LPARAM(at), GET_Y_LPARAM(at)};
  RECT box_rect{};
  GetWindowRect(box, &box_rect);
  return POINT{box_rect.left, box_rect.bottom};
}

}  // namespace

void ShowAddressMenu(HWND box, LPARAM at, const std::vector<UsableAddress>& addresses,
                     const std::string& shown) {
  UniqueMenu menu(CreatePopupMenu());
  if (!menu) return;
  AppendMenuW(menu.get(), MF_STRING, kCopyAddressCommandId, FromGbk(kCopyAddressCaption).c_str());
  AppendMenuW(menu.get(), MF_STRING, kShowQrCommandId, FromGbk(kShowQrCaption).c_str());
  AppendMenuW(menu.get(), MF_SEPARATOR, 0, nullptr);
  if (addresses.empty()) {
    AppendMenuW(menu.get(), MF_STRING | MF_GRAYED, kNoAddressCommandId,
                FromGbk(kNoUsableAddress).c_str());
  }
  const int room = kLastAddressCommandId - kFirstAddressCommandId + 1;
  for (int i = 0; i < static_cast<int>(addresses.size()) && i < room; ++i) {
    const UINT checked = addresses[i].address == shown ? MF_CHECKED : MF_UNCHECKED;
    AppendMenuW(menu.get(), MF_STRING | checked, kFirstAddressCommandId + i,
                EntryText(addresses[i]).c_str());
  }
  const POINT point = MenuPoint(box, at);
  // The parent gets the chosen entry's WM_COMMAND, as from its own menu bar.
  TrackPopupMenu(menu.get(), TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON, point.x, point.y, 0,
                 GetParent(box), nullptr);
}

}  // namespace orvane::ui
