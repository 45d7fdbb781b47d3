// Steady-state icon update: 1,000 icons already level with their published
// digests, so the pass digests every icon and fetches none. Compared in the
// same run with md5sum over the same files.
//
//   icon_update_bench [icon count] [repetitions]
#include <tinyxml.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "client/update/update_apps_thread.h"
#include "libmerv/libmerv.h"
#include "platform/bench_report.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::duration duration) {
    return std::chrono::duration<double>(duration).count();
}

// Icon-like content: a few kilobytes each, every file different.
std::string IconBytes(int index) {
    std::string bytes(2048 + (index * 37) % 6144, '\0');
    std::uint32_t state = 2166136261u ^ static_cast<std::uint32_t>(index);
    for (char& c : bytes) {
        state = state * 1664525u + 1013904223u;
        c = static_cast<char>(state >> 24);
    }
    return bytes;
}

}  // namespace

int main(int argc, char** argv) {
    const int count = argc > 1 ? std::atoi(argv[1]) : 1000;
    const int repetitions = argc > 2 ? std::atoi(argv[2]) : 5;

    std::string folder =
        (std::filesystem::temp_directory_path() / "quorvi-iconbenchXXXXXX").string();
    if (!mkdtemp(folder.data())) return 1;
    folder += "/";
    const std::string skin = folder + "skin/quorvi/";
    std::filesystem::create_directories(skin + "apps");

    // The catalogue: groups of 20 applications, every icon with its digest.
    std::string document = "<apps>";
    std::string fileList;
    std::size_t totalBytes = 0;
    for (int i = 0; i < count; ++i) {
        const std::string icon = "apps/icon" + std::to_string(i) + ".png";
        const std::string bytes = IconBytes(i);
        std::ofstream(skin + icon, std::ios::binary) << bytes;
        totalBytes += bytes.size();
        fileList += " " + skin + icon;
        if (i % 20 == 0) document += i == 0 ? "<group>" : "</group><group>";
        document += "<app icon='" + icon + "' iconMd5='" + Clibmerv::md5ex(bytes) + "'/>";
    }
    document += "</group></apps>";
    TiXmlDocument catalogue;
    catalogue.Parse(document.c_str());

    // Nothing listens there: a fetch would fail, and is counted as a fault below.
    quorvi::AppsUpdateSettings settings;
    settings.programFolder = folder;
    settings.catalogueUrl = "http://127.0.0.1:1/appsn.php";
    settings.iconServer = "http://127.0.0.1:1/";
    const std::string md5sum = "md5sum" + fileList + " > /dev/null";

    std::vector<double> updateTimes, md5sumTimes;
    for (int run = 0; run < repetitions; ++run) {
        quorvi::AppsUpdateOutcome outcome;
        auto start = Clock::now();
        quorvi::UpdateIcons(catalogue.RootElement(), settings, outcome);
        updateTimes.push_back(Seconds(Clock::now() - start));
        if (outcome.iconsChecked != count || outcome.iconsFetched != 0) {
            std::fprintf(stderr, "steady state broken: %d checked, %d fetched\n",
                         outcome.iconsChecked, outcome.iconsFetched);
            return 1;
        }
        start = Clock::now();
        if (std::system(md5sum.c_str()) != 0) return 1;
        md5sumTimes.push_back(Seconds(Clock::now() - start));
    }
    std::filesystem::remove_all(folder);

    std::sort(updateTimes.begin(), updateTimes.end());
    std::sort(md5sumTimes.begin(), md5sumTimes.end());
    const double update = updateTimes[updateTimes.size() / 2];
    const double reference = md5sumTimes[md5sumTimes.size() / 2];
    std::printf("icons: %d (%.1f MB), repetitions: %d, medians:\n", count, totalBytes / 1e6,
                repetitions);
    std::printf("  icon update pass (digest per icon, no fetch): %8.2f ms\n", update * 1e3);
    std::printf("  md5sum over the same files:                   %8.2f ms\n", reference * 1e3);
    std::printf("  ratio update / md5sum:                        %8.2f\n", update / reference);
    platform::PrintBenchRow(
        "icon update pass over " + std::to_string(count) + " icons against md5sum", update * 1e3,
        reference * 1e3, "ms", {});
    return 0;
}
