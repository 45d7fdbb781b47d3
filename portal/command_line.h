// The command line of quorvi-portal:
//   quorvi-portal [--port N] [--data DIR] [--log FILE] [--bind HOST]
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace portal {

struct CommandLine {
    int port = 0;
    std::string data_dir;
    std::string log_path = "-";
    std::string host = "127.0.0.1";
};

// The port of an origin "scheme://host:port", or 80 when it names none.
int PortOfOrigin(std::string_view origin);

// Parses the arguments after the program name over the defaults given; on a
// mistake returns nothing and says why in error.
std::optional<CommandLine> ParseCommandLine(const std::vector<std::string>& arguments,
                                            CommandLine defaults, std::string& error);

}  // namespace portal
