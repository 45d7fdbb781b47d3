// For integration tests: the portal stand-in quorvi-portal started on a free
// loopback port with a data folder of the test's own (a copy of the demo data
// that a test may add files to), its request log, and its fault switch.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "client/common/database_test_support.h"
#include "libmerv/libmerv.h"
#include "platform/file_test_support.h"
#include "platform/server_process_test_support.h"

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
        const int port = m_server.Start(
            QUORVI_PORTAL_PROGRAM, {"--port", "0", "--data", DataFolder(), "--log", LogPath()});
        ASSERT_GT(port, 0) << "the portal did not start: " << m_server.Said();
    }
    void Stop() { m_server.Stop(); }

    // "http://127.0.0.1:PORT" (no trailing slash).
    std::string Origin() const { return m_server.Origin(); }

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
    platform::testing::ServerProcess m_server;
};

}  // namespace quorvi::testing
