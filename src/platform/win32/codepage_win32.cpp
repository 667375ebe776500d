#include <windows.h>

#include "platform/codepage.h"
#include "platform/win32/wide_text.h"

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

std::optional<std::string> AnsiToUtf8(std::string_view ansi) {
  const std::optional<std::wstring> wide = WidenExactly(ansi, CP_ACP);
  if (!wide) return std::nullopt;
  return WideToBytes(*wide, CP_UTF8);
}

std::string Utf8ToLogText(std::string_view utf8) {
  return WideToBytes(Widen(utf8, CP_UTF8), CP_ACP);
}

std::string_view AnsiCharsetName() {
  switch (GetACP()) {
    case 936:
      return "gbk";
    case 950:
      return "big5";
    case 932:
      return "shift_jis";
    case 949:
      return "euc-kr";
    case 874:
      return "windows-874";
    case CP_UTF8:
      return "utf-8";
    case 1250:
      return "windows-1250";
    case 1251:
      return "windows-1251";
    case 1252:
      return "windows-1252";
    case 1253:
      return "windows-1253";
    case 1254:
      return "windows-1254";
    case 1255:
      return "windows-1255";
    case 1256:
      return "windows-1256";
    case 1257:
      return "windows-1257";
    case 1258:
      return "windows-1258";
    default:
      return {};
  }
}

}  // namespace orvane::platform
