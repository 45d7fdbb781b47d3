// The main window's custom messages, WM_USER + 100 to WM_USER + 113.
//
// Every one is sent (SendMessage) except WM_START_CONTENT_FETCH and
// WM_DOWNLOAD_PROGRESS, which are posted. A text or record passed by address
// belongs to the sender and is valid only while the handler runs: handlers copy
// what they keep. A "text" below is a NUL-terminated GBK `const char*`.
#pragma once

#include "ui/core/win_types.h"

// lParam: text, the failure message.
inline constexpr UINT WM_LOGIN_FAILED = WM_USER + 100;
// lParam: text, the user button's user data (the login answer).
inline constexpr UINT WM_LOGIN_SUCCEEDED = WM_USER + 101;
// lParam: address of a UserInfo record.
inline constexpr UINT WM_USER_INFO = WM_USER + 102;
// wParam: address of a 32-bit application id, or 0; lParam: text, the address to open.
inline constexpr UINT WM_OPEN_APPLICATION = WM_USER + 103;
// Posted after each changed file and once at the end; lParam: address of a copy of
// the file update's UpdateProgress, valid while the handler runs.
inline constexpr UINT WM_DOWNLOAD_PROGRESS = WM_USER + 104;
// lParam: address of a copy of UpdateProgress; the handler returns 1 to cancel the download.
inline constexpr UINT WM_QUERY_DOWNLOAD_CANCEL = WM_USER + 105;
// No sender.
inline constexpr UINT WM_SHOW_SEARCH_RESULTS = WM_USER + 106;
// Posted, wParam 0, lParam 0: the home page has finished loading.
inline constexpr UINT WM_START_CONTENT_FETCH = WM_USER + 107;
// lParam: text, the address a page asked to open in a new window.
inline constexpr UINT WM_OPEN_SIGNED_LINK = WM_USER + 108;
// WM_USER + 109 is ignored.
// lParam: address of a ClientConfig whose four login fields are filled.
inline constexpr UINT WM_SAVE_LOGIN = WM_USER + 110;
// wParam 1, lParam 0.
inline constexpr UINT WM_SIGNED_OUT = WM_USER + 111;
// wParam 1, lParam 0.
inline constexpr UINT WM_OPEN_PERSONAL_CENTER = WM_USER + 112;
// wParam: the content worker's mode (0 script plug-in, 1 recharge parameters);
// lParam: text, the fetched body (empty when the fetch failed).
inline constexpr UINT WM_HOME_CONTENT = WM_USER + 113;

static_assert(WM_LOGIN_FAILED == 1124 && WM_HOME_CONTENT == 1137);
