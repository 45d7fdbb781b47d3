// Sections: set-up | dispatch and logging | faults | control | application server |
//           update server | user server and shop | application-manager server | pages
#include "portal/portal_server.h"

#include <httplib.h>
#include <netdb.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>

#include "platform/text.h"
#include "portal/file_list.h"
#include "portal/portal_texts.h"
#include "portal/sign_check.h"
#include "portal/text_util.h"

namespace portal {

namespace {

constexpr char kHtml[] = "text/html; charset=utf-8";
constexpr char kPlainText[] = "text/plain; charset=utf-8";
constexpr char kJson[] = "application/json; charset=utf-8";
constexpr char kAccountCookie[] = "quorvi_account";
// Folders below the update server's "pub/": the program folder's files and the plugins.
constexpr char kProgramFolder[] = "quorvi/program";
constexpr char kPluginsFolder[] = "plugins/";
// Held answers (stalls) each keep a thread, so the pool is larger than the default.
constexpr std::size_t kServerThreads = 32;

std::string ContentTypeOf(std::string_view path) {
    auto ends_with = [&](std::string_view suffix) { return path.ends_with(suffix); };
    if (ends_with(".png")) return "image/png";
    if (ends_with(".html") || ends_with(".htm")) return kHtml;
    if (ends_with(".txt")) return kPlainText;
    if (ends_with(".xml")) return "text/xml; charset=utf-8";
    if (ends_with(".js")) return "application/javascript; charset=utf-8";
    if (ends_with(".css")) return "text/css; charset=utf-8";
    return "application/octet-stream";
}

std::string RawQueryOf(const httplib::Request& request) {
    std::size_t mark = request.target.find('?');
    return mark == std::string::npos ? std::string() : request.target.substr(mark + 1);
}

std::string PercentEncode(std::string_view text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : text) {
        if (std::isalnum(c) || c == '-' || c == '.' || c == '_') {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
    }
    return out;
}

// A query without its "key=..." pairs.
std::string QueryWithout(std::string_view query, std::string_view key) {
    std::string out;
    std::size_t at = 0;
    while (at < query.size()) {
        std::size_t end = std::min(query.find('&', at), query.size());
        std::string_view pair = query.substr(at, end - at);
        bool drop = pair.substr(0, key.size()) == key &&
                    (pair.size() == key.size() || pair[key.size()] == '=');
        if (!drop && !pair.empty()) {
            if (!out.empty()) out += '&';
            out.append(pair);
        }
        at = end + 1;
    }
    return out;
}

std::string DecodedValue(std::string_view query, std::string_view key) {
    return PercentDecode(RawQueryValue(query, key).value_or(""));
}

// The origin a request reached the portal by, from its Host header.
std::string OriginOf(const httplib::Request& request) {
    std::string host = request.get_header_value("Host");
    if (host.empty()) return {};
    for (char c : host)
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '.' && c != ':' && c != '-' &&
            c != '[' && c != ']')
            return {};
    return "http://" + host;
}

void SetBody(httplib::Response& response, int status, const std::string& body,
             const std::string& type) {
    response.status = status;
    response.headers.erase("Content-Type");
    response.set_content(body, type);
}

void NotFound(httplib::Response& response) {
    SetBody(response, 404,
            "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>404</title></head>"
            "<body><h1>404 Not Found</h1></body></html>\n",
            kHtml);
}

std::string JsonLoginAnswer(bool success, std::string_view message, const Account* account) {
    std::string json = std::string("{\"success\":") + (success ? "true" : "false") +
                       ",\"message\":" + JsonQuote(message);
    if (account)
        json += ",\"account\":" + JsonQuote(account->name) +
                ",\"name\":" + JsonQuote(account->display_name);
    return json + "}";
}

}  // namespace

// What one request carries through the routes.
struct PortalServer::Exchange {
    const httplib::Request& request;
    httplib::Response& response;
    std::string query;  // raw, as it arrived
    std::string note;   // for the log
};

// ---- set-up ----------------------------------------------------------------------------

PortalServer::PortalServer(PortalOptions options)
    : options_(std::move(options)), server_(std::make_unique<httplib::Server>()) {
    exact_routes_ = {
        {"/", &PortalServer::ServeIndex},
        {"/_fault", &PortalServer::ServeFaultControl},
        {"/app/appsn.php", &PortalServer::ServeCatalogue},
        {"/app/report.php", &PortalServer::ServeReport},
        {"/update/pub/UpdateFiles.php", &PortalServer::ServeFileList},
        {"/update/pub/update_log.php", &PortalServer::ServeUpdateLog},
        {"/user/servlet/login", &PortalServer::ServeLogin},
        {"/user/Reg/register", &PortalServer::ServeRegisterPage},
        {"/user/User/login", &PortalServer::ServeForgotPasswordPage},
        {"/user/PersonalCenter", &PortalServer::ServePersonalCenter},
        {"/shop/index.php", &PortalServer::ServeShopInterface},
        {"/appmgr/plugin/js.php", &PortalServer::ServeScriptPlugin},
        {"/appmgr/services/recharge_params.php", &PortalServer::ServeRechargeParams},
        {"/web/win/", &PortalServer::ServeHomePage},
        {"/web/win/index.php", &PortalServer::ServeHomePage},
        {"/web/win/redirect.php", &PortalServer::ServeRedirectPage},
        {"/service/", &PortalServer::ServeCustomerService},
        {"/service/index.php", &PortalServer::ServeCustomerService},
        {"/launcher/", &PortalServer::ServeLauncherHome},
    };
}

PortalServer::~PortalServer() {
    Stop();
}

std::string PortalServer::DataPath(const std::string& relative) const {
    return options_.data_dir + "/" + relative;
}

bool PortalServer::Load(std::string& error) {
    catalogue_ = LoadCatalogue(DataPath("app/appsn.xml"), DataPath("app"));
    if (!catalogue_.loaded) {
        error = "cannot read the catalogue: " + catalogue_.error;
        return false;
    }
    for (const std::string& icon : catalogue_.missing_icons)
        warnings_.push_back("icon missing, served with an empty iconMd5: " + icon);

    auto accounts = ReadWholeFile(DataPath("accounts.txt"));
    if (!accounts) warnings_.push_back("no accounts.txt: every login is refused");
    accounts_ = ParseAccounts(accounts.value_or(""));
    recharge_params_ =
        ParseRechargeParams(ReadWholeFile(DataPath("recharge_params.txt")).value_or(""));

    if (!log_.Open(options_.log_path)) {
        error = "cannot write the log file " + options_.log_path;
        return false;
    }

    server_->new_task_queue = [] { return new httplib::ThreadPool(kServerThreads); };
    auto handler = [this](const httplib::Request& request, httplib::Response& response) {
        Handle(request, response);
    };
    server_->Get(".*", handler);
    server_->Post(".*", handler);
    server_->Put(".*", handler);
    server_->Delete(".*", handler);
    return true;
}

namespace {

// Address reuse lets a restarted portal take its port while old connections
// linger; port reuse, which the library turns on by default, would let a second
// portal listen beside the first and share its requests.
void ListeningSocketOptions(socket_t socket) {
    int yes = 1;
    setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
}

// Why host:port cannot be bound, found by trying it with the same options.
std::string BindFailure(const std::string& host, int port) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* addresses = nullptr;
    if (getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &addresses) != 0)
        return "cannot resolve " + host;
    int cause = 0;
    for (addrinfo* address = addresses; address && cause == 0; address = address->ai_next) {
        const int probe = socket(address->ai_family, address->ai_socktype, address->ai_protocol);
        if (probe < 0) continue;
        ListeningSocketOptions(probe);
        if (bind(probe, address->ai_addr, address->ai_addrlen) != 0 || listen(probe, 1) != 0)
            cause = errno;
        close(probe);
    }
    freeaddrinfo(addresses);
    if (cause == EADDRINUSE) return "port " + std::to_string(port) + " is already in use";
    return "cannot listen on " + host + ":" + std::to_string(port) +
           (cause ? std::string(": ") + std::strerror(cause) : std::string());
}

}  // namespace

int PortalServer::Bind(const std::string& host, int port, std::string& error) {
    server_->set_socket_options(ListeningSocketOptions);
    const int bound = port == 0 ? server_->bind_to_any_port(host)
                                : (server_->bind_to_port(host, port) ? port : -1);
    if (bound < 0) error = BindFailure(host, port);
    return bound;
}

bool PortalServer::Run() {
    return server_->listen_after_bind();
}

void PortalServer::Stop() {
    faults_.Shutdown();
    server_->stop();
}

// ---- dispatch and logging ------------------------------------------------------------------

void PortalServer::Handle(const httplib::Request& request, httplib::Response& response) {
    LogEntry entry;
    entry.time = std::chrono::system_clock::now();
    entry.method = request.method;
    entry.path = request.path;
    entry.query = RawQueryOf(request);
    Exchange exchange{request, response, entry.query, {}};
    if (request.method != "GET" && request.method != "HEAD") {
        SetBody(response, 405, "only GET is served\n", kPlainText);
    } else {
        try {
            Route(exchange);
        } catch (const std::exception& failure) {
            SetBody(response, 500, "internal error\n", kPlainText);
            exchange.note = std::string("failed: ") + failure.what();
        }
    }
    if (request.path != "/_fault") {
        if (auto active = faults_.Take(request.path)) {
            ApplyFault(*active, response);
            entry.fault = FaultKindName(active->fault.kind);
        }
    }
    entry.status = response.status;
    entry.note = std::move(exchange.note);
    log_.Write(entry);
}

void PortalServer::Route(Exchange& exchange) {
    const std::string& path = exchange.request.path;
    auto exact = exact_routes_.find(path);
    if (exact != exact_routes_.end()) return (this->*exact->second)(exchange);

    auto below = [&](std::string_view prefix) -> std::optional<std::string> {
        if (!path.starts_with(prefix)) return std::nullopt;
        return path.substr(prefix.size());
    };
    if (auto icon = below("/app/")) return ServeDataFile(exchange, "app", *icon);
    if (auto file = below("/update/pub/")) return ServeDataFile(exchange, "update/pub", *file);
    if (path.starts_with("/web/apps/")) return ServeApplicationPage(exchange);
    NotFound(exchange.response);
}

// ---- faults ---------------------------------------------------------------------------------

void PortalServer::ApplyFault(const ActiveFault& active, httplib::Response& response) {
    const Fault& fault = active.fault;
    std::string type = response.get_header_value("Content-Type");
    if (type.empty()) type = "application/octet-stream";
    auto body = std::make_shared<std::string>(response.body);
    auto stream_body = [&](httplib::ContentProvider provider) {
        response.body.clear();
        response.headers.erase("Content-Type");
        response.set_content_provider(body->size(), type, std::move(provider));
    };

    switch (fault.kind) {
        case FaultKind::Delay:
            faults_.Sleep(fault.ms > 0 ? fault.ms : 2000);
            break;
        case FaultKind::Hold:
            faults_.WaitForChange(active.generation, fault.ms);
            break;
        case FaultKind::Error:
            response.headers.erase("Location");
            SetBody(response, fault.status,
                    "<!DOCTYPE html><html><body><h1>" + std::to_string(fault.status) +
                        " injected error</h1></body></html>\n",
                    kHtml);
            break;
        case FaultKind::Empty:
            SetBody(response, 200, "", type);
            break;
        case FaultKind::Garbage: {
            std::string garbage(static_cast<std::size_t>(std::max(fault.bytes, 1)), '\0');
            std::uint32_t state = 0x9E3779B9u;
            for (char& c : garbage) {
                state = state * 1664525u + 1013904223u;
                c = static_cast<char>(state >> 24);
            }
            response.headers.erase("Location");
            SetBody(response, 200, garbage, "application/octet-stream");
            break;
        }
        case FaultKind::Corrupt: {
            // Same length, every byte changed: the content can never pass a digest check.
            std::string wrong = response.body.empty() ? std::string("corrupt") : response.body;
            if (!response.body.empty())
                for (char& c : wrong) c = static_cast<char>(c ^ 0x5A);
            SetBody(response, response.status, wrong, type);
            break;
        }
        case FaultKind::Truncate: {
            std::size_t half = body->size() / 2;
            stream_body([body, half](std::size_t offset, std::size_t, httplib::DataSink& sink) {
                if (offset >= half) return false;  // closes the connection short of the length
                return sink.write(body->data() + offset, half - offset);
            });
            break;
        }
        case FaultKind::Slow: {
            std::size_t piece = static_cast<std::size_t>(std::max(fault.rate / 20, 1));
            stream_body([this, body, piece](std::size_t offset, std::size_t length,
                                            httplib::DataSink& sink) {
                std::size_t count = std::min(piece, length);
                if (!sink.write(body->data() + offset, count)) return false;
                faults_.Sleep(50);
                return true;
            });
            break;
        }
        case FaultKind::Stall: {
            if (body->empty()) {
                // Nothing to send half of: hold the whole answer instead.
                faults_.WaitForChange(active.generation, fault.ms);
                break;
            }
            std::size_t half = body->size() / 2;
            stream_body([this, body, half, active](std::size_t offset, std::size_t,
                                                   httplib::DataSink& sink) {
                if (offset < half) return sink.write(body->data() + offset, half - offset);
                faults_.WaitForChange(active.generation, active.fault.ms);
                return false;
            });
            break;
        }
    }
}

// ---- control ---------------------------------------------------------------------------------

void PortalServer::ServeFaultControl(Exchange& exchange) {
    const httplib::Request& request = exchange.request;
    std::string path = request.get_param_value("path");
    std::string kind_name = request.get_param_value("kind");
    if (kind_name.empty() && path.empty()) {
        SetBody(exchange.response, 200, faults_.Describe(), kPlainText);
        return;
    }
    if (kind_name == "off") {
        if (path.empty())
            faults_.ClearAll();
        else
            faults_.Clear(path);
        exchange.note = "fault off " + (path.empty() ? std::string("(all)") : path);
        SetBody(exchange.response, 200, "ok\n", kPlainText);
        return;
    }
    auto kind = ParseFaultKind(kind_name);
    if (!kind || path.empty()) {
        SetBody(exchange.response, 400,
                "usage: /_fault?path=/exact/path-or-prefix*&kind=delay|slow|stall|truncate|corrupt|"
                "garbage|error|empty|off[&ms=N][&status=N][&rate=N][&bytes=N][&times=N]\n",
                kPlainText);
        return;
    }
    Fault fault;
    fault.kind = *kind;
    auto number = [&](const char* key, int fallback) {
        std::string text = request.get_param_value(key);
        try {
            return text.empty() ? fallback : std::stoi(text);
        } catch (const std::exception&) {
            return fallback;
        }
    };
    fault.ms = number("ms", fault.ms);
    fault.status = number("status", fault.status);
    fault.rate = number("rate", fault.rate);
    fault.bytes = number("bytes", fault.bytes);
    fault.times = number("times", fault.times);
    faults_.Set(path, fault);
    exchange.note = "fault " + kind_name + " on " + path;
    SetBody(exchange.response, 200, "ok\n", kPlainText);
}

// ---- application server ----------------------------------------------------------------------

void PortalServer::ServeCatalogue(Exchange& exchange) {
    SetBody(exchange.response, 200, CatalogueForOrigin(catalogue_, OriginOf(exchange.request)),
            "text/xml; charset=utf-8");
}

void PortalServer::ServeReport(Exchange& exchange) {
    auto action = RawQueryValue(exchange.query, "action");
    if (!action) {
        exchange.note = "report without action";
        SetBody(exchange.response, 400, "no action\n", kPlainText);
        return;
    }
    exchange.note = "report " + *action;
    SetBody(exchange.response, 200, "ok\n", kPlainText);
}

void PortalServer::ServeDataFile(Exchange& exchange, const std::string& folder,
                                 const std::string& relative) {
    if (!IsPlainRelativePath(relative)) return NotFound(exchange.response);
    std::string path = DataPath(folder + "/" + relative);
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) return NotFound(exchange.response);
    auto content = ReadWholeFile(path);
    if (!content) return NotFound(exchange.response);
    SetBody(exchange.response, 200, *content, ContentTypeOf(relative));
}

// ---- update server ---------------------------------------------------------------------------

void PortalServer::ServeFileList(Exchange& exchange) {
    std::string folder = kProgramFolder;
    if (auto dir = RawQueryValue(exchange.query, "dir")) {
        std::string plugin = PercentDecode(*dir);
        if (plugin.find('/') != std::string::npos || !IsPlainRelativePath(plugin)) {
            exchange.note = "no such plugin folder";
            SetBody(exchange.response, 404, "", kPlainText);
            return;
        }
        folder = kPluginsFolder + plugin;
    }
    auto list = BuildFileList(DataPath("update/pub"), folder);
    if (!list) {
        exchange.note = "no such folder: " + folder;
        SetBody(exchange.response, 404, "", kPlainText);
        return;
    }
    exchange.note = "file list of " + folder;
    SetBody(exchange.response, 200, *list, kPlainText);
}

void PortalServer::ServeUpdateLog(Exchange& exchange) {
    ServePage(exchange, "update/update_log.html", {});
}

// ---- user server and shop ----------------------------------------------------------------------

void PortalServer::ServeLogin(Exchange& exchange) {
    httplib::Response& response = exchange.response;
    auto query = ParseLoginQuery(exchange.query);
    if (!query) {
        exchange.note = "login without its values";
        SetBody(response, 200, JsonLoginAnswer(false, texts::kMissingLoginValues, nullptr), kJson);
        return;
    }
    auto checked = CheckLoginSign(*query);
    const Account* account = checked ? FindAccount(accounts_, checked->account) : nullptr;
    bool signed_in = account && PasswordMatches(*account, checked->password);
    std::string_view refusal = !checked ? texts::kBadSign : texts::kWrongAccountOrPassword;
    exchange.note = std::string(query->url ? "signed link" : "login") +
                    " account=" + query->account +
                    (!checked    ? " refused: bad sign"
                     : signed_in ? " accepted"
                                 : " refused: wrong account or password");

    if (!query->url) {
        SetBody(response, 200,
                signed_in ? JsonLoginAnswer(true, texts::kLoginSucceeded, account)
                          : JsonLoginAnswer(false, refusal, nullptr),
                kJson);
        return;
    }
    // A signed link: sign the browser in, then show the target, encoded or not.
    std::string target = *query->url;
    if (!target.starts_with("http://") && !target.starts_with("https://"))
        target = PercentDecode(target);
    if (!signed_in) {
        ServePage(exchange, "user/login_failed.html", {{"message", std::string(refusal)}});
        response.status = 403;
        return;
    }
    if (!target.starts_with("http://") && !target.starts_with("https://")) {
        exchange.note += ", target is not a web address";
        SetBody(response, 400, "the target is not a web address\n", kPlainText);
        return;
    }
    response.set_header("Set-Cookie", std::string(kAccountCookie) + "=" +
                                          PercentEncode(account->name) + "; Path=/");
    response.set_redirect(target, 302);
}

const Account* PortalServer::SignedInAccount(const httplib::Request& request) const {
    std::string cookies = request.get_header_value("Cookie");
    std::string key = std::string(kAccountCookie) + "=";
    std::size_t at = cookies.find(key);
    if (at == std::string::npos) return nullptr;
    std::size_t end = std::min(cookies.find(';', at), cookies.size());
    return FindAccount(accounts_,
                       PercentDecode(cookies.substr(at + key.size(), end - at - key.size())));
}

void PortalServer::ServeRegisterPage(Exchange& exchange) {
    ServePage(exchange, "user/register.html",
              {{"userType", DecodedValue(exchange.query, "userType")}});
}

void PortalServer::ServeForgotPasswordPage(Exchange& exchange) {
    ServePage(exchange, "user/forgot.html", {});
}

void PortalServer::ServePersonalCenter(Exchange& exchange) {
    const Account* account = SignedInAccount(exchange.request);
    ServePage(exchange, "user/personal.html",
              {{"account", account ? account->name : texts::kNotSignedIn},
               {"name", account ? account->display_name : ""}});
}

void PortalServer::ServeShopInterface(Exchange& exchange) {
    auto registration = ParseShopRegistration(exchange.query);
    if (!registration) {
        exchange.note = "shop: not a registration";
        SetBody(exchange.response, 400, "{\"status\":0,\"message\":\"bad request\"}", kJson);
        return;
    }
    if (!ShopSignMatches(*registration)) {
        exchange.note = "shop registration refused: bad sign";
        SetBody(exchange.response, 403, "{\"status\":0,\"message\":\"bad sign\"}", kJson);
        return;
    }
    if (registration->do_action != "Helper_User-i_user_register") {
        exchange.note = "shop: unknown action " + registration->do_action;
        SetBody(exchange.response, 400, "{\"status\":0,\"message\":\"unknown action\"}", kJson);
        return;
    }
    exchange.note =
        "shop registration username=" + registration->username + " t=" + registration->t;
    SetBody(exchange.response, 200,
            "{\"status\":1,\"message\":" + JsonQuote(texts::kRegistered) + "}", kJson);
}

// ---- application-manager server
// ------------------------------------------------------------------

void PortalServer::ServeScriptPlugin(Exchange& exchange) {
    auto script = ReadWholeFile(DataPath("appmgr/plugin.js"));
    if (!script) return NotFound(exchange.response);
    SetBody(exchange.response, 200, platform::Utf8ToGbk(*script),
            "application/javascript; charset=GBK");
}

void PortalServer::ServeRechargeParams(Exchange& exchange) {
    // The school account is the user file's content as it is: a line break at its
    // end does not make it another account.
    std::string account = DecodedValue(exchange.query, "account");
    while (!account.empty() && std::isspace(static_cast<unsigned char>(account.back())))
        account.pop_back();
    auto known = recharge_params_.find(account);
    exchange.note =
        "recharge parameters for " + account + (known == recharge_params_.end() ? ": none" : "");
    SetBody(exchange.response, 200, known == recharge_params_.end() ? "" : known->second,
            kPlainText);
}

// ---- pages ------------------------------------------------------------------------------------

void PortalServer::ServePage(Exchange& exchange, const std::string& file,
                             const std::map<std::string, std::string>& values) {
    auto page = ReadWholeFile(DataPath(file));
    if (!page) return NotFound(exchange.response);
    SetBody(exchange.response, 200, FillTemplate(*page, values), kHtml);
}

void PortalServer::ServeIndex(Exchange& exchange) {
    ServePage(exchange, "index.html", {});
}

void PortalServer::ServeHomePage(Exchange& exchange) {
    ServePage(exchange, "web/win/index.html",
              {{"channel", DecodedValue(exchange.query, "channel")},
               {"params", QueryWithout(exchange.query, "channel")}});
}

void PortalServer::ServeRedirectPage(Exchange& exchange) {
    ServePage(exchange, "web/win/redirect.html",
              {{"dotype", DecodedValue(exchange.query, "dotype")},
               {"query", PercentDecode(exchange.query)}});
}

void PortalServer::ServeApplicationPage(Exchange& exchange) {
    const std::string& path = exchange.request.path;
    std::string relative = path.substr(std::string_view("/web/apps/").size());
    if (!IsPlainRelativePath(relative)) return NotFound(exchange.response);
    std::error_code error;
    if (std::filesystem::is_regular_file(DataPath("web/apps/" + relative), error))
        return ServePage(exchange, "web/apps/" + relative, {});
    auto caption = catalogue_.page_captions.find(path);
    if (caption == catalogue_.page_captions.end()) return NotFound(exchange.response);
    ServePage(exchange, "web/apps/app.html", {{"title", caption->second}});
}

void PortalServer::ServeCustomerService(Exchange& exchange) {
    const Account* account = SignedInAccount(exchange.request);
    ServePage(exchange, "service/index.html",
              {{"account", account ? account->name : texts::kNotSignedIn}});
}

void PortalServer::ServeLauncherHome(Exchange& exchange) {
    ServePage(exchange, "launcher/index.html", {});
}

}  // namespace portal
