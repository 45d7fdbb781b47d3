#include "libmerv/http_get.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <httplib.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "libmerv/libmerv.h"

namespace {

using namespace std::chrono_literals;

std::string EveryByteValue() {
    std::string bytes;
    for (int round = 0; round < 4; ++round) {
        for (int value = 0; value < 256; ++value) bytes += static_cast<char>(value);
    }
    return bytes;
}

std::string RandomBytes(std::size_t size) {
    std::mt19937 random(11);
    std::string bytes(size, '\0');
    for (char& c : bytes) c = static_cast<char>(random());
    return bytes;
}

// An HTTP server on a free loopback port, answering until the fixture ends.
class HttpGetTest : public testing::Test {
protected:
    void SetUp() override {
        server_.Get("/binary", [](const httplib::Request&, httplib::Response& res) {
            res.set_content(EveryByteValue(), "application/octet-stream");
        });
        server_.Get("/large", [this](const httplib::Request&, httplib::Response& res) {
            res.set_content(large_, "application/octet-stream");
        });
        server_.Get("/missing", [](const httplib::Request&, httplib::Response& res) {
            res.status = 404;
            res.set_content("no such page", "text/plain");
        });
        server_.Get("/moved", [](const httplib::Request&, httplib::Response& res) {
            res.set_redirect("/binary");
            res.set_content("see elsewhere", "text/plain");
        });
        server_.Get("/stall", [this](const httplib::Request&, httplib::Response& res) {
            while (!stopping_) std::this_thread::sleep_for(20ms);  // never answers in time
            res.set_content("too late", "text/plain");
        });
        port_ = server_.bind_to_any_port("127.0.0.1");
        ASSERT_GT(port_, 0);
        // The socket already listens, so requests queue until the loop accepts them.
        thread_ = std::thread([this] { server_.listen_after_bind(); });
    }

    void TearDown() override {
        stopping_ = true;
        server_.stop();
        if (thread_.joinable()) thread_.join();
    }

    std::string Url(const std::string& path) const {
        return "http://127.0.0.1:" + std::to_string(port_) + path;
    }

    const std::string large_ = RandomBytes(5 * 1024 * 1024 + 3);
    httplib::Server server_;
    std::thread thread_;
    std::atomic<bool> stopping_{false};
    int port_ = 0;
};

// A loopback port on which nothing listens.
int ClosedPort() {
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    socklen_t size = sizeof address;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size);
    ::close(fd);
    return ntohs(address.sin_port);
}

TEST_F(HttpGetTest, BodyArrivesWholeWithNulBytes) {
    std::string body = Clibmerv::GetHttpContent(Url("/binary"));
    EXPECT_EQ(body.size(), 1024u);
    EXPECT_EQ(body, EveryByteValue());
    EXPECT_EQ(Clibmerv::GetHttpContent(Url("/large")), large_);
}

TEST_F(HttpGetTest, BodyIsReturnedWhateverTheStatusAndRedirectsAreNotFollowed) {
    EXPECT_EQ(Clibmerv::GetHttpContent(Url("/missing")), "no such page");
    EXPECT_EQ(Clibmerv::GetHttpContent(Url("/moved")), "see elsewhere");
}

TEST_F(HttpGetTest, ConcurrentCallsEachGetTheirOwnBody) {
    std::vector<std::string> bodies(6);
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < bodies.size(); ++i) {
        threads.emplace_back(
            [&, i] { bodies[i] = Clibmerv::GetHttpContent(Url(i % 2 ? "/large" : "/binary")); });
    }
    for (auto& thread : threads) thread.join();
    for (std::size_t i = 0; i < bodies.size(); ++i) {
        EXPECT_TRUE(bodies[i] == (i % 2 ? large_ : EveryByteValue())) << "call " << i;
    }
}

TEST_F(HttpGetTest, StalledServerIsGivenUpAfterTheStallTime) {
    auto start = std::chrono::steady_clock::now();
    std::string body = merv::HttpGet(Url("/stall"), {1000ms, 1s});
    auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(body, "");
    EXPECT_LT(elapsed, 10s);
}

// A loopback listener whose accept queue is full: further connection attempts
// get no answer at all, like an address that drops packets.
class BlackHole {
public:
    BlackHole() {
        listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address = Loopback(0);
        ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::listen(listener_, 0);
        socklen_t size = sizeof address;
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size);
        port_ = ntohs(address.sin_port);
        for (int& client : fillers_) {  // never accepted
            client = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
            sockaddr_in to = Loopback(port_);
            ::connect(client, reinterpret_cast<sockaddr*>(&to), sizeof to);
        }
        std::this_thread::sleep_for(100ms);
    }
    ~BlackHole() {
        for (int client : fillers_) ::close(client);
        ::close(listener_);
    }
    int port() const { return port_; }

private:
    static sockaddr_in Loopback(int port) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(static_cast<std::uint16_t>(port));
        return address;
    }
    int listener_ = -1;
    int fillers_[3] = {-1, -1, -1};
    int port_ = 0;
};

TEST(HttpGet, SilentAddressIsGivenUpAfterTheConnectTimeout) {
    BlackHole hole;
    auto start = std::chrono::steady_clock::now();
    std::string body =
        merv::HttpGet("http://127.0.0.1:" + std::to_string(hole.port()) + "/", {500ms, 60s});
    auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(body, "");
    EXPECT_GE(elapsed, 400ms);  // it really waited for an answer that never came
    EXPECT_LT(elapsed, 10s);
}

TEST(HttpGet, UnreachableAddressGivesEmptyTextPromptly) {
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Clibmerv::GetHttpContent("http://127.0.0.1:" + std::to_string(ClosedPort()) + "/"),
              "");
    EXPECT_LT(std::chrono::steady_clock::now() - start, 10s);
    EXPECT_EQ(Clibmerv::GetHttpContent("not a url at all"), "");
}

}  // namespace
