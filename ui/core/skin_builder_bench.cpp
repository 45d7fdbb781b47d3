// The skin builder's cost per control: a window's skin of 500 and of 8,000
// floating options (names, texts, images, positions, a group, as the
// catalogue's quick bars have them) built and attached to a headless window.
// The 500-control skin is the reference for the 8,000-control one.
//
// Goal: the cost per control at 8,000 within 15% of that at 500 (the builder
// is linear in the skin). Medians of the runs, in processor time of the thread.
//
// Usage: skin_builder_bench [runs]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/bench_report.h"
#include "ui/core/test_support.h"

namespace {

using Clock = platform::ThreadClock;

std::string Skin(int controls) {
    std::string xml =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Window size=\"950,553\">\n"
        "<Font name=\"Arial\" size=\"12\" default=\"true\"/>\n<VerticalLayout>\n"
        "<!-- the quick bars -->\n";
    for (int i = 0; i < controls; ++i) {
        const std::string n = std::to_string(i);
        const int left = 65 + 140 * (i % 6), top = 20 + 130 * (i / 6);
        xml += "  <Option name=\"optLink" + n + "\" text=\"\xE5\xBA\x94\xE7\x94\xA8 " + n +
               "\" float=\"true\" pos=\"" + std::to_string(left) + "," + std::to_string(top) + "," +
               std::to_string(left + 100) + "," + std::to_string(top + 100) +
               "\" group=\"quickbar\" normalimage=\"toolbar_normal.png\" "
               "hotimage=\"toolbar_hover.png\" foreimage=\"file='apps/" +
               n + ".png' dest='16,0,84,70'\" userdata=\"http://apps.example.edu/" + n + "\"/>\n";
    }
    return xml + "</VerticalLayout>\n</Window>\n";
}

// Microseconds per control of building and attaching the skin once.
double MicrosecondsPerControl(ui_test::TestWindow& window, const std::string& skin, int controls) {
    const auto start = Clock::now();
    DuiLib::CDialogBuilder builder;
    DuiLib::CControlUI* root = builder.Create(skin, nullptr, nullptr, &window.pm);
    const bool attached = window.pm.AttachDialog(root);
    const double elapsed = std::chrono::duration<double, std::micro>(Clock::now() - start).count();
    if (!attached || window.pm.FindControl("optLink" + std::to_string(controls - 1)) == nullptr) {
        std::fprintf(stderr, "skin_builder_bench: the skin was not built\n");
        std::exit(1);
    }
    window.pm.AttachDialog(new DuiLib::CControlUI);  // the built tree goes, untimed
    return elapsed / controls;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 21;
    ui::InstallHeadlessBackend();
    ui_test::TestWindow window;
    window.Open(0, 0, 950, 553);
    ui::RunUntilIdle();

    // Interleaved, so that whatever else the machine does weighs on both alike.
    const std::string smallSkin = Skin(500), largeSkin = Skin(8000);
    MicrosecondsPerControl(window, smallSkin, 500);  // warm-up
    std::vector<double> smallUs, largeUs;
    for (int round = 0; round < runs; ++round) {
        largeUs.push_back(MicrosecondsPerControl(window, largeSkin, 8000));
        for (int i = 0; i < 4; ++i)
            smallUs.push_back(MicrosecondsPerControl(window, smallSkin, 500));
    }
    const double small = Median(smallUs), large = Median(largeUs);
    std::printf(
        "skin builder, build and attach, medians: %.2f us per control at 500 controls, "
        "%.2f us at 8,000\n",
        small, large);
    const bool met = platform::PrintBenchRow("skin builder: us per control, 8,000 against 500",
                                             large, small, "us", {1.15, 0.85});
    return met ? 0 : 1;
}
