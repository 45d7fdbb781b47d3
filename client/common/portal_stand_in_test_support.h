// For integration tests: the portal stand-in quorvi-portal started on a free
// loopback port with a data folder of the test's own (a copy of the demo data
// that a test may add files to), its request log, and its fault switch.
#pragma once

#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "client/common/database_test_support.h"
#include "libmerv/libmerv.h"
#include "platform/file_test_support.h"

extern char** environ;

namespace quorvi::testing {

using platform::testing::ReadFile;
using platform::testing::WriteFile;

struct LoggedRequest {
    std::string path;
    std::string query;
    int status = 0;
};

class PortalStandIn {
public:
    PortalStandIn() {
        std::filesystem::copy(QUORVI_PORTAL_DEMO_DATA, DataFolder(),
                              std::filesystem::copy_options::recursive);
    }
    ~PortalStandIn() { Stop(); }
    PortalStandIn(const PortalStandIn&) = delete;
    PortalStandIn& operator=(const PortalStandIn&) = delete;

    // Where the data is served from ("app/" holds the catalogue and the icons).
    std::string DataFolder() const { return m_folder.Path() + "data/"; }

    // Starts the server; fails the test when it does not come up.
    void Start() {
        int pipeEnds[2];
        ASSERT_EQ(pipe(pipeEnds), 0);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDERR_FILENO);
        posix_spawn_file_actions_addclose(&actions, pipeEnds[0]);
        std::string program = QUORVI_PORTAL_PROGRAM, data = DataFolder(), log = LogPath();
        std::vector<char*> arguments = {program.data(),
                                        const_cast<char*>("--port"),
                                        const_cast<char*>("0"),
                                        const_cast<char*>("--data"),
                                        data.data(),
                                        const_cast<char*>("--log"),
                                        log.data(),
                                        nullptr};
        int spawned =
            posix_spawn(&m_pid, program.c_str(), &actions, nullptr, arguments.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        close(pipeEnds[1]);
        ASSERT_EQ(spawned, 0) << "cannot start " << program;

        // It names its address on standard error once it listens.
        std::FILE* announcements = fdopen(pipeEnds[0], "r");
        char line[1024];
        std::string said;
        while (m_port == 0 && std::fgets(line, sizeof line, announcements)) {
            said += line;
            const char* at = std::strstr(line, "on http://127.0.0.1:");
            if (at) m_port = std::atoi(at + std::strlen("on http://127.0.0.1:"));
        }
        // Keep draining its standard error so it never blocks on a full pipe.
        m_drain = std::thread([announcements] {
            char rest[1024];
            while (std::fgets(rest, sizeof rest, announcements)) {
            }
            std::fclose(announcements);
        });
        ASSERT_GT(m_port, 0) << "the portal did not start: " << said;
    }

    void Stop() {
        if (m_pid > 0) {
            kill(m_pid, SIGTERM);
            waitpid(m_pid, nullptr, 0);
            m_pid = 0;
        }
        if (m_drain.joinable()) m_drain.join();
    }

    // "http://127.0.0.1:PORT" (no trailing slash).
    std::string Origin() const { return "http://127.0.0.1:" + std::to_string(m_port); }

    // Injects a fault ("kind=truncate", "kind=stall&ms=0"...) on a path or prefix.
    void SetFault(const std::string& path, const std::string& settings) {
        std::string answer =
            Clibmerv::GetHttpContent(Origin() + "/_fault?path=" + path + "&" + settings);
        ASSERT_EQ(answer, "ok\n") << "fault " << settings << " on " << path;
    }
    void ClearFaults() { SetFault("", "kind=off"); }

    // Every request answered so far (the fault switch left out), in order.
    std::vector<LoggedRequest> Requests() const {
        std::vector<LoggedRequest> requests;
        std::ifstream in(LogPath());
        for (std::string line; std::getline(in, line);) {
            LoggedRequest request{Field(line, "path"), Field(line, "query")};
            request.status = std::atoi(Field(line, "status").c_str());
            if (request.path != "/_fault") requests.push_back(request);
        }
        return requests;
    }
    // Paths of the requests answered so far that begin with prefix.
    std::vector<std::string> PathsBelow(const std::string& prefix) const {
        std::vector<std::string> paths;
        for (const LoggedRequest& request : Requests())
            if (request.path.starts_with(prefix)) paths.push_back(request.path);
        return paths;
    }

private:
    std::string LogPath() const { return m_folder.Path() + "requests.log"; }

    // The value of a text or number field of one log line; the tests' paths and
    // queries hold no escaped characters.
    static std::string Field(const std::string& line, const std::string& name) {
        const std::string key = "\"" + name + "\":";
        std::size_t at = line.find(key);
        if (at == std::string::npos) return {};
        at += key.size();
        if (line[at] == '"') {
            std::size_t end = line.find('"', at + 1);
            return line.substr(at + 1, end - at - 1);
        }
        return line.substr(at, line.find_first_of(",}", at) - at);
    }

    TempFolder m_folder;
    pid_t m_pid = 0;
    int m_port = 0;
    std::thread m_drain;
};

}  // namespace quorvi::testing
