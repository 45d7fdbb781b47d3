#include "portal/command_line.h"

#include <charconv>

namespace portal {

int PortOfOrigin(std::string_view origin) {
    std::size_t scheme = origin.find("://");
    std::string_view authority =
        scheme == std::string_view::npos ? origin : origin.substr(scheme + 3);
    authority = authority.substr(0, authority.find('/'));
    std::size_t colon = authority.rfind(':');
    int port = 0;
    if (colon == std::string_view::npos ||
        std::from_chars(authority.data() + colon + 1, authority.data() + authority.size(), port)
                .ec != std::errc())
        return 80;
    return port;
}

std::optional<CommandLine> ParseCommandLine(const std::vector<std::string>& arguments,
                                            CommandLine defaults, std::string& error) {
    CommandLine line = std::move(defaults);
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& option = arguments[i];
        if (i + 1 >= arguments.size()) {
            error = "missing value after " + option;
            return std::nullopt;
        }
        const std::string& value = arguments[++i];
        if (option == "--port") {
            auto [end, failure] =
                std::from_chars(value.data(), value.data() + value.size(), line.port);
            if (failure != std::errc() || end != value.data() + value.size() || line.port < 0 ||
                line.port > 65535) {
                error = "not a port: " + value;
                return std::nullopt;
            }
        } else if (option == "--data") {
            line.data_dir = value;
        } else if (option == "--log") {
            line.log_path = value;
        } else if (option == "--bind") {
            line.host = value;
        } else {
            error = "unknown option " + option;
            return std::nullopt;
        }
    }
    return line;
}

}  // namespace portal
