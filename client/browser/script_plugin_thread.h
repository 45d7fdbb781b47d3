// CScriptPluginThread: one fetch of the portal's script plug-in for a window
// that shows web pages (an application dialog). The answer is delivered to the
// window as a HomeContent of the ScriptPlugin mode: the script (GBK), empty
// when the answer was not usable (FetchUsableText). A window that has closed
// meanwhile never hears of it.
//
// The fetch runs here rather than on the window's thread so that a server that
// stalls holds up only this worker; a stop request ends the transfer early.
#pragma once

#include <string>

#include "client/common/worker_thread.h"
#include "ui/core/win_types.h"

namespace quorvi {

class CScriptPluginThread : public CThread {
public:
    CScriptPluginThread(HWND target, std::string scriptPluginUrl);
    ~CScriptPluginThread() override { StopAndJoin(); }

protected:
    int Run() override;

private:
    HWND m_target;
    std::string m_url;
};

}  // namespace quorvi
