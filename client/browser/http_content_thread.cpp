#include "client/browser/http_content_thread.h"

#include "client/common/portal_urls.h"
#include "client/common/window_events.h"
#include "libmerv/http_get.h"
#include "ui/core/win_api.h"

namespace quorvi {

std::optional<std::string> FetchUsableText(const std::string& url, const std::atomic<bool>& stop) {
    std::string body;
    merv::HttpOptions options;
    options.stop = &stop;
    const bool usable = merv::HttpGetText(url, body, options).Succeeded();
    if (stop) return std::nullopt;
    if (!usable) body.clear();
    return body;
}

ContentEndpoints ContentEndpoints::Default() {
    return {urls::kScriptPluginUrl.str(), urls::kRechargeParamsUrl.str()};
}

CHttpContentCallbackThread::CHttpContentCallbackThread(HWND target, ContentEndpoints endpoints)
    : m_target(target), m_mode(ContentMode::ScriptPlugin), m_endpoints(std::move(endpoints)) {}

CHttpContentCallbackThread::CHttpContentCallbackThread(HWND target, std::string schoolAccount,
                                                       ContentEndpoints endpoints)
    : m_target(target),
      m_mode(ContentMode::RechargeParams),
      m_schoolAccount(std::move(schoolAccount)),
      m_endpoints(std::move(endpoints)) {}

int CHttpContentCallbackThread::Run() {
    const std::string url = m_mode == ContentMode::ScriptPlugin
                                ? m_endpoints.scriptPluginUrl
                                : m_endpoints.rechargeParamsUrl + m_schoolAccount;
    std::string body;
    if (!url.empty()) {
        std::optional<std::string> text = FetchUsableText(url, StopFlag());
        if (!text) return Finish();
        body = std::move(*text);
    }
    Deliver(m_target, HomeContent{m_mode, std::move(body)});
    return Finish();
}

}  // namespace quorvi
