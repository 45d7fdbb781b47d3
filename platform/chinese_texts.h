// The system's Chinese texts, as GBK (code page 936) bytes.
//
// Source files are UTF-8, while the system's narrow texts are GBK, so every Chinese
// literal lives here as escaped GBK bytes with its text in the comment above it.
#pragma once

namespace platform::texts {

// Placeholder of the search box.
// "搜索更多应用"
inline constexpr const char kSearchPlaceholder[] =
    "\xCB\xD1\xCB\xF7\xB8\xFC\xB6\xE0\xD3\xA6\xD3\xC3";

// Search result label when the keyword is empty or the placeholder.
// "请输入关键词搜索"
inline constexpr const char kSearchEnterKeyword[] =
    "\xC7\xEB\xCA\xE4\xC8\xEB\xB9\xD8\xBC\xFC\xB4\xCA\xCB\xD1\xCB\xF7";

// Search result label: prefix before the count (ends with a blank).
// "共搜索到 "
inline constexpr const char kSearchCountPrefix[] = "\xB9\xB2\xCB\xD1\xCB\xF7\xB5\xBD ";

// Search result label: suffix after the count (starts with a blank).
// " 个应用"
inline constexpr const char kSearchCountSuffix[] = " \xB8\xF6\xD3\xA6\xD3\xC3";

// Tooltip of the close button of a download status control.
// "取消下载"
inline constexpr const char kCancelDownloadTooltip[] = "\xC8\xA1\xCF\xFB\xCF\xC2\xD4\xD8";

// The name screen readers give a download status control's progress bar.
// "下载进度"
inline constexpr const char kDownloadProgress[] = "\xCF\xC2\xD4\xD8\xBD\xF8\xB6\xC8";

// Shown by a download status control in place of its progress bar when the
// plugin's files did not all arrive.
// "下载失败"
inline constexpr const char kDownloadFailed[] = "\xCF\xC2\xD4\xD8\xCA\xA7\xB0\xDC";

// Login failure message when the server gives none (ASCII comma).
// "登录失败,请确认用户名密码是否正确"
inline constexpr const char kLoginFailedDefaultMessage[] =
    "\xB5\xC7\xC2\xBC\xCA\xA7\xB0\xDC,"
    "\xC7\xEB\xC8\xB7\xC8\xCF\xD3\xC3\xBB\xA7\xC3\xFB\xC3\xDC\xC2\xEB\xCA\xC7\xB7\xF1\xD5\xFD\xC8"
    "\xB7";

// Login window message when the server could not be reached (ASCII comma).
// "无法连接服务器,请检查网络后重试"
inline constexpr const char kLoginServerUnreachable[] =
    "\xCE\xDE\xB7\xA8\xC1\xAC\xBD\xD3\xB7\xFE\xCE\xF1\xC6\xF7,"
    "\xC7\xEB\xBC\xEC\xB2\xE9\xCD\xF8\xC2\xE7\xBA\xF3\xD6\xD8\xCA\xD4";

// Login window message when the server answered with something that is not a
// login answer, an error page say (ASCII comma).
// "服务器返回的信息无法识别,请稍后重试"
inline constexpr const char kLoginAnswerUnreadable[] =
    "\xB7\xFE\xCE\xF1\xC6\xF7\xB7\xB5\xBB\xD8\xB5\xC4\xD0\xC5\xCF\xA2"
    "\xCE\xDE\xB7\xA8\xCA\xB6\xB1\xF0,\xC7\xEB\xC9\xD4\xBA\xF3\xD6\xD8\xCA\xD4";

// Text of the user button when nobody is signed in.
// "登录"
inline constexpr const char kLoginButtonText[] = "\xB5\xC7\xC2\xBC";

// Message shown to a second launcher instance (ASCII comma and '!').
// "程序已经在运行中,请勿重复启动!"
inline constexpr const char kAlreadyRunningMessage[] =
    "\xB3\xCC\xD0\xF2\xD2\xD1\xBE\xAD\xD4\xDA\xD4\xCB\xD0\xD0\xD6\xD0,"
    "\xC7\xEB\xCE\xF0\xD6\xD8\xB8\xB4\xC6\xF4\xB6\xAF!";

}  // namespace platform::texts
