// quorvi-portal: the local stand-in for the portal's servers.
//
//   quorvi-portal [--port N] [--data DIR] [--log FILE] [--bind HOST]
//
// Defaults: the port of the build's portal origin, the data folder
// "portal-data" beside the program, the request log on standard output, and
// the loopback address. Port 0 takes any free port. SIGINT or SIGTERM stops it.
#include <pthread.h>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <thread>

#include "portal/command_line.h"
#include "portal/portal_server.h"
#include "quorvi/build_config.h"

namespace {

std::string ProgramFolder() {
    std::error_code error;
    std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string(".") : exe.parent_path().string();
}

}  // namespace

int main(int argc, char** argv) {
    portal::CommandLine defaults;
    defaults.port = portal::PortOfOrigin(quorvi::kPortalOrigin);
    defaults.data_dir = ProgramFolder() + "/portal-data";
    std::string error;
    auto line = portal::ParseCommandLine({argv + 1, argv + argc}, defaults, error);
    if (!line) {
        std::fprintf(stderr,
                     "quorvi-portal: %s\nusage: quorvi-portal [--port N] [--data DIR] [--log FILE] "
                     "[--bind HOST]\n",
                     error.c_str());
        return 2;
    }

    // Signals are taken by one waiting thread; every other thread has them blocked.
    sigset_t stop_signals;
    sigemptyset(&stop_signals);
    sigaddset(&stop_signals, SIGINT);
    sigaddset(&stop_signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stop_signals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    portal::PortalServer server({line->data_dir, line->log_path});
    if (!server.Load(error)) {
        std::fprintf(stderr, "quorvi-portal: %s\n", error.c_str());
        return 1;
    }
    for (const std::string& warning : server.warnings())
        std::fprintf(stderr, "quorvi-portal: %s\n", warning.c_str());
    int port = server.Bind(line->host, line->port, error);
    if (port < 0) {
        std::fprintf(stderr, "quorvi-portal: %s\n", error.c_str());
        return 1;
    }
    std::fprintf(stderr, "quorvi-portal: serving %s on http://%s:%d/\n", line->data_dir.c_str(),
                 line->host.c_str(), port);

    std::atomic<bool> run_over = false;
    std::thread signal_waiter([&] {
        int signal = 0;
        sigwait(&stop_signals, &signal);
        // A stop that comes before the server listens is lost, so repeat it until Run() ends.
        while (!run_over) {
            server.Stop();
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    });
    bool served = server.Run();
    run_over = true;
    // Run() may also end by itself (a failure): wake a waiter still in sigwait.
    pthread_kill(signal_waiter.native_handle(), SIGTERM);
    signal_waiter.join();
    return served ? 0 : 1;
}
