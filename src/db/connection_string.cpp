#include "db/connection_string.h"

#include "platform/core/text.h"

namespace quillon {

namespace {

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && text.front() == ' ') {
        text.remove_prefix(1);
    }
    return TrimTrailingBlanks(text);
}

}  // namespace

std::string ConnectionStringValue(std::string_view value) {
    value = TrimTrailingBlanks(value);
    if (value.find(';') == std::string_view::npos && !value.starts_with('{')) {
        return std::string(value);
    }
    std::string quoted = "{";
    for (char c : value) {
        quoted += c;
        if (c == '}') {
            quoted += c;
        }
    }
    return quoted + "}";
}

std::string BuildConnectionString(std::string_view server, std::string_view database,
                                  std::string_view userName, std::string_view password,
                                  bool trustedConnection) {
    std::string text = "Provider=sqloledb.1;";
    text += "Server=" + ConnectionStringValue(server) + ";";
    text += "Database=" + ConnectionStringValue(database) + ";";
    if (trustedConnection) {
        text += "Trusted_connection=YES;";
    } else {
        text += "UID=" + ConnectionStringValue(userName) + ";";
        text += "Pwd=" + ConnectionStringValue(password) + ";";
    }
    return text;
}

std::vector<ConnectionStringKey> ParseConnectionString(std::string_view text) {
    std::vector<ConnectionStringKey> keys;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t equals = text.find('=', pos);
        const std::size_t semicolon = text.find(';', pos);
        if (equals == std::string_view::npos || semicolon < equals) {
            // A part without "=" names nothing.
            if (semicolon == std::string_view::npos) {
                break;
            }
            pos = semicolon + 1;
            continue;
        }
        ConnectionStringKey key{std::string(TrimBlanks(text.substr(pos, equals - pos))), {}};
        pos = equals + 1;
        if (pos < text.size() && text[pos] == '{') {
            // Braced value: "}}" stands for "}", a single "}" ends it.
            for (++pos; pos < text.size(); ++pos) {
                if (text[pos] == '}') {
                    if (pos + 1 < text.size() && text[pos + 1] == '}') {
                        key.value += '}';
                        ++pos;
                        continue;
                    }
                    ++pos;
                    break;
                }
                key.value += text[pos];
            }
            const std::size_t end = text.find(';', pos);
            pos = end == std::string_view::npos ? text.size() : end + 1;
        } else {
            const std::size_t end = text.find(';', pos);
            key.value = std::string(text.substr(
                pos, end == std::string_view::npos ? std::string_view::npos : end - pos));
            pos = end == std::string_view::npos ? text.size() : end + 1;
        }
        if (!key.name.empty()) {
            keys.push_back(std::move(key));
        }
    }
    return keys;
}

}  // namespace quillon
