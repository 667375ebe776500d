// The texts of the address box's menu and of the QR window, as GBK bytes
// (the Chinese gloss beside each).
#pragma once

#include <string_view>

namespace orvane::ui {

// clang-format off
inline constexpr std::string_view kCopyAddressCaption = "\xB8\xB4\xD6\xC6\xCD\xF8\xD6\xB7(&C)";  // 复制网址(&C)
inline constexpr std::string_view kShowQrCaption = "\xB6\xFE\xCE\xAC\xC2\xEB(&Q)";               // 二维码(&Q)
inline constexpr std::string_view kQrWindowTitle = "\xB6\xFE\xCE\xAC\xC2\xEB";                   // 二维码
// clang-format on
// The greyed menu entry: 没有其他设备可以访问的网址 (no address that other
// devices can reach).
inline constexpr std::string_view kNoUsableAddress =
    "\xC3\xBB\xD3\xD0\xC6\xE4\xCB\xFB\xC9\xE8\xB1\xB8\xBF\xC9\xD2\xD4\xB7\xC3\xCE\xCA\xB5\xC4"
    "\xCD\xF8\xD6\xB7";
// In the QR window instead of a code, for an address without a host:
// 本机还没有其他设备可以访问的网址，连上网络后这里会显示二维码。
// (this machine has no address other devices can reach yet; the code shows
// here once it is on a network).
inline constexpr std::string_view kNoAddressForQr =
    "\xB1\xBE\xBB\xFA\xBB\xB9\xC3\xBB\xD3\xD0\xC6\xE4\xCB\xFB\xC9\xE8\xB1\xB8\xBF\xC9\xD2\xD4"
    "\xB7\xC3\xCE\xCA\xB5\xC4\xCD\xF8\xD6\xB7\xA3\xAC\xC1\xAC\xC9\xCF\xCD\xF8\xC2\xE7\xBA\xF3"
    "\xD5\xE2\xC0\xEF\xBB\xE1\xCF\xD4\xCA\xBE\xB6\xFE\xCE\xAC\xC2\xEB\xA1\xA3";
// For a text too long for any QR code: 网址太长，无法生成二维码。
// (the address is too long for a QR code).
inline constexpr std::string_view kAddressTooLongForQr =
    "\xCD\xF8\xD6\xB7\xCC\xAB\xB3\xA4\xA3\xAC\xCE\xDE\xB7\xA8\xC9\xFA\xB3\xC9\xB6\xFE\xCE\xAC"
    "\xC2\xEB\xA1\xA3";
// Under the QR code while the server is stopped: 服务器未启动 (the server is
// not started).
inline constexpr std::string_view kServerNotStartedLine =
    "\xB7\xFE\xCE\xF1\xC6\xF7\xCE\xB4\xC6\xF4\xB6\xAF";
// Under the QR code while the box shows another port than the one served:
// 这是服务器正在使用的网址 (this is the address the server is using).
inline constexpr std::string_view kServedAddressLine =
    "\xD5\xE2\xCA\xC7\xB7\xFE\xCE\xF1\xC6\xF7\xD5\xFD\xD4\xDA\xCA\xB9\xD3\xC3\xB5\xC4"
    "\xCD\xF8\xD6\xB7";

}  // namespace orvane::ui
