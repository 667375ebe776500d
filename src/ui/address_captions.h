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

// Under the QR code while the access code is required:
// 网址中含有访问码：只有扫描或拿到这个网址的人能访问 (the address holds the
// access code: only those who scan it or are given it can get in).
inline constexpr std::string_view kCodeInAddressLine =
    "\xCD\xF8\xD6\xB7\xD6\xD0\xBA\xAC\xD3\xD0\xB7\xC3\xCE\xCA\xC2\xEB\xA3\xBA\xD6\xBB"
    "\xD3\xD0\xC9\xA8\xC3\xE8\xBB\xF2\xC4\xC3\xB5\xBD\xD5\xE2\xB8\xF6\xCD\xF8\xD6\xB7"
    "\xB5\xC4\xC8\xCB\xC4\xDC\xB7\xC3\xCE\xCA";

// The QR window's last line, what the phone will see at "/": the site
// folder's default document, 手机将看到 index.htm (the phone will see
// index.htm), ...
inline constexpr std::string_view kPhoneSeesIndexLine =
    "\xCA\xD6\xBB\xFA\xBD\xAB\xBF\xB4\xB5\xBD index.htm";
// ... the folder's listing: 手机将看到文件夹的文件列表 (the phone will see the
// list of the folder's files), ...
inline constexpr std::string_view kPhoneSeesListingLine =
    "\xCA\xD6\xBB\xFA\xBD\xAB\xBF\xB4\xB5\xBD\xCE\xC4\xBC\xFE\xBC\xD0\xB5\xC4"
    "\xCE\xC4\xBC\xFE\xC1\xD0\xB1\xED";
// ... or, with neither on offer, the 404 text and where the listing is
// switched on: 手机将看到“文件不存在”；选项→列出文件夹内容 可显示文件
// (the phone will see "no such file"; Options → List folder contents shows
// the files).
inline constexpr std::string_view kPhoneSeesNotFoundLine =
    "\xCA\xD6\xBB\xFA\xBD\xAB\xBF\xB4\xB5\xBD\xA1\xB0\xCE\xC4\xBC\xFE\xB2\xBB"
    "\xB4\xE6\xD4\xDA\xA1\xB1\xA3\xBB\xD1\xA1\xCF\xEE\xA1\xFA\xC1\xD0\xB3\xF6"
    "\xCE\xC4\xBC\xFE\xBC\xD0\xC4\xDA\xC8\xDD \xBF\xC9\xCF\xD4\xCA\xBE\xCE\xC4"
    "\xBC\xFE";

// ... or, with uploads on and the listing off, the page that sends files:
// 手机将看到发送文件到这台电脑的页面 (the phone will see the page that sends
// files to this computer).
inline constexpr std::string_view kPhoneSeesUploadLine =
    "\xCA\xD6\xBB\xFA\xBD\xAB\xBF\xB4\xB5\xBD\xB7\xA2\xCB\xCD\xCE\xC4\xBC\xFE\xB5\xBD"
    "\xD5\xE2\xCC\xA8\xB5\xE7\xC4\xD4\xB5\xC4\xD2\xB3\xC3\xE6";
// With uploads on and the listing's page holding the upload area:
// 手机可在网页上发送文件到这台电脑 (the phone can send files to this computer
// from the page).
inline constexpr std::string_view kCanSendFilesLine =
    "\xCA\xD6\xBB\xFA\xBF\xC9\xD4\xDA\xCD\xF8\xD2\xB3\xC9\xCF\xB7\xA2\xCB\xCD\xCE\xC4"
    "\xBC\xFE\xB5\xBD\xD5\xE2\xCC\xA8\xB5\xE7\xC4\xD4";

}  // namespace orvane::ui
