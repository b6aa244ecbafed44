#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace quillon {

// A text file of [sections] with KEY=VALUE lines. Section and key names match regardless of
// letter case. Every change rewrites the file atomically; failures are reported by the result.
class IniFile {
public:
    explicit IniFile(std::filesystem::path path) : path_(std::move(path)) {}

    const std::filesystem::path& path() const { return path_; }

    // nullopt when the file, the section or the key does not exist.
    std::optional<std::string> Read(std::string_view section, std::string_view key) const;
    bool Write(std::string_view section, std::string_view key, std::string_view value);
    // Deleting a key that is not there succeeds and changes nothing.
    bool Delete(std::string_view section, std::string_view key);

private:
    std::filesystem::path path_;
};

}  // namespace quillon
