// The main window's five timers, all on the skin's root control: their ids and
// periods in one table, and which of them are running.
#pragma once

#include <bitset>

#include "ui/core/win_types.h"

namespace DuiLib {
class CPaintManagerUI;
}

namespace quorvi {

enum class MainTimer : UINT {
    SecondStage = 1,     // once, 2 s after the catalogue loaded
    CatalogueRetry = 2,  // while "apps.xml" is missing or broken
    LiveSearch = 3,      // once, after the search box gains the focus or its text changes
    ClientReport = 4,
    TrimWorkingSet = 5,
};

constexpr UINT PeriodOf(MainTimer timer) {
    switch (timer) {
        case MainTimer::SecondStage:
            return 2000;
        case MainTimer::CatalogueRetry:
            return 3000;
        case MainTimer::LiveSearch:
            return 1000;
        case MainTimer::ClientReport:
            return 300000;
        case MainTimer::TrimWorkingSet:
            return 30000;
    }
    return 0;
}

class MainTimers {
public:
    explicit MainTimers(DuiLib::CPaintManagerUI& manager) : m_manager(manager) {}

    // (Re)starts the timer with its period; false when the skin has no root.
    bool Set(MainTimer timer);
    void Kill(MainTimer timer);
    bool IsSet(MainTimer timer) const { return m_running.test(Index(timer)); }

private:
    static size_t Index(MainTimer timer) { return static_cast<size_t>(timer); }

    DuiLib::CPaintManagerUI& m_manager;
    std::bitset<6> m_running;
};

}  // namespace quorvi
