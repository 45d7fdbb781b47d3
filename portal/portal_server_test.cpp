// The portal over loopback: a server on a free port, asked as the client asks.
#include "portal/portal_server.h"

#include <gtest/gtest.h>
#include <httplib.h>
#include <json/json.h>
#include <tinyxml.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "libmerv/libmerv.h"
#include "platform/text.h"

namespace portal {
namespace {

namespace fs = std::filesystem;

// The digest by the system's md5sum, independent of the library the portal uses.
std::string Md5sumOf(const fs::path& file) {
    std::string command = "md5sum '" + file.string() + "'";
    std::FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return {};
    char digest[33] = {};
    std::size_t got = std::fread(digest, 1, 32, pipe);
    pclose(pipe);
    return std::string(digest, got);
}

// Whether text has the shape of mask, where '9' stands for any digit and
// 'x' for any lower-case hexadecimal digit.
bool MatchesMask(const std::string& text, const std::string& mask) {
    if (text.size() != mask.size()) return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        bool digit = c >= '0' && c <= '9';
        if (mask[i] == '9'   ? !digit
            : mask[i] == 'x' ? !(digit || (c >= 'a' && c <= 'f'))
                             : c != mask[i])
            return false;
    }
    return true;
}

class PortalServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        work_ = fs::temp_directory_path() /
                ("portal_test_" + std::to_string(::getpid()) + "_" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(work_);
        fs::create_directories(work_);
        data_ = work_ / "data";
        fs::copy(PORTAL_DATA_DIR, data_, fs::copy_options::recursive);
    }

    void TearDown() override {
        if (server_) {
            server_->Stop();
            thread_.join();
        }
        fs::remove_all(work_);
    }

    void Start() {
        server_ = std::make_unique<PortalServer>(
            PortalOptions{data_.string(), (work_ / "requests.log").string()});
        std::string error;
        ASSERT_TRUE(server_->Load(error)) << error;
        port_ = server_->Bind("127.0.0.1", 0, error);
        ASSERT_GT(port_, 0) << error;
        thread_ = std::thread([this] { server_->Run(); });
        for (int i = 0; i < 200; ++i) {
            if (httplib::Client("127.0.0.1", port_).Get("/launcher/")) return;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        FAIL() << "the portal did not answer";
    }

    httplib::Client Client() {
        httplib::Client client("127.0.0.1", port_);
        client.set_read_timeout(5);
        client.set_url_encode(false);  // the client puts its values in as they are
        return client;
    }

    std::string Get(const std::string& target, int expected_status = 200) {
        auto result = Client().Get(target);
        if (!result) {
            ADD_FAILURE() << target << ": no answer";
            return {};
        }
        EXPECT_EQ(result->status, expected_status) << target;
        return result->body;
    }

    Json::Value LoginAnswer(const std::string& account, const std::string& password,
                            const std::string& sign) {
        std::string body = Get("/user/servlet/login?account=" + account + "&password=" + password +
                               "&userType=1&sign=" + sign);
        Json::Value answer;
        EXPECT_TRUE(Json::Reader().parse(body, answer)) << body;
        return answer;
    }

    static std::string ClientSign(const std::string& account, const std::string& password) {
        return Clibmerv::UrlSign(account + password + "1" + "qowlrnsbxetkzmv");
    }

    std::vector<Json::Value> LogLines() {
        std::ifstream in(work_ / "requests.log");
        std::vector<Json::Value> lines;
        for (std::string line; std::getline(in, line);) {
            Json::Value value;
            EXPECT_TRUE(Json::Reader().parse(line, value)) << line;
            lines.push_back(value);
        }
        return lines;
    }

    fs::path work_, data_;
    std::unique_ptr<PortalServer> server_;
    std::thread thread_;
    int port_ = 0;
};

TEST_F(PortalServerTest, CatalogueCarriesTheDigestOfEveryIconFile) {
    fs::remove(data_ / "app" / "app_snake.png");
    Start();
    ASSERT_EQ(server_->catalogue().missing_icons, std::vector<std::string>{"app_snake.png"});

    TiXmlDocument document;
    document.Parse(Get("/app/appsn.php").c_str(), nullptr, TIXML_ENCODING_UTF8);
    ASSERT_FALSE(document.Error()) << document.ErrorDesc();
    int icons = 0;
    std::function<void(TiXmlElement*)> walk = [&](TiXmlElement* parent) {
        for (TiXmlElement* element = parent->FirstChildElement(); element;
             element = element->NextSiblingElement()) {
            const char* icon = element->Attribute("icon");
            const char* digest = element->Attribute("iconMd5");
            ASSERT_TRUE(icon && digest) << element->Value();
            std::string expected =
                std::string(icon) == "app_snake.png" ? "" : Md5sumOf(data_ / "app" / icon);
            EXPECT_EQ(digest, expected) << icon;
            // The icon is served at the application server, by its path.
            if (!expected.empty()) {
                EXPECT_EQ(Clibmerv::md5ex(Get(std::string("/app/") + icon)), expected);
            }
            ++icons;
            walk(element);
        }
    };
    walk(document.RootElement());
    EXPECT_EQ(icons, 40);
}

TEST_F(PortalServerTest, CatalogueNestedTooDeeplyIsRefusedNotParsed) {
    std::string deep = "<apps>";
    for (int i = 0; i < 100000; ++i) deep += "<g icon='x.png'>";
    std::ofstream(data_ / "app" / "appsn.xml") << deep;
    PortalServer server(PortalOptions{data_.string(), (work_ / "requests.log").string()});
    std::string error;
    EXPECT_FALSE(server.Load(error));
    EXPECT_NE(error.find("nested deeper than 256 levels"), std::string::npos) << error;
}

TEST_F(PortalServerTest, PortInUseIsRefusedNotShared) {
    Start();
    PortalServer second(PortalOptions{data_.string(), (work_ / "second.log").string()});
    std::string error;
    ASSERT_TRUE(second.Load(error)) << error;
    EXPECT_EQ(second.Bind("127.0.0.1", port_, error), -1);
    EXPECT_EQ(error, "port " + std::to_string(port_) + " is already in use");
}

TEST_F(PortalServerTest, CataloguePointsAtThePortalItWasFetchedFrom) {
    Start();
    std::string document = Get("/app/appsn.php");
    std::string own = "http://127.0.0.1:" + std::to_string(port_) + "/web/apps/notice.html";
    EXPECT_NE(document.find(own), std::string::npos);
    EXPECT_EQ(document.find("http://127.0.0.1:8737/"), std::string::npos);
    // The caption of a catalogue entry titles its generic page.
    EXPECT_NE(Get("/web/apps/timetable.html").find("课程表"), std::string::npos);
    Get("/web/apps/unknown.html", 404);
}

TEST_F(PortalServerTest, FileListsMatchMd5sumOfTheFilesAndFollowTheFolder) {
    fs::create_directories(data_ / "update/pub/plugins/calc/lib");
    std::ofstream(data_ / "update/pub/plugins/calc/lib/extra.bin", std::ios::binary)
        << std::string(3000, 'x');
    Start();

    auto check_list = [&](const std::string& target, std::size_t expected_lines) {
        std::istringstream list(Get(target));
        std::size_t count = 0;
        for (std::string line; std::getline(list, line); ++count) {
            std::size_t first = line.find('|'), second = line.find('|', first + 1);
            ASSERT_NE(second, std::string::npos) << line;
            std::string server_path = line.substr(0, first);
            std::string digest = line.substr(first + 1, second - first - 1);
            std::string size = line.substr(second + 1);
            ASSERT_TRUE(MatchesMask(digest, std::string(32, 'x'))) << line;
            ASSERT_TRUE(MatchesMask(size, std::string(size.size(), '9')) && !size.empty()) << line;
            fs::path file = data_ / "update/pub" / server_path;
            EXPECT_EQ(digest, Md5sumOf(file)) << line;
            EXPECT_EQ(std::stoull(size), fs::file_size(file)) << line;
            // The served file is the listed one.
            EXPECT_EQ(Clibmerv::md5ex(Get("/update/pub/" + server_path)), digest);
        }
        EXPECT_EQ(count, expected_lines) << target;
    };
    check_list("/update/pub/UpdateFiles.php", 3);
    check_list("/update/pub/UpdateFiles.php?dir=calc", 2);
    check_list("/update/pub/UpdateFiles.php?dir=notes", 2);
    EXPECT_EQ(Get("/update/pub/UpdateFiles.php?dir=calc").substr(0, 21), "plugins/calc/calc.sh|");

    // The program folder's list holds a file that the build ships in another
    // version, so a client updated from the stand-in gets a side file to swap.
    const std::string program_list = Get("/update/pub/UpdateFiles.php");
    const std::string updated = "quorvi/program/skin/quorvi/images/app.png|";
    const std::size_t at = program_list.find(updated);
    ASSERT_NE(at, std::string::npos) << program_list;
    EXPECT_NE(program_list.substr(at + updated.size(), 32),
              Md5sumOf(fs::path(QUORVI_SKIN_DIR) / "images/app.png"));

    EXPECT_EQ(Get("/update/pub/UpdateFiles.php?dir=missing", 404), "");
    EXPECT_EQ(Get("/update/pub/UpdateFiles.php?dir=../../app", 404), "");
    Get("/update/pub/../accounts.txt", 404);
}

TEST_F(PortalServerTest, LoginChecksTheSignAndTheAccount) {
    Start();
    Json::Value accepted = LoginAnswer("demo", "demo123", ClientSign("demo", "demo123"));
    EXPECT_TRUE(accepted["success"].asBool());
    EXPECT_EQ(accepted["account"].asString(), "demo");

    std::string wrong_sign = ClientSign("demo", "demo123");
    wrong_sign[5] = wrong_sign[5] == '0' ? '1' : '0';
    Json::Value refused = LoginAnswer("demo", "demo123", wrong_sign);
    EXPECT_FALSE(refused["success"].asBool());
    EXPECT_EQ(refused["message"].asString(), "签名校验失败");

    Json::Value wrong_password = LoginAnswer("demo", "demo124", ClientSign("demo", "demo124"));
    EXPECT_FALSE(wrong_password["success"].asBool());
    EXPECT_EQ(wrong_password["message"].asString(), "用户名或密码错误");

    // Values go in unencoded: "&" and "=" in a password, GBK bytes in an account.
    EXPECT_TRUE(
        LoginAnswer("student01", "pass&word=1", ClientSign("student01", "pass&word=1"))["success"]
            .asBool());
    std::string gbk = platform::Utf8ToGbk("张三");
    Json::Value chinese = LoginAnswer(gbk, "123456", ClientSign(gbk, "123456"));
    EXPECT_TRUE(chinese["success"].asBool());
    EXPECT_EQ(chinese["account"].asString(), "张三");

    Json::Value missing;
    ASSERT_TRUE(Json::Reader().parse(Get("/user/servlet/login?account=demo"), missing));
    EXPECT_FALSE(missing["success"].asBool());
}

TEST_F(PortalServerTest, SignedLinkSignsTheBrowserInAndRedirects) {
    Start();
    std::string target = "http://127.0.0.1:" + std::to_string(port_) + "/user/PersonalCenter";
    auto client = Client();
    auto link = client.Get("/user/servlet/login?account=demo&password=demo123&userType=1&sign=" +
                           ClientSign("demo", "demo123") + "&url=" + target);
    ASSERT_TRUE(link);
    EXPECT_EQ(link->status, 302);
    EXPECT_EQ(link->get_header_value("Location"), target);
    std::string cookie = link->get_header_value("Set-Cookie");
    EXPECT_EQ(cookie.substr(0, cookie.find(';')), "quorvi_account=demo");

    auto personal = client.Get("/user/PersonalCenter", {{"Cookie", "quorvi_account=demo"}});
    ASSERT_TRUE(personal);
    EXPECT_NE(personal->body.find("演示用户"), std::string::npos);

    // An encoded target is decoded; a wrong password shows the refusal instead.
    auto encoded =
        client.Get("/user/servlet/login?account=demo&password=demo123&userType=1&sign=" +
                   ClientSign("demo", "demo123") + "&url=http%3A%2F%2Fexample.edu%2Fa%3Fb%3D1");
    ASSERT_TRUE(encoded);
    EXPECT_EQ(encoded->get_header_value("Location"), "http://example.edu/a?b=1");
    auto refused = client.Get("/user/servlet/login?account=demo&password=x&userType=1&sign=" +
                              ClientSign("demo", "x") + "&url=" + target);
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->status, 403);
    EXPECT_FALSE(refused->has_header("Location"));
}

TEST_F(PortalServerTest, ShopRegistrationIsCheckedAndLogged) {
    Start();
    std::string joined =
        "do=Helper_User-i_user_register&fromid=5&pass=demo123&resourse=99&t=1765000000&useremail=&"
        "username=demo&"
        "usertype=0";
    std::string prefix = "/shop/index.php?controller=interface&action=i&";
    Get(prefix + joined + "&sign=" + Clibmerv::UrlSign(joined));
    Get(prefix + joined + "&sign=" + Clibmerv::UrlSign(joined + "x"), 403);
    auto lines = LogLines();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[lines.size() - 2]["note"].asString(),
              "shop registration username=demo t=1765000000");
    EXPECT_EQ(lines.back()["note"].asString(), "shop registration refused: bad sign");
}

TEST_F(PortalServerTest, ScriptPluginIsGbkAndRechargeParametersAreByAccount) {
    Start();
    auto script = Client().Get("/appmgr/plugin/js.php");
    ASSERT_TRUE(script);
    EXPECT_EQ(script->get_header_value("Content-Type"), "application/javascript; charset=GBK");
    EXPECT_NE(script->body.find(platform::Utf8ToGbk("校园门户插件已运行")), std::string::npos);
    EXPECT_NE(script->body.find("quorvi-plugin-banner"), std::string::npos);

    EXPECT_EQ(Get("/appmgr/services/recharge_params.php?account=S2023001"),
              "school=QVU&card=S2023001&balance=52.50");
    // The user file's line break does not hide the account.
    EXPECT_EQ(Get("/appmgr/services/recharge_params.php?account=S2023002%0A"),
              "school=QVU&card=S2023002&balance=0");
    EXPECT_EQ(Get("/appmgr/services/recharge_params.php?account=nobody"), "");
    EXPECT_EQ(Get("/appmgr/services/recharge_params.php?account="), "");
}

TEST_F(PortalServerTest, PagesAreUtf8HtmlWithTheirValues) {
    Start();
    auto home = Client().Get("/web/win/?channel=3&school=QVU&card=S1");
    ASSERT_TRUE(home);
    EXPECT_EQ(home->get_header_value("Content-Type"), "text/html; charset=utf-8");
    EXPECT_NE(home->body.find("<b id=\"channel\">3</b>"), std::string::npos);
    EXPECT_NE(home->body.find("<code id=\"params\">school=QVU&amp;card=S1</code>"),
              std::string::npos);
    EXPECT_NE(
        Get("/web/win/redirect.php?dotype=recharge&card=S1").find("<b id=\"dotype\">recharge</b>"),
        std::string::npos);
    // Values are escaped, never put into the page as markup.
    EXPECT_EQ(Get("/web/win/?channel=<script>").find("<script>"), std::string::npos);
    for (const char* page :
         {"/user/Reg/register?userType=1", "/user/User/login", "/service/index.php", "/launcher/",
          "/update/pub/update_log.php", "/web/apps/notice.html"})
        EXPECT_NE(Get(page).find("<meta charset=\"utf-8\">"), std::string::npos) << page;
}

// The launcher shows its home page in a narrow column: every link on it leads
// to a page this portal serves.
TEST_F(PortalServerTest, TheLauncherHomePageLinksOnlyToServedPages) {
    Start();
    const std::string page = Get("/launcher/");
    int links = 0;
    for (size_t at = page.find("href=\""); at != std::string::npos;
         at = page.find("href=\"", at + 1)) {
        const size_t start = at + 6;
        const std::string target = page.substr(start, page.find('"', start) - start);
        ASSERT_EQ(target.rfind('/', 0), 0u) << "not a page of this portal: " << target;
        Get(target);
        ++links;
    }
    EXPECT_GT(links, 0);
}

TEST_F(PortalServerTest, FaultsSwitchOnAndOff) {
    Start();
    std::string catalogue = Get("/app/appsn.php");

    Get("/_fault?path=/app/appsn.php&kind=error&status=503");
    EXPECT_EQ(Client().Get("/app/appsn.php")->status, 503);
    Get("/_fault?path=/app/appsn.php&kind=off");
    EXPECT_EQ(Get("/app/appsn.php"), catalogue);

    Get("/_fault?path=/app/appsn.php&kind=corrupt&times=1");
    std::string corrupt = Get("/app/appsn.php");
    EXPECT_EQ(corrupt.size(), catalogue.size());
    EXPECT_NE(corrupt, catalogue);
    EXPECT_EQ(Get("/app/appsn.php"), catalogue) << "a fault for one use wears off";

    Get("/_fault?path=/update/pub/plugins/*&kind=truncate");
    auto truncated = Client().Get("/update/pub/plugins/calc/calc.sh");
    EXPECT_FALSE(truncated) << "the connection closes short of the announced length";
    Get("/_fault?path=/update/pub/plugins/*&kind=garbage&bytes=64");
    EXPECT_EQ(Get("/update/pub/plugins/calc/calc.sh").size(), 64u);
    Get("/_fault?kind=off");
    EXPECT_EQ(Get("/_fault"), "");

    Get("/_fault?path=/launcher/&kind=delay&ms=300");
    auto started = std::chrono::steady_clock::now();
    Get("/launcher/");
    EXPECT_GE(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(290));

    // A slow answer arrives whole, at about the rate asked for.
    std::string icon = Get("/app/app_calc.png");
    Get("/_fault?path=/app/app_calc.png&kind=slow&rate=2000&times=1");
    started = std::chrono::steady_clock::now();
    EXPECT_EQ(Get("/app/app_calc.png"), icon);
    EXPECT_GE(std::chrono::steady_clock::now() - started,
              std::chrono::milliseconds(icon.size() * 1000 / 2000 - 100));
    Get("/_fault?path=/app/app_calc.png&kind=empty&times=1");
    EXPECT_EQ(Get("/app/app_calc.png"), "");

    // A stall holds the answer until the faults change.
    Get("/_fault?path=/app/appsn.php&kind=stall");
    std::atomic<bool> answered = false;
    bool complete = true;
    std::thread stalled([&] {
        auto client = Client();
        client.set_read_timeout(10);
        complete = static_cast<bool>(client.Get("/app/appsn.php"));
        answered = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_FALSE(answered);
    Get("/_fault?path=/app/appsn.php&kind=off");
    stalled.join();
    EXPECT_FALSE(complete) << "a released stall ends the transfer short";
    EXPECT_EQ(Get("/_fault?path=/x&kind=nonsense", 400).substr(0, 6), "usage:");
}

TEST_F(PortalServerTest, EveryRequestIsOneJsonLogLine) {
    Start();
    std::size_t before = LogLines().size();  // the start-up probes
    Get("/app/report.php?action=app&id=12&username=demo");
    Get("/app/report.php?action=client&version=4.05&usersign=00-1A-2B-3C-4D-5E&username=%E5%BC%A0");
    Get("/_fault?path=/app/report.php&kind=error&status=500&times=1");
    Get("/app/report.php?action=category&id=3", 500);
    Get("/nowhere", 404);

    auto lines = LogLines();
    ASSERT_EQ(lines.size(), before + 5);
    const Json::Value& report = lines[before];
    EXPECT_TRUE(MatchesMask(report["time"].asString(), "9999-99-99T99:99:99.999Z"))
        << report["time"].asString();
    EXPECT_EQ(report["method"].asString(), "GET");
    EXPECT_EQ(report["path"].asString(), "/app/report.php");
    EXPECT_EQ(report["query"].asString(), "action=app&id=12&username=demo");
    EXPECT_EQ(report["status"].asInt(), 200);
    EXPECT_FALSE(report.isMember("fault"));
    EXPECT_EQ(lines[before + 1]["query"].asString(),
              "action=client&version=4.05&usersign=00-1A-2B-3C-4D-5E&username=%E5%BC%A0")
        << "the query is logged as it arrived";
    EXPECT_EQ(lines[before + 3]["fault"].asString(), "error");
    EXPECT_EQ(lines[before + 3]["status"].asInt(), 500);
    EXPECT_EQ(lines[before + 4]["status"].asInt(), 404);
}

}  // namespace
}  // namespace portal
