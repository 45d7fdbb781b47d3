// updrix, the final updater: started hidden by the client; no command line, no
// window. Exits with 0 once a tick has found nothing to swap and no client.
#include "updrix/final_updater.h"

int main() {
    updrix::CTimer timer;
    timer.Start(updrix::kFirstTick, updrix::kTickPeriod);
    timer.WaitUntilClosed();
    timer.Stop();
    return 0;
}
