// The HTTP module: bodies, statuses, limits and stops, against a server of the
// test's own and against the portal stand-in's faults.
#include "libmerv/http_get.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <httplib.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "libmerv/libmerv.h"
#include "platform/log_test_support.h"
#include "platform/server_process_test_support.h"

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
        // No length announced: only the arriving bytes tell how long it is.
        server_.Get("/chunked", [this](const httplib::Request&, httplib::Response& res) {
            res.set_chunked_content_provider(
                "application/octet-stream", [this](std::size_t offset, httplib::DataSink& sink) {
                    if (offset < large_.size())
                        sink.write(large_.data() + offset,
                                   std::min<std::size_t>(64 * 1024, large_.size() - offset));
                    else
                        sink.done();
                    return true;
                });
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

TEST_F(HttpGetTest, AnswerPastTheMaximumSizeIsCutAndLeavesNothingBehind) {
    std::string pattern = (std::filesystem::temp_directory_path() / "mervXXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    const std::filesystem::path folder = pattern;
    const std::string destination = (folder / "big.bin").string();
    std::ofstream(destination) << "old copy";
    const auto filesLeft = [&] {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(folder))
            names.push_back(entry.path().filename().string() + ":" +
                            std::to_string(entry.file_size()));
        return names;
    };

    merv::HttpOptions options;
    for (const char* path : {"/large", "/chunked"}) {
        SCOPED_TRACE(path);
        // The bound itself is allowed.
        options.limits.maximumBodySize = large_.size();
        std::string body;
        EXPECT_TRUE(merv::HttpGetText(Url(path), body, options).Succeeded());
        EXPECT_TRUE(body == large_);

        options.limits.maximumBodySize = large_.size() - 1;
        merv::HttpResult result = merv::HttpGetText(Url(path), body, options);
        EXPECT_EQ(result.outcome, merv::HttpOutcome::TooLarge);
        EXPECT_EQ(body, "");
        EXPECT_LE(result.bytes, large_.size() - 1);

        options.limits.maximumBodySize = 1000;
        result = merv::HttpGetFile(Url(path), destination, options);
        EXPECT_EQ(result.outcome, merv::HttpOutcome::TooLarge);
        EXPECT_LE(result.bytes, 1000u);
        EXPECT_EQ(filesLeft(), std::vector<std::string>{"big.bin:8"});
    }
    std::filesystem::remove_all(folder);
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

// ---- pace of a transfer, on a clock of the test's own ---------------------------------------
namespace pace {

using Verdict = merv::TransferPace::Verdict;
using Clock = merv::TransferPace::Clock;

merv::HttpLimits Limits() {
    merv::HttpLimits limits;
    limits.stallTime = 10s;
    limits.minimumRate = 1000;
    limits.rateWindow = 4s;
    return limits;
}

// Feeds `rate` bytes per second, observed every 100 ms from `from` to `until`
// seconds; the first verdict other than Moving, or Moving.
Verdict Feed(merv::TransferPace& watch, Clock::time_point start, std::uint64_t& received,
             std::uint64_t rate, double from, double until) {
    const long first = std::lround(from * 1000);
    const long last = std::lround(until * 1000);
    const std::uint64_t base = received;
    for (long ms = first; ms <= last; ms += 100) {
        received = base + rate * static_cast<std::uint64_t>(ms - first + 100) / 1000;
        Verdict verdict = watch.Observe(start + std::chrono::milliseconds(ms), received);
        if (verdict != Verdict::Moving) return verdict;
    }
    return Verdict::Moving;
}

TEST(TransferPace, SteadyTransferAtTheMinimumRateIsNeverCut) {
    const Clock::time_point start{};
    merv::TransferPace watch(Limits(), start);
    std::uint64_t received = 0;
    EXPECT_EQ(Feed(watch, start, received, 1000, 0.1, 60), Verdict::Moving);
}

TEST(TransferPace, TrickleIsCutOnceAWindowHasPassedAndNotBefore) {
    const Clock::time_point start{};
    merv::TransferPace watch(Limits(), start);
    std::uint64_t received = 0;
    // Under the rate from the start: judged only once the transfer is a window old.
    EXPECT_EQ(Feed(watch, start, received, 200, 0.1, 3.9), Verdict::Moving);
    EXPECT_EQ(Feed(watch, start, received, 200, 4.0, 4.5), Verdict::TooSlow);
    EXPECT_NE(watch.Reason().find("too slow"), std::string::npos) << watch.Reason();
}

TEST(TransferPace, FastTransferThatSlowsToATrickleIsCutAWindowLater) {
    const Clock::time_point start{};
    merv::TransferPace watch(Limits(), start);
    std::uint64_t received = 0;
    EXPECT_EQ(Feed(watch, start, received, 1'000'000, 0.1, 10), Verdict::Moving);
    // The fast bytes still count while they lie inside the window.
    EXPECT_EQ(Feed(watch, start, received, 100, 10.1, 13.8), Verdict::Moving);
    EXPECT_EQ(Feed(watch, start, received, 100, 13.9, 15), Verdict::TooSlow);
}

TEST(TransferPace, SlowStartThatSpeedsUpIsKept) {
    const Clock::time_point start{};
    merv::TransferPace watch(Limits(), start);
    std::uint64_t received = 0;
    EXPECT_EQ(Feed(watch, start, received, 0, 0.1, 2), Verdict::Moving);  // waiting for the answer
    EXPECT_EQ(Feed(watch, start, received, 5000, 2.1, 30), Verdict::Moving);
}

TEST(TransferPace, SilenceIsAStallEvenWithoutARateRule) {
    merv::HttpLimits limits = Limits();
    limits.minimumRate = 0;  // no rate rule: only the stall limit
    const Clock::time_point start{};
    merv::TransferPace watch(limits, start);
    std::uint64_t received = 0;
    EXPECT_EQ(Feed(watch, start, received, 1, 0.1, 60), Verdict::Moving);  // a byte now and then
    EXPECT_EQ(watch.Observe(start + 69s, received), Verdict::Moving);
    EXPECT_EQ(watch.Observe(start + 70s, received), Verdict::Stalled);
    EXPECT_NE(watch.Reason().find("stalled"), std::string::npos) << watch.Reason();
}

}  // namespace pace

// ---- against the portal stand-in ------------------------------------------------------------

std::string ReadWhole(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteWhole(const std::filesystem::path& path, const std::string& content) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << content;
}

// The portal stand-in program on a free loopback port, serving a copy of its
// demo data (to which a test may add files) from a folder removed afterwards.
class PortalProcess {
public:
    PortalProcess() {
        std::string pattern = (std::filesystem::temp_directory_path() / "mervXXXXXX").string();
        if (::mkdtemp(pattern.data())) m_folder = pattern;
        std::filesystem::copy(QUORVI_PORTAL_DEMO_DATA, m_folder / "data",
                              std::filesystem::copy_options::recursive);
    }
    ~PortalProcess() {
        m_server.Stop();
        if (!m_folder.empty()) std::filesystem::remove_all(m_folder);
    }

    std::filesystem::path DataFolder() const { return m_folder / "data"; }

    void Start() {
        const int port =
            m_server.Start(QUORVI_PORTAL_PROGRAM, {"--port", "0", "--data", DataFolder().string(),
                                                   "--log", (m_folder / "requests.log").string()});
        ASSERT_GT(port, 0) << "the portal did not start: " << m_server.Said();
    }

    std::string Url(const std::string& path) const { return m_server.Origin() + path; }

    // Injects a fault ("kind=stall", "kind=slow&rate=200"...) on a path.
    void SetFault(const std::string& path, const std::string& settings) {
        ASSERT_EQ(merv::HttpGet(Url("/_fault?path=" + path + "&" + settings)), "ok\n");
    }

private:
    std::filesystem::path m_folder;
    platform::testing::ServerProcess m_server;
};

// A benchmark or test that dies without stopping its portal (a crash, a kill)
// leaves no portal behind holding the port.
TEST(PortalProcessTest, EndsWithTheProgramThatStartedIt) {
    PortalProcess portal;  // its data folder only
    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    const pid_t starter = ::fork();
    ASSERT_NE(starter, -1);
    if (starter == 0) {
        platform::testing::ServerProcess server;
        pid_t pid = server.Start(QUORVI_PORTAL_PROGRAM,
                                 {"--port", "0", "--data", portal.DataFolder().string(), "--log",
                                  "/dev/null"}) > 0
                        ? server.Pid()
                        : 0;
        if (::write(ends[1], &pid, sizeof pid) != sizeof pid) ::_exit(1);
        ::raise(SIGKILL);
    }
    ::close(ends[1]);
    pid_t server = 0;
    ASSERT_EQ(::read(ends[0], &server, sizeof server), static_cast<ssize_t>(sizeof server));
    ::close(ends[0]);
    ASSERT_GT(server, 0) << "the portal did not start";
    ASSERT_EQ(::waitpid(starter, nullptr, 0), starter);
    // Gone, or a zombie waiting for whoever took it over.
    auto running = [server] {
        std::ifstream stat("/proc/" + std::to_string(server) + "/stat");
        std::string pid, name, state;
        return stat >> pid >> name >> state && state != "Z";
    };
    for (auto end = std::chrono::steady_clock::now() + 10s;
         running() && std::chrono::steady_clock::now() < end;)
        std::this_thread::sleep_for(50ms);
    EXPECT_FALSE(running()) << "the portal outlived the program that started it";
    if (running()) ::kill(server, SIGKILL);
}

class HttpFileTest : public testing::Test {
protected:
    void SetUp() override {
        WriteWhole(portal_.DataFolder() / "app" / "big.bin", big_);
        portal_.Start();
        std::string pattern = (std::filesystem::temp_directory_path() / "mervXXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        folder_ = pattern;
        destination_ = folder_ / "big.bin";
    }
    void TearDown() override {
        // Releases any answer the portal still holds back.
        portal_.SetFault("", "kind=off");
        std::filesystem::remove_all(folder_);
    }

    // Short limits, so that a fault shows within seconds.
    static merv::HttpOptions Quick() {
        merv::HttpOptions options;
        options.limits.stallTime = 1s;
        options.limits.minimumRate = 2048;
        options.limits.rateWindow = 2s;
        return options;
    }

    // Every file left in the destination folder.
    std::vector<std::string> FilesLeft() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(folder_))
            names.push_back(entry.path().filename().string());
        return names;
    }

    // The destination holds an older copy that a failed transfer must leave alone.
    void ExpectOldCopyUntouched() const {
        EXPECT_EQ(ReadWhole(destination_), "old copy");
        EXPECT_EQ(FilesLeft(), std::vector<std::string>{"big.bin"});
    }

    const std::string big_ = RandomBytes(300 * 1024);
    PortalProcess portal_;
    std::filesystem::path folder_;
    std::filesystem::path destination_;
};

TEST_F(HttpFileTest, WholeAnswerReplacesTheFileAndReportsProgress) {
    WriteWhole(destination_, "old copy");
    std::vector<std::pair<std::uint64_t, std::uint64_t>> progress;
    merv::HttpOptions options;
    options.progress = [&](std::uint64_t received, std::uint64_t expected) {
        progress.emplace_back(received, expected);
    };
    const merv::HttpResult result =
        merv::HttpGetFile(portal_.Url("/app/big.bin"), destination_.string(), options);
    EXPECT_TRUE(result.Succeeded()) << result.error;
    EXPECT_EQ(result.status, 200);
    EXPECT_EQ(result.bytes, big_.size());
    EXPECT_EQ(result.error, "");
    EXPECT_TRUE(ReadWhole(destination_) == big_);
    EXPECT_EQ(FilesLeft(), std::vector<std::string>{"big.bin"});

    ASSERT_FALSE(progress.empty());
    for (std::size_t i = 1; i < progress.size(); ++i)
        EXPECT_GT(progress[i].first, progress[i - 1].first);
    EXPECT_EQ(progress.back(), std::make_pair<std::uint64_t>(big_.size(), big_.size()));
}

TEST_F(HttpFileTest, ErrorStatusIsReportedAndLoggedAndTheFileKept) {
    WriteWhole(destination_, "old copy");
    for (int status : {404, 500}) {
        SCOPED_TRACE(status);
        platform::LogCapture log;
        portal_.SetFault("/app/big.bin", "kind=error&status=" + std::to_string(status));
        const merv::HttpResult result =
            merv::HttpGetFile(portal_.Url("/app/big.bin?password=secret"), destination_.string());
        EXPECT_EQ(result.outcome, merv::HttpOutcome::HttpError);
        EXPECT_EQ(result.status, status);
        EXPECT_GT(result.bytes, 0u);  // the error page
        ExpectOldCopyUntouched();
        const auto warnings = log.Messages(platform::LogLevel::Warning);
        ASSERT_EQ(warnings.size(), 1u) << log.Text();
        EXPECT_NE(warnings[0].find("/app/big.bin"), std::string::npos) << warnings[0];
        EXPECT_NE(warnings[0].find("status " + std::to_string(status)), std::string::npos);
        EXPECT_EQ(warnings[0].find("secret"), std::string::npos) << "the query may hold a password";
    }
}

TEST_F(HttpFileTest, CutOffAnswerLeavesNoHalfFile) {
    WriteWhole(destination_, "old copy");
    portal_.SetFault("/app/big.bin", "kind=truncate");
    const merv::HttpResult result =
        merv::HttpGetFile(portal_.Url("/app/big.bin"), destination_.string());
    EXPECT_EQ(result.outcome, merv::HttpOutcome::TransportError);
    EXPECT_EQ(result.status, 200);
    EXPECT_FALSE(result.error.empty());
    EXPECT_LT(result.bytes, big_.size());
    ExpectOldCopyUntouched();
}

TEST_F(HttpFileTest, StalledServerIsAbandonedAfterTheStallTime) {
    WriteWhole(destination_, "old copy");
    portal_.SetFault("/app/big.bin", "kind=stall");  // half the body, then nothing
    merv::HttpOptions options = Quick();
    options.limits.minimumRate = 0;  // the stall limit alone must end it
    const merv::HttpResult result =
        merv::HttpGetFile(portal_.Url("/app/big.bin"), destination_.string(), options);
    EXPECT_EQ(result.outcome, merv::HttpOutcome::Stalled) << result.error;
    EXPECT_EQ(result.bytes, big_.size() / 2);
    ExpectOldCopyUntouched();
}

TEST_F(HttpFileTest, TrickleIsAbandonedBelowTheMinimumRate) {
    WriteWhole(destination_, "old copy");
    // 400 bytes a second: never a stall, but 300 KiB would take 13 minutes.
    portal_.SetFault("/app/big.bin", "kind=slow&rate=400");
    platform::LogCapture log;
    const merv::HttpResult result =
        merv::HttpGetFile(portal_.Url("/app/big.bin"), destination_.string(), Quick());
    EXPECT_EQ(result.outcome, merv::HttpOutcome::TooSlow) << result.error;
    EXPECT_GT(result.bytes, 0u);
    EXPECT_TRUE(log.Holds(platform::LogLevel::Warning, "too slow")) << log.Text();
    ExpectOldCopyUntouched();
}

TEST_F(HttpFileTest, SlowButSteadyTransferAboveTheRateCompletes) {
    portal_.SetFault("/app/big.bin", "kind=slow&rate=200000");
    merv::HttpOptions options = Quick();
    options.limits.rateWindow = 500ms;
    const merv::HttpResult result =
        merv::HttpGetFile(portal_.Url("/app/big.bin"), destination_.string(), options);
    EXPECT_TRUE(result.Succeeded()) << result.error;
    EXPECT_TRUE(ReadWhole(destination_) == big_);
}

TEST_F(HttpFileTest, StopRequestEndsTheTransferAndKeepsTheFile) {
    WriteWhole(destination_, "old copy");
    portal_.SetFault("/app/big.bin", "kind=slow&rate=20000");
    std::atomic<bool> stop{false};
    merv::HttpOptions options;  // default limits: only the stop can end it soon
    options.stop = &stop;
    options.progress = [&](std::uint64_t received, std::uint64_t) {
        if (received >= 4096) stop = true;
    };
    platform::LogCapture log;
    const merv::HttpResult result =
        merv::HttpGetFile(portal_.Url("/app/big.bin"), destination_.string(), options);
    EXPECT_EQ(result.outcome, merv::HttpOutcome::Stopped) << result.error;
    EXPECT_LT(result.bytes, big_.size());
    ExpectOldCopyUntouched();
    // A stop is the caller's own choice: not reported as a failure.
    EXPECT_TRUE(log.Messages(platform::LogLevel::Warning).empty()) << log.Text();
}

TEST_F(HttpFileTest, StopRequestEndsAWaitForAServerThatNeverAnswers) {
    portal_.SetFault("/app/big.bin", "kind=delay&ms=600000");
    std::atomic<bool> stop{false};
    merv::HttpOptions options;  // a minute's stall limit: only the stop ends it in time
    options.stop = &stop;
    std::thread stopper([&] {
        std::this_thread::sleep_for(300ms);
        stop = true;
    });
    const merv::HttpResult result =
        merv::HttpGetFile(portal_.Url("/app/big.bin"), destination_.string(), options);
    stopper.join();
    EXPECT_EQ(result.outcome, merv::HttpOutcome::Stopped) << result.error;
    EXPECT_EQ(result.status, 0);
    EXPECT_TRUE(FilesLeft().empty());
}

TEST_F(HttpFileTest, MissingFolderIsAFileErrorAndFetchesNothing) {
    const merv::HttpResult result =
        merv::HttpGetFile(portal_.Url("/app/big.bin"), (folder_ / "absent" / "big.bin").string());
    EXPECT_EQ(result.outcome, merv::HttpOutcome::FileError);
    EXPECT_FALSE(result.error.empty());
    EXPECT_TRUE(FilesLeft().empty());
}

TEST_F(HttpFileTest, ConcurrentTransfersToOneFileLeaveOneWholeCopy) {
    std::vector<std::thread> threads;
    std::atomic<int> succeeded{0};
    for (int i = 0; i < 4; ++i) {
        threads.emplace_back([&] {
            if (merv::HttpGetFile(portal_.Url("/app/big.bin"), destination_.string()).Succeeded())
                ++succeeded;
        });
    }
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(succeeded, 4);
    EXPECT_TRUE(ReadWhole(destination_) == big_);
    EXPECT_EQ(FilesLeft(), std::vector<std::string>{"big.bin"});
}

TEST_F(HttpFileTest, TextTransferReportsStatusAndKeepsTheBody) {
    portal_.SetFault("/app/big.bin", "kind=error&status=404");
    std::string body;
    merv::HttpResult result = merv::HttpGetText(portal_.Url("/app/big.bin"), body);
    EXPECT_EQ(result.outcome, merv::HttpOutcome::HttpError);
    EXPECT_EQ(result.status, 404);
    EXPECT_NE(body.find("404"), std::string::npos);
    EXPECT_EQ(result.bytes, body.size());

    portal_.SetFault("/app/big.bin", "kind=off");
    result = merv::HttpGetText(portal_.Url("/app/big.bin"), body);
    EXPECT_TRUE(result.Succeeded());
    EXPECT_TRUE(body == big_);
}

TEST(HttpText, UnreachableAddressIsATransportErrorWithItsReason) {
    std::string body = "stale";
    platform::LogCapture log;
    const merv::HttpResult result =
        merv::HttpGetText("http://127.0.0.1:" + std::to_string(ClosedPort()) + "/", body);
    EXPECT_EQ(result.outcome, merv::HttpOutcome::TransportError);
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(body, "");
    EXPECT_FALSE(result.error.empty());
    EXPECT_EQ(log.Messages(platform::LogLevel::Warning).size(), 1u) << log.Text();
}

}  // namespace
