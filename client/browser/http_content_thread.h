// CHttpContentCallbackThread: one fetch for the main window's home page, handed
// back as a HomeContent delivered to the window (its body empty when the answer
// was not usable, see FetchUsableText):
//
//   ScriptPlugin: the script plug-in, run in every page the home browser loads;
//   RechargeParams: the recharge parameters of a school account, appended to
//                   the home page.
//
// A window that has closed meanwhile never hears of it.
#pragma once

#include <atomic>
#include <optional>
#include <string>

#include "client/common/events.h"
#include "client/common/user_info.h"
#include "client/common/worker_thread.h"
#include "ui/core/win_types.h"

namespace quorvi {

// What the content fetches of the browser side (this worker and the script
// plug-in worker) make of an answer: only a whole answer with a 2xx status and
// a body within the size bound is usable; anything else (an error page, half an
// answer, none) gives an empty text, so a page never runs an error page as a
// script or carries it in its address. Nothing when `stop` ended the fetch:
// the program is closing and nobody waits for the text.
std::optional<std::string> FetchUsableText(const std::string& url, const std::atomic<bool>& stop);

// The two addresses the worker asks; tests point them at their own server.
struct ContentEndpoints {
    std::string scriptPluginUrl;
    std::string rechargeParamsUrl;  // followed by the school account, unencoded

    static ContentEndpoints Default();  // the portal's application-manager server
};

class CHttpContentCallbackThread : public CThread {
public:
    ~CHttpContentCallbackThread() override { StopAndJoin(); }

    // The script plug-in.
    explicit CHttpContentCallbackThread(HWND target,
                                        ContentEndpoints endpoints = ContentEndpoints::Default());
    // The recharge parameters of a school account: the user record's schoolAccount, the only
    // field of it the fetch reads.
    CHttpContentCallbackThread(HWND target, std::string schoolAccount,
                               ContentEndpoints endpoints = ContentEndpoints::Default());
    CHttpContentCallbackThread(HWND target, const UserInfo& user,
                               ContentEndpoints endpoints = ContentEndpoints::Default())
        : CHttpContentCallbackThread(target, user.schoolAccount, std::move(endpoints)) {}

protected:
    int Run() override;

private:
    HWND m_target;
    ContentMode m_mode;
    std::string m_schoolAccount;
    ContentEndpoints m_endpoints;
};

}  // namespace quorvi
