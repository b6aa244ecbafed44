#pragma once

// The command line of catalog-server.

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "../engine/engine.h"
#include "conversation.h"

namespace catalog_server {

struct ServerOptions {
    std::string host = "127.0.0.1";
    std::uint16_t port = 1433;
    std::vector<ScriptSource> databases;
    std::vector<tds::LoginCredentials> logins;  // demo:demo when none is given
    int latencyMs = 0;
    std::string logFile;
    bool help = false;
};

inline constexpr const char* kUsage =
    "usage: catalog-server [--host 127.0.0.1] [--port N] --database NAME [--script FILE.sql ...]\n"
    "                      [--database NAME --script FILE.sql ...] [--login USER:PASSWORD ...]\n"
    "                      [--generate-tables N] [--latency-ms N] [--log FILE]\n";

// Parses the arguments after the program name; on error, a one-line message naming the problem.
std::variant<ServerOptions, std::string> ParseOptions(const std::vector<std::string_view>& args);

}  // namespace catalog_server
