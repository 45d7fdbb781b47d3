// FileDigest against md5sum on the same 256 MiB file, side by side in one run.
//
// Usage: merv_digest_bench [folder]   (default: the temp folder)
// Both read from a warm page cache; each runs three times and the best time
// counts. Prints both times, throughput, the ratio and whether the digests agree.
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <unistd.h>

#include "libmerv/libmerv.h"
#include "platform/bench_report.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr std::size_t kFileSize = 256u << 20;
constexpr int kRuns = 3;

void WriteNoiseFile(const fs::path& path) {
    std::vector<std::uint64_t> chunk((1u << 20) / sizeof(std::uint64_t));
    std::uint64_t state = 0x9e3779b97f4a7c15;
    std::ofstream out(path, std::ios::binary);
    for (std::size_t written = 0; written < kFileSize; written += chunk.size() * 8) {
        for (auto& word : chunk) {  // xorshift64: cheap bytes with no pattern
            state ^= state << 13;
            state ^= state >> 7;
            state ^= state << 17;
            word = state;
        }
        out.write(reinterpret_cast<const char*>(chunk.data()), chunk.size() * 8);
    }
}

std::string Md5sum(const fs::path& path) {
    std::string command = "md5sum '" + path.string() + "'";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(command.c_str(), "r"), ::pclose);
    char digest[33] = {};
    if (!pipe || std::fread(digest, 1, 32, pipe.get()) != 32) return "md5sum failed";
    return digest;
}

// Best wall time of kRuns calls, in seconds; the digest of the last call.
double BestOf(const std::function<std::string()>& run, std::string& digest) {
    double best = 1e9;
    for (int i = 0; i < kRuns; ++i) {
        auto start = Clock::now();
        digest = run();
        best = std::min(best, std::chrono::duration<double>(Clock::now() - start).count());
    }
    return best;
}

}  // namespace

int main(int argc, char** argv) {
    fs::path folder = argc > 1 ? fs::path(argv[1]) : fs::temp_directory_path();
    fs::path file = folder / ("merv-digest-bench-" + std::to_string(::getpid()) + ".bin");
    WriteNoiseFile(file);

    // Warm the page cache (and md5sum's program image) before timing.
    Md5sum(file);
    Clibmerv::FileDigest(file.string());

    std::string oursDigest, md5sumDigest;
    double ours = BestOf([&] { return Clibmerv::FileDigest(file.string()); }, oursDigest);
    double theirs = BestOf([&] { return Md5sum(file); }, md5sumDigest);
    fs::remove(file);

    const double megabytes = kFileSize / 1e6;
    std::printf("file: %zu MiB, best of %d runs, page cache warm\n", kFileSize >> 20, kRuns);
    std::printf("FileDigest  %7.3f s  %7.1f MB/s  %s\n", ours, megabytes / ours,
                oursDigest.c_str());
    std::printf("md5sum      %7.3f s  %7.1f MB/s  %s\n", theirs, megabytes / theirs,
                md5sumDigest.c_str());
    double ratio = ours / theirs;
    std::printf("ratio FileDigest/md5sum: %.3f (goal <= 1.05: %s)\n", ratio,
                ratio <= 1.05 ? "met" : "missed");
    if (oursDigest != md5sumDigest) {
        std::printf("DIGESTS DIFFER\n");
        return 1;
    }
    std::printf("digests agree\n");
    platform::PrintBenchRow("FileDigest of 256 MiB against md5sum", ours, theirs, "s", {1.05});
    return 0;
}
