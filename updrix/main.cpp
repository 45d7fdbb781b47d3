// updrix, the final updater: started hidden by the client; no command line, no
// window. Exits with 0 once a tick has found nothing to swap and no client.
#include "updrix/final_updater.h"

#include <system_error>

int main() {
    updrix::CTimer timer;
    try {
        timer.Start(updrix::kFirstTick, updrix::kTickPeriod);
    } catch (const std::system_error&) {
        return 0;  // no timer thread: nothing can be done, as without a window
    }
    timer.WaitUntilClosed();
    timer.Stop();
    return 0;
}
