#include "client/browser/script_plugin_thread.h"

#include "client/common/messages.h"
#include "client/common/window_delivery.h"
#include "libmerv/http_get.h"

namespace quorvi {

CScriptPluginThread::CScriptPluginThread(HWND target, std::string scriptPluginUrl)
    : m_target(target), m_url(std::move(scriptPluginUrl)) {}

int CScriptPluginThread::Run() {
    std::string script;
    merv::HttpOptions options;
    options.stop = &StopFlag();
    // Only a whole, successful answer is a script: an error page or half a
    // script would only raise errors in the page.
    if (!merv::HttpGetText(m_url, script, options).Succeeded()) script.clear();
    DeliverText(m_target, WM_HOME_CONTENT, 0, std::move(script));
    return Finish();
}

}  // namespace quorvi
