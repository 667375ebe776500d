#include <windows.h>

#include "platform/codepage.h"

namespace orvane::platform {

CodePage AnsiCodePage() {
  const UINT acp = GetACP();
  if (acp == 936) return CodePage::Gbk();
  if (acp == CP_UTF8) return CodePage::Utf8();
  CPINFO info{};
  if (GetCPInfo(CP_ACP, &info) && info.MaxCharSize == 2) {
    std::bitset<256> lead;
    for (int b = 0x80; b < 0x100; ++b) {
      if (IsDBCSLeadByteEx(CP_ACP, static_cast<BYTE>(b))) lead.set(static_cast<std::size_t>(b));
    }
    return CodePage::DoubleByte(lead);
  }
  return CodePage::SingleByte();
}

}  // namespace orvane::platform
