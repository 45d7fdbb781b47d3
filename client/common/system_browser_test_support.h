// For tests: a stand-in for the system browser. The client opens web addresses
// through the `xdg-open` first on PATH; this one appends each address it is given
// to a file.
#pragma once

#include <chrono>
#include <cstdlib>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "client/common/database_test_support.h"
#include "platform/file_test_support.h"

namespace quorvi::testing {

class BrowserStandIn {
public:
    BrowserStandIn() {
        platform::testing::WriteFile(m_folder.Path() + "xdg-open",
                                     "#!/bin/sh\nprintf '%s\\n' \"$1\" >> \"$0.urls\"\n", 0755);
        m_savedPath = std::getenv("PATH");
        setenv("PATH", (m_folder.Path() + ":" + m_savedPath).c_str(), 1);
    }
    ~BrowserStandIn() { setenv("PATH", m_savedPath.c_str(), 1); }
    BrowserStandIn(const BrowserStandIn&) = delete;
    BrowserStandIn& operator=(const BrowserStandIn&) = delete;

    // The addresses opened, once `count` have arrived (started detached).
    std::vector<std::string> Opened(std::size_t count) {
        std::vector<std::string> lines;
        for (int i = 0; i < 500; ++i) {
            lines.clear();
            std::istringstream in(platform::testing::ReadFile(m_folder.Path() + "xdg-open.urls"));
            for (std::string line; std::getline(in, line);) lines.push_back(line);
            if (lines.size() >= count) break;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return lines;
    }

private:
    TempFolder m_folder;
    std::string m_savedPath;
};

}  // namespace quorvi::testing
