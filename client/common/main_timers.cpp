#include "client/common/main_timers.h"

#include "ui/core/paint_manager.h"

namespace quorvi {

bool MainTimers::Set(MainTimer timer) {
    DuiLib::CControlUI* root = m_manager.GetRoot();
    if (!root || !m_manager.SetTimer(root, static_cast<UINT>(timer), PeriodOf(timer))) return false;
    m_running.set(Index(timer));
    return true;
}

void MainTimers::Kill(MainTimer timer) {
    if (DuiLib::CControlUI* root = m_manager.GetRoot())
        m_manager.KillTimer(root, static_cast<UINT>(timer));
    m_running.reset(Index(timer));
}

}  // namespace quorvi
