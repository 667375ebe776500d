// The window's fixed texts, as GBK bytes (the Chinese gloss beside each).
// Literals are split where a following character would extend a \x escape.
#pragma once

#include <string_view>

#ifndef ORVANE_VERSION_TEXT
#define ORVANE_VERSION_TEXT "1.0"
#endif

namespace orvane::ui {

// The title bar and the tray tip: product title and version.
inline constexpr std::string_view kProductTitle = "OrvaneServer " ORVANE_VERSION_TEXT;

// clang-format off
inline constexpr std::string_view kPortLabel = "\xCD\xF8\xD6\xB7\xB6\xCB\xBF\xDA:";        // 网址端口:
inline constexpr std::string_view kSiteFolderLabel = "\xCD\xF8\xD6\xB7\xC2\xB7\xBE\xB6:";  // 网址路径:
inline constexpr std::string_view kAddressLabel = "\xBB\xF1\xB5\xC3\xCD\xF8\xD6\xB7:";     // 获得网址:
inline constexpr std::string_view kLogLabel = "\xD0\xC5\xCF\xA2\xB1\xED:";                 // 信息表:
inline constexpr std::string_view kStartCaption = "\xC6\xF4\xB6\xAF";                      // 启动
inline constexpr std::string_view kStopCaption = "\xCD\xA3\xD6\xB9";                       // 停止
inline constexpr std::string_view kTrayCaption = "\xCD\xD0\xC5\xCC";                       // 托盘
inline constexpr std::string_view kBrowseCaption = "\xE4\xAF\xC0\xC0";                     // 浏览
inline constexpr std::string_view kOpenSiteCaption = "\xB4\xF2\xBF\xAA\xCD\xF8\xD2\xB3";   // 打开网页
inline constexpr std::string_view kInitialPortText = "80";
// The balloon at the first hide to the notification area:
// OrvaneServer 仍在运行，单击此图标可恢复窗口。
// (still running; click this icon to bring the window back).
inline constexpr std::string_view kStillRunningBalloon =
    "OrvaneServer \xC8\xD4\xD4\xDA\xD4\xCB\xD0\xD0\xA3\xAC\xB5\xA5\xBB\xF7\xB4\xCB\xCD\xBC"
    "\xB1\xEA\xBF\xC9\xBB\xD6\xB8\xB4\xB4\xB0\xBF\xDA\xA1\xA3";

// Caption of every information box.
inline constexpr std::string_view kInfoBoxCaption = "\xD0\xC5\xCF\xA2\xA3\xBA";            // 信息：
// The folder picker's prompt: 请选择网站的目录：
inline constexpr std::string_view kChooseFolderPrompt =
    "\xC7\xEB\xD1\xA1\xD4\xF1\xCD\xF8\xD5\xBE\xB5\xC4\xC4\xBF\xC2\xBC\xA3\xBA";
// The picker for the folder uploads go to: 选择上传的文件存放的文件夹
inline constexpr std::string_view kChooseUploadFolderPrompt =
    "\xD1\xA1\xD4\xF1\xC9\xCF\xB4\xAB\xB5\xC4\xCE\xC4\xBC\xFE\xB4\xE6\xB7\xC5\xB5\xC4"
    "\xCE\xC4\xBC\xFE\xBC\xD0";
inline constexpr std::string_view kInstructionsText = "\xC7\xEB\xBF\xB4\xCB\xB5\xC3\xF7";  // 请看说明
// The options menu beside the two menus of the resources; its items are the
// captions of the options table's rows.
inline constexpr std::string_view kOptionsMenuCaption = "\xD1\xA1\xCF\xEE(&O)";          // 选项(&O)
// The options menu's item that picks where uploads go; the folder follows
// it after a tab: 上传到的文件夹(&F)...
inline constexpr std::string_view kUploadFolderCaption =
    "\xC9\xCF\xB4\xAB\xB5\xBD\xB5\xC4\xCE\xC4\xBC\xFE\xBC\xD0(&F)...";
// Below the check items: a new access code, which ends every earlier one.
inline constexpr std::string_view kRenewCodeCaption =
    "\xBB\xBB\xD2\xBB\xB8\xF6\xB7\xC3\xCE\xCA\xC2\xEB(&N)";  // 换一个访问码(&N)
// The elevated step that adds a firewall rule for this program:
// 允许通过防火墙(&W)…
inline constexpr std::string_view kAllowFirewallCaption =
    "\xD4\xCA\xD0\xED\xCD\xA8\xB9\xFD\xB7\xC0\xBB\xF0\xC7\xBD(&W)\xA1\xAD";
// clang-format on
// The about box's contact line: 联系：请在本项目的问题跟踪页留言
// (contact: leave a message on this project's issue tracker).
inline constexpr std::string_view kAboutContactLine =
    "\xC1\xAA\xCF\xB5\xA3\xBA\xC7\xEB\xD4\xDA\xB1\xBE\xCF\xEE\xC4\xBF\xB5\xC4\xCE\xCA"
    "\xCC\xE2\xB8\xFA\xD7\xD9\xD2\xB3\xC1\xF4\xD1\xD4";

}  // namespace orvane::ui
