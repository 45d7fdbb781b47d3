// Helper program of the process tests, copied under a unique name by each test:
//   sleep SECONDS    sleeps (a process to find and end)
//   kill-own-name    ends every process of its own image name, then says it lives
#include <unistd.h>

#include <cstdio>
#include <string>

#include "platform/process.h"

int main(int argc, char** argv) {
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "sleep" && argc > 2) {
        ::sleep(static_cast<unsigned>(std::stoi(argv[2])));
        return 0;
    }
    if (command == "kill-own-name") {
        char path[4096];
        const ssize_t length = ::readlink("/proc/self/exe", path, sizeof path - 1);
        if (length <= 0) return 2;
        path[length] = '\0';
        const std::string self = path;
        platform::KillProcessesByName(self.substr(self.rfind('/') + 1) + ".exe");
        ::usleep(200 * 1000);  // a SIGKILL to ourselves would have landed by now
        std::puts("alive");
        return 0;
    }
    return 1;
}
