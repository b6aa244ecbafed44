#include "platform/store/ini_file.h"

#include <vector>

#include "platform/core/text.h"
#include "platform/store/atomic_file.h"

namespace quillon {

namespace {

std::string_view Trim(std::string_view text) {
    const std::size_t begin = text.find_first_not_of(" \t");
    if (begin == std::string_view::npos) {
        return {};
    }
    const std::size_t end = text.find_last_not_of(" \t\r");
    return text.substr(begin, end - begin + 1);
}

// The file as lines, with the positions that matter for one section and key.
struct IniLines {
    std::vector<std::string> lines;

    static IniLines Load(const std::filesystem::path& path) {
        IniLines ini;
        const auto content = ReadWholeFile(path);
        if (!content) {
            return ini;
        }
        std::string_view rest = *content;
        while (!rest.empty()) {
            const std::size_t end = rest.find('\n');
            std::string_view line = rest.substr(0, end);
            if (!line.empty() && line.back() == '\r') {
                line.remove_suffix(1);
            }
            ini.lines.emplace_back(line);
            if (end == std::string_view::npos) {
                break;
            }
            rest.remove_prefix(end + 1);
        }
        return ini;
    }

    static std::optional<std::string_view> SectionName(std::string_view line) {
        line = Trim(line);
        if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
            return Trim(line.substr(1, line.size() - 2));
        }
        return std::nullopt;
    }

    static std::optional<std::pair<std::string_view, std::string_view>> KeyValue(
        std::string_view line) {
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos || Trim(line).starts_with(';')) {
            return std::nullopt;
        }
        return std::pair{Trim(line.substr(0, equals)), Trim(line.substr(equals + 1))};
    }

    // [first line of the section's body, end of the body); nullopt when there is no section.
    std::optional<std::pair<std::size_t, std::size_t>> FindSection(std::string_view section) const {
        for (std::size_t i = 0; i < lines.size(); ++i) {
            const auto name = SectionName(lines[i]);
            if (name && EqualsIgnoringCase(*name, Trim(section))) {
                std::size_t end = i + 1;
                while (end < lines.size() && !SectionName(lines[end])) {
                    ++end;
                }
                return std::pair{i + 1, end};
            }
        }
        return std::nullopt;
    }

    std::optional<std::size_t> FindKey(std::string_view section, std::string_view key) const {
        const auto body = FindSection(section);
        if (!body) {
            return std::nullopt;
        }
        for (std::size_t i = body->first; i < body->second; ++i) {
            const auto pair = KeyValue(lines[i]);
            if (pair && EqualsIgnoringCase(pair->first, Trim(key))) {
                return i;
            }
        }
        return std::nullopt;
    }

    bool Save(const std::filesystem::path& path) const {
        std::string content;
        for (const std::string& line : lines) {
            content.append(line).append("\n");
        }
        return WriteFileAtomically(path, content);
    }
};

bool IsStorable(std::string_view text) {
    return text.find_first_of("\n\r") == std::string_view::npos;
}

}  // namespace

std::optional<std::string> IniFile::Read(std::string_view section, std::string_view key) const {
    const IniLines ini = IniLines::Load(path_);
    const auto line = ini.FindKey(section, key);
    if (!line) {
        return std::nullopt;
    }
    return std::string(IniLines::KeyValue(ini.lines[*line])->second);
}

bool IniFile::Write(std::string_view section, std::string_view key, std::string_view value) {
    if (!IsStorable(section) || !IsStorable(key) || !IsStorable(value) ||
        section.find(']') != std::string_view::npos || key.find('=') != std::string_view::npos) {
        return false;
    }
    if (std::filesystem::exists(path_) && !ReadWholeFile(path_)) {
        return false;  // never replace a file we could not read
    }
    IniLines ini = IniLines::Load(path_);
    std::string line = std::string(Trim(key)) + "=" + std::string(value);
    if (const auto existing = ini.FindKey(section, key)) {
        ini.lines[*existing] = std::move(line);
    } else if (const auto body = ini.FindSection(section)) {
        // After the section's last key, before any blank lines that separate it from the next.
        std::size_t at = body->second;
        while (at > body->first && Trim(ini.lines[at - 1]).empty()) {
            --at;
        }
        ini.lines.insert(ini.lines.begin() + static_cast<std::ptrdiff_t>(at), std::move(line));
    } else {
        ini.lines.push_back("[" + std::string(Trim(section)) + "]");
        ini.lines.push_back(std::move(line));
    }
    return ini.Save(path_);
}

bool IniFile::Delete(std::string_view section, std::string_view key) {
    IniLines ini = IniLines::Load(path_);
    const auto existing = ini.FindKey(section, key);
    if (!existing) {
        return true;
    }
    ini.lines.erase(ini.lines.begin() + static_cast<std::ptrdiff_t>(*existing));
    return ini.Save(path_);
}

}  // namespace quillon
