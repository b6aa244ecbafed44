#include "platform/store/settings_file_store.h"

#include <QStandardPaths>
#include <system_error>

#include "platform/core/text.h"
#include "platform/store/atomic_file.h"

namespace quillon {

namespace {

std::vector<std::string_view> SplitLines(std::string_view content) {
    std::vector<std::string_view> lines;
    while (!content.empty()) {
        const std::size_t end = content.find('\n');
        std::string_view line = content.substr(0, end);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);  // a file saved by an editor with CRLF line ends
        }
        lines.push_back(line);
        if (end == std::string_view::npos) {
            break;
        }
        content.remove_prefix(end + 1);
    }
    return lines;
}

}  // namespace

std::string EscapeSettingsText(std::string_view text) {
    std::string escaped;
    escaped.reserve(text.size());
    for (const char c : text) {
        switch (c) {
            case '\\':
                escaped += "\\\\";
                break;
            case '\n':
                escaped += "\\n";
                break;
            case '\r':
                escaped += "\\r";
                break;
            default:
                escaped += c;
        }
    }
    return escaped;
}

std::string UnescapeSettingsText(std::string_view text) {
    std::string plain;
    plain.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size()) {
            const char next = text[i + 1];
            if (next == '\\' || next == 'n' || next == 'r') {
                plain += next == 'n' ? '\n' : next == 'r' ? '\r' : '\\';
                ++i;
                continue;
            }
        }
        plain += text[i];
    }
    return plain;
}

SettingsFileStore::SettingsFileStore(std::filesystem::path configRoot)
    : configRoot_(std::move(configRoot)) {}

std::filesystem::path SettingsFileStore::DefaultConfigRoot() {
    // QStandardPaths honours XDG_CONFIG_HOME and falls back to ~/.config.
    return std::filesystem::path(
        QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation).toStdString());
}

std::optional<std::filesystem::path> SettingsFileStore::FileFor(std::string_view keyPath) const {
    keyPath = TrimTrailingBlanks(keyPath);
    std::vector<std::string_view> parts;
    while (true) {
        const std::size_t end = keyPath.find('\\');
        parts.push_back(keyPath.substr(0, end));
        if (end == std::string_view::npos) {
            break;
        }
        keyPath.remove_prefix(end + 1);
    }
    if (parts.size() < 2) {
        return std::nullopt;
    }
    std::filesystem::path file = configRoot_;
    for (std::size_t i = 1; i < parts.size(); ++i) {
        const std::string_view part = parts[i];
        if (part.empty() || part == "." || part == ".." || part.find('/') != part.npos) {
            return std::nullopt;
        }
        file /= std::string(part) + (i + 1 == parts.size() ? ".conf" : "");
    }
    return file;
}

std::optional<std::vector<StoredValue>> SettingsFileStore::ReadKey(std::string_view keyPath) const {
    const auto file = FileFor(keyPath);
    if (!file) {
        return std::nullopt;
    }
    const auto content = ReadWholeFile(*file);
    if (!content) {
        return std::nullopt;
    }
    std::vector<StoredValue> values;
    for (const std::string_view line : SplitLines(*content)) {
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos) {
            continue;
        }
        values.push_back(
            {std::string(line.substr(0, equals)), UnescapeSettingsText(line.substr(equals + 1))});
    }
    return values;
}

bool SettingsFileStore::SetValue(std::string_view keyPath, std::string_view name,
                                 std::string_view text) {
    // A name that the line format cannot hold is refused rather than stored under another name.
    if (name.empty() || name.find_first_of("=\n\r") != std::string_view::npos) {
        return false;
    }
    const auto file = FileFor(keyPath);
    if (!file) {
        return false;
    }
    std::error_code error;
    std::filesystem::create_directories(file->parent_path(), error);
    if (error) {
        return false;
    }
    const std::string newText = EscapeSettingsText(text);
    std::string content;
    bool replaced = false;
    if (const auto old = ReadWholeFile(*file)) {
        for (const std::string_view line : SplitLines(*old)) {
            const std::size_t equals = line.find('=');
            if (!replaced && equals != std::string_view::npos &&
                EqualsIgnoringCase(line.substr(0, equals), name)) {
                // The stored name keeps its letter case, as the registry does.
                content.append(line.substr(0, equals)).append("=").append(newText);
                replaced = true;
            } else {
                content.append(line);
            }
            content += '\n';
        }
    } else if (std::filesystem::exists(*file, error)) {
        return false;  // there but unreadable: never overwrite what we could not read
    }
    if (!replaced) {
        content.append(name).append("=").append(newText).append("\n");
    }
    return WriteFileAtomically(*file, content);
}

}  // namespace quillon
