#include "client/account/http_content_thread.h"

#include "client/common/messages.h"
#include "client/common/portal_urls.h"
#include "client/common/window_delivery.h"
#include "libmerv/libmerv.h"
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
    std::string body;  // a failed transfer leaves it empty, and the window still hears of it
    if (m_mode == kScriptPluginMode) {
        body = Clibmerv::GetHttpContent(m_endpoints.scriptPluginUrl);
    } else if (m_mode == kRechargeParamsMode) {
        body = Clibmerv::GetHttpContent(m_endpoints.rechargeParamsUrl + m_schoolAccount);
    }
    DeliverText(m_target, WM_HOME_CONTENT, static_cast<WPARAM>(m_mode), std::move(body));
    return Finish();
}

}  // namespace quorvi
