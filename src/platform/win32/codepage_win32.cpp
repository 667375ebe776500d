#include <windows.h>

#include "platform/codepage.h"

namespace orvane::platform {

namespace {

// For a double-byte code page the program has no table of: its lead bytes as
// the system reports them, and as trail bytes every byte that completes a
// valid character after at least one lead byte.
CodePage AskedDoubleByte() {
  std::bitset<256> lead;
  std::bitset<256> trail;
  for (int b = 0x80; b < 0x100; ++b) {
    if (IsDBCSLeadByteEx(CP_ACP, static_cast<BYTE>(b))) lead.set(static_cast<std::size_t>(b));
  }
  for (int t = 0x01; t < 0x100; ++t) {
    for (int b = 0x80; b < 0x100 && !trail[static_cast<std::size_t>(t)]; ++b) {
      if (!lead[static_cast<std::size_t>(b)]) continue;
      const char pair[2] = {static_cast<char>(b), static_cast<char>(t)};
      wchar_t wide[2];
      if (MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, pair, 2, wide, 2) == 1) {
        trail.set(static_cast<std::size_t>(t));
      }
    }
  }
  return CodePage::DoubleByte(lead, trail);
}

}  // namespace

CodePage AnsiCodePage() {
  const UINT acp = GetACP();
  if (acp == CP_UTF8) return CodePage::Utf8();
  if (std::optional<CodePage> known = CodePage::KnownDoubleByte(acp)) return *known;
  CPINFO info{};
  if (GetCPInfo(CP_ACP, &info) && info.MaxCharSize == 2) return AskedDoubleByte();
  return CodePage::SingleByte();
}

}  // namespace orvane::platform
