#include "platform/odbc/odbc_connection_string.h"

#include <algorithm>
#include <cstdlib>

#include "db/connection_string.h"
#include "platform/core/text.h"

namespace quillon {

namespace {

bool ContainsNoCase(std::string_view text, std::string_view part) {
    return !std::ranges::search(text, part, [](char a, char b) {
                return AsciiLower(a) == AsciiLower(b);
            }).empty();
}

bool AllDigits(std::string_view text) {
    return !text.empty() && std::ranges::all_of(text, [](char c) { return c >= '0' && c <= '9'; });
}

// One value as the driver reads it. The ODBC rule puts a value with ";" (or a leading "{") in
// braces and doubles each "}" inside. FreeTDS reads a braced value up to the first "};" and keeps
// doubled braces as they are, so for it "}" stays single and a value holding "};" cannot be
// written at all: sending it would cut the value short and let its rest pass for further keys.
std::optional<std::string> DriverValue(std::string_view value, bool freeTds) {
    if (!freeTds) {
        return ConnectionStringValue(value);
    }
    if (value.find(';') == std::string_view::npos && !value.starts_with('{')) {
        return std::string(value);
    }
    if (value.find("};") != std::string_view::npos) {
        return std::nullopt;
    }
    return "{" + std::string(value) + "}";
}

}  // namespace

OdbcDriver DriverNamed(std::string_view name) {
    return {std::string(name), ContainsNoCase(name, "tds")};
}

OdbcDriver ConfiguredOdbcDriver() {
    const char* named = std::getenv("QUILLON_ODBC_DRIVER");
    if (named != nullptr && *named != '\0') {
        return DriverNamed(named);
    }
    return DriverNamed(kFreeTdsDriverPath);
}

std::optional<std::string> TranslateConnectionString(std::string_view connectionString,
                                                     const OdbcDriver& driver) {
    // Driver names with blanks ("ODBC Driver 18 for SQL Server") are braced by convention.
    std::string out = "DRIVER={" + driver.name + "};";
    bool representable = true;
    const auto add = [&](std::string_view key, std::string_view value) {
        const auto text = DriverValue(value, driver.freeTds);
        representable = representable && text.has_value();
        out += std::string(key) + "=" + text.value_or("") + ";";
    };
    for (const ConnectionStringKey& key : ParseConnectionString(connectionString)) {
        const std::string_view value = TrimTrailingBlanks(key.value);
        if (EqualsIgnoringCase(key.name, "Server")) {
            const auto comma = value.find(',');
            if (comma != std::string_view::npos && driver.freeTds) {
                const std::string_view port = value.substr(comma + 1);
                if (!AllDigits(port)) {
                    return std::nullopt;
                }
                add("Server", value.substr(0, comma));
                add("Port", port);
            } else {
                add("Server", value);
            }
        } else if (EqualsIgnoringCase(key.name, "Database")) {
            add("Database", value);
        } else if (EqualsIgnoringCase(key.name, "UID")) {
            add("UID", value);
        } else if (EqualsIgnoringCase(key.name, "Pwd")) {
            add("PWD", value);
        } else if (EqualsIgnoringCase(key.name, "Trusted_connection")) {
            if (EqualsIgnoringCase(value, "YES")) {
                add("Trusted_Connection", "Yes");
            }
        }
        // Provider and anything else means nothing to an ODBC driver.
    }
    if (driver.freeTds) {
        add("TDS_Version", "7.4");
        add("ClientCharset", "UTF-8");
    }
    if (!representable) {
        return std::nullopt;
    }
    return out;
}

}  // namespace quillon
