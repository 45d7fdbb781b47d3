// Building a skin of N controls and looking every control up by name, at
// 500, 2,000 and 8,000 controls. Both should cost the same per control at
// every size (the name lookup is a map kept by the paint manager).
#include <benchmark/benchmark.h>

#include <string>

#include "ui/core/UIlib.h"
#include "ui/core/headless_backend.h"

namespace {

using namespace DuiLib;

class BenchWindow : public CWindowWnd {
public:
    LRESULT HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) override {
        if (uMsg == WM_CREATE) pm.Init(m_hWnd);
        return CWindowWnd::HandleMessage(uMsg, wParam, lParam);
    }
    CPaintManagerUI pm;

protected:
    LPCTSTR GetWindowClassName() const override { return "BenchWindow"; }
};

// Groups of ten catalogue options, each with the attributes the catalogue gives them.
std::string MakeSkin(int controls) {
    std::string xml = "<Window size=\"950,553\"><VerticalLayout name=\"root\">";
    int groups = controls / 11;
    for (int g = 0; g < groups; ++g) {
        xml += "<Container name=\"Container" + std::to_string(g) + "\" visible=\"false\">";
        for (int i = 0; i < 10; ++i) {
            int id = g * 10 + i;
            xml +=
                "<Option name=\"optLink" + std::to_string(id) +
                "\" float=\"true\" width=\"100\" "
                "height=\"100\" pos=\"" +
                std::to_string(75 + 145 * (i % 6)) + "," + std::to_string(32 + 130 * (i / 6)) +
                ",0,0\" group=\"quickbar\" "
                "textcolor=\"#00FFFBF0\" align=\"centerbottom\" normalimage=\"toolbar_normal.png\" "
                "foreimage=\"file='icon.png' dest='16,0,84,70'\" userdata=\"http://a.test/" +
                std::to_string(id) + "\" />";
        }
        xml += "</Container>";
    }
    return xml + "</VerticalLayout></Window>";
}

void BuildSkin(benchmark::State& state) {
    ui::InstallHeadlessBackend();
    std::string skin = MakeSkin(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        BenchWindow window;
        window.Create(nullptr, "bench", WS_POPUP, 0, 0, 0, 950, 553);
        CDialogBuilder builder;
        window.pm.AttachDialog(builder.Create(skin, nullptr, nullptr, &window.pm));
        window.pm.UpdateLayout();
        benchmark::DoNotOptimize(window.pm.GetRoot());
        DestroyWindow(window.GetHWND());
        ui::RunUntilIdle();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
    state.SetComplexityN(state.range(0));
}

void FindEveryControlByName(benchmark::State& state) {
    ui::InstallHeadlessBackend();
    int controls = static_cast<int>(state.range(0));
    BenchWindow window;
    window.Create(nullptr, "bench", WS_POPUP, 0, 0, 0, 950, 553);
    CDialogBuilder builder;
    window.pm.AttachDialog(builder.Create(MakeSkin(controls), nullptr, nullptr, &window.pm));
    int options = controls / 11 * 10;
    std::vector<std::string> names;
    for (int id = 0; id < options; ++id) names.push_back("optLink" + std::to_string(id));
    for (auto _ : state) {
        for (const std::string& name : names) benchmark::DoNotOptimize(window.pm.FindControl(name));
    }
    if (!window.pm.FindControl(names.back())) state.SkipWithError("a control was not found");
    state.SetItemsProcessed(state.iterations() * options);
    state.SetComplexityN(state.range(0));
    DestroyWindow(window.GetHWND());
    ui::RunUntilIdle();
}

BENCHMARK(BuildSkin)->Arg(500)->Arg(2000)->Arg(8000)->Unit(benchmark::kMillisecond)->Complexity();
BENCHMARK(FindEveryControlByName)
    ->Arg(500)
    ->Arg(2000)
    ->Arg(8000)
    ->Unit(benchmark::kMicrosecond)
    ->Complexity();

}  // namespace

BENCHMARK_MAIN();
