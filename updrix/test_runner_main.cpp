// Test-only build of the final updater: the same timer and tick with the timing
// given on the command line, and one line per tick on standard output
// ("tick applied=N", the side files it put in place), so a test knows how many
// ticks have passed.
//   updrix_test_runner FIRST_MS PERIOD_MS
#include <cstdio>
#include <cstdlib>

#include "updrix/final_updater.h"

namespace {

class ReportingTimer : public updrix::CTimer {
public:
    ~ReportingTimer() override { Stop(); }

    void OnTimer() override {
        CTimer::OnTimer();
        std::printf("tick applied=%d\n", FoundCount());
        std::fflush(stdout);
    }
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fputs("usage: updrix_test_runner FIRST_MS PERIOD_MS\n", stderr);
        return 2;
    }
    const std::chrono::milliseconds firstTick(std::atoi(argv[1]));
    const std::chrono::milliseconds period(std::atoi(argv[2]));
    ReportingTimer timer;
    timer.Start(firstTick, period);
    timer.WaitUntilClosed();
    timer.Stop();
    return 0;
}
