#include "client/browser/script_plugin_thread.h"

#include "client/browser/http_content_thread.h"
#include "client/common/events.h"
#include "client/common/window_events.h"

namespace quorvi {

CScriptPluginThread::CScriptPluginThread(HWND target, std::string scriptPluginUrl)
    : m_target(target), m_url(std::move(scriptPluginUrl)) {}

int CScriptPluginThread::Run() {
    // Only a usable answer is a script: an error page or half a script would
    // only raise errors in the page.
    std::optional<std::string> script = FetchUsableText(m_url, StopFlag());
    if (script) Deliver(m_target, HomeContent{ContentMode::ScriptPlugin, std::move(*script)});
    return Finish();
}

}  // namespace quorvi
