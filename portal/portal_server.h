// The portal stand-in: one HTTP server that answers every request the system
// makes of the portal's servers, from a data folder.
//
//   /user/     login (JSON), signed login links, registration, password and
//              personal-centre pages
//   /shop/     the registration interface (signed)
//   /app/      the catalogue document (appsn.php), icons, reports
//   /appmgr/   the script plug-in (plugin/js.php, GBK), recharge parameters
//   /update/   file lists (pub/UpdateFiles.php[?dir=]), the listed files, update log
//   /service/  customer-service page;  /web/win/  home page and redirect page;
//   /web/apps/ the demo applications' pages;  /launcher/  the launcher's home page
//   /_fault    switches injected faults on and off (see portal/README.md)
//
// Every request is logged as one JSON line (request_log.h).
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "portal/accounts.h"
#include "portal/catalogue.h"
#include "portal/faults.h"
#include "portal/request_log.h"

namespace httplib {
class Server;
struct Request;
struct Response;
}  // namespace httplib

namespace portal {

struct PortalOptions {
    std::string data_dir;
    std::string log_path = "-";  // "-": standard output
};

class PortalServer {
public:
    explicit PortalServer(PortalOptions options);
    ~PortalServer();
    PortalServer(const PortalServer&) = delete;
    PortalServer& operator=(const PortalServer&) = delete;

    // Reads the data folder (catalogue with icon digests, accounts, recharge
    // parameters) and opens the log. False, with the reason in error, when the
    // portal cannot serve.
    bool Load(std::string& error);
    // Binds host:port; port 0 takes any free port. The bound port, or -1 with
    // the reason in error ("port N is already in use" when another server has
    // it: the port is never shared, so two portals cannot mix their traffic).
    int Bind(const std::string& host, int port, std::string& error);
    // Serves until Stop() is called. False when the server could not run.
    bool Run();
    // Ends Run() and every held answer; safe from any thread.
    void Stop();

    const Catalogue& catalogue() const { return catalogue_; }
    const std::vector<std::string>& warnings() const { return warnings_; }

private:
    struct Exchange;
    using RouteHandler = void (PortalServer::*)(Exchange&);

    void Handle(const httplib::Request& request, httplib::Response& response);
    void Route(Exchange& exchange);
    void ApplyFault(const ActiveFault& active, httplib::Response& response);

    void ServeFaultControl(Exchange& exchange);
    void ServeIndex(Exchange& exchange);
    void ServeCatalogue(Exchange& exchange);
    void ServeReport(Exchange& exchange);
    void ServeFileList(Exchange& exchange);
    void ServeUpdateLog(Exchange& exchange);
    void ServeLogin(Exchange& exchange);
    void ServeRegisterPage(Exchange& exchange);
    void ServeForgotPasswordPage(Exchange& exchange);
    void ServePersonalCenter(Exchange& exchange);
    void ServeShopInterface(Exchange& exchange);
    void ServeScriptPlugin(Exchange& exchange);
    void ServeRechargeParams(Exchange& exchange);
    void ServeHomePage(Exchange& exchange);
    void ServeRedirectPage(Exchange& exchange);
    void ServeApplicationPage(Exchange& exchange);
    void ServeCustomerService(Exchange& exchange);
    void ServeLauncherHome(Exchange& exchange);

    void ServePage(Exchange& exchange, const std::string& file,
                   const std::map<std::string, std::string>& values);
    void ServeDataFile(Exchange& exchange, const std::string& folder, const std::string& relative);
    const Account* SignedInAccount(const httplib::Request& request) const;
    std::string DataPath(const std::string& relative) const;

    PortalOptions options_;
    std::unique_ptr<httplib::Server> server_;
    Catalogue catalogue_;
    std::vector<Account> accounts_;
    std::map<std::string, std::string> recharge_params_;
    std::vector<std::string> warnings_;
    FaultTable faults_;
    RequestLog log_;
    std::map<std::string, RouteHandler> exact_routes_;
};

}  // namespace portal
