#include "client/account/http_content_thread.h"

#include "client/common/messages.h"
#include "client/common/portal_urls.h"
#include "client/common/window_delivery.h"
#include "libmerv/http_get.h"
#include "ui/core/win_api.h"

namespace quorvi {

ContentEndpoints ContentEndpoints::Default() {
    return {urls::kScriptPluginUrl.str(), urls::kRechargeParamsUrl.str()};
}

CHttpContentCallbackThread::CHttpContentCallbackThread(HWND target, ContentEndpoints endpoints)
    : m_target(target), m_mode(kScriptPluginMode), m_endpoints(std::move(endpoints)) {}

CHttpContentCallbackThread::CHttpContentCallbackThread(HWND target, std::string schoolAccount,
                                                       ContentEndpoints endpoints)
    : m_target(target),
      m_mode(kRechargeParamsMode),
      m_schoolAccount(std::move(schoolAccount)),
      m_endpoints(std::move(endpoints)) {}

int CHttpContentCallbackThread::Run() {
    // What arrived, whatever the status, as the library's GET gives it; a failed
    // transfer leaves it empty, and the window still hears of it. Stopped early
    // when the program ends.
    std::string url;
    if (m_mode == kScriptPluginMode) url = m_endpoints.scriptPluginUrl;
    if (m_mode == kRechargeParamsMode) url = m_endpoints.rechargeParamsUrl + m_schoolAccount;
    std::string body;
    if (!url.empty()) {
        merv::HttpOptions options;
        options.stop = &StopFlag();
        merv::HttpGetText(url, body, options);
        if (StopRequested()) return Finish();
    }
    DeliverText(m_target, WM_HOME_CONTENT, static_cast<WPARAM>(m_mode), std::move(body));
    return Finish();
}

}  // namespace quorvi
