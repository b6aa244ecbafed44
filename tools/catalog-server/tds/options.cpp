#include "options.h"

#include <charconv>
#include <limits>

#include "platform/core/text.h"

namespace catalog_server {
namespace {

bool ParseNumber(std::string_view text, long long min, long long max, long long& out) {
    long long value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value < min || value > max) {
        return false;
    }
    out = value;
    return true;
}

}  // namespace

std::variant<ServerOptions, std::string> ParseOptions(const std::vector<std::string_view>& args) {
    ServerOptions options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string_view name = args[i];
        std::string_view value;
        bool hasValue = false;
        if (const std::size_t eq = name.find('='); name.starts_with("--") && eq != name.npos) {
            value = name.substr(eq + 1);
            name = name.substr(0, eq);
            hasValue = true;
        }
        if (name == "--help" || name == "-h") {
            options.help = true;
            continue;
        }
        const auto needValue = [&]() -> bool {
            if (hasValue) {
                return true;
            }
            if (i + 1 >= args.size()) {
                return false;
            }
            value = args[++i];
            return true;
        };
        const std::string option(name);
        const auto numberError = [&](std::string_view range) {
            return "option " + option + " needs " + std::string(range) + ", not '" +
                   std::string(value) + "'";
        };
        if (name != "--host" && name != "--port" && name != "--database" && name != "--script" &&
            name != "--login" && name != "--generate-tables" && name != "--latency-ms" &&
            name != "--log") {
            return "unknown option '" + option + "'";
        }
        if (!needValue()) {
            return "option " + option + " needs a value";
        }
        long long number = 0;
        if (name == "--host") {
            if (value.empty()) {
                return std::string("option --host needs a host name or address");
            }
            options.host = value;
        } else if (name == "--port") {
            if (!ParseNumber(value, 0, 65535, number)) {
                return numberError("a port number from 0 to 65535");
            }
            options.port = static_cast<std::uint16_t>(number);
        } else if (name == "--database") {
            if (value.empty()) {
                return std::string("option --database needs a name");
            }
            options.databases.push_back(ScriptSource{std::string(value), {}, 0});
        } else if (name == "--script") {
            if (options.databases.empty()) {
                return "--script " + std::string(value) + " comes before any --database";
            }
            options.databases.back().files.emplace_back(value);
        } else if (name == "--login") {
            const std::size_t colon = value.find(':');
            if (colon == value.npos || colon == 0) {
                return "option --login needs USER:PASSWORD, not '" + std::string(value) + "'";
            }
            options.logins.push_back(
                {std::string(value.substr(0, colon)), std::string(value.substr(colon + 1))});
        } else if (name == "--generate-tables") {
            if (options.databases.empty()) {
                return std::string("--generate-tables comes before any --database");
            }
            if (!ParseNumber(value, 0, std::numeric_limits<int>::max(), number)) {
                return numberError("a number of tables");
            }
            options.databases.back().generatedTables = static_cast<int>(number);
        } else if (name == "--latency-ms") {
            if (!ParseNumber(value, 0, 3'600'000, number)) {
                return numberError("a number of milliseconds");
            }
            options.latencyMs = static_cast<int>(number);
        } else if (name == "--log") {
            if (value.empty()) {
                return std::string("option --log needs a file name");
            }
            options.logFile = value;
        }
    }
    if (options.help) {
        return options;
    }
    if (options.databases.empty()) {
        return std::string("no database given: use --database NAME --script FILE.sql");
    }
    for (std::size_t i = 0; i < options.databases.size(); ++i) {
        for (std::size_t j = 0; j < i; ++j) {
            const std::string& a = options.databases[i].database;
            const std::string& b = options.databases[j].database;
            if (quillon::EqualsIgnoringCase(a, b)) {
                return "database " + a + " is named twice";
            }
        }
    }
    if (options.logins.empty()) {
        options.logins.push_back({"demo", "demo"});
    }
    return options;
}

}  // namespace catalog_server
