#pragma once

#include <filesystem>
#include <optional>

#include "platform/store/settings_store.h"

namespace quillon {

// The per-user settings store as text files under the user's configuration folder. A key path
// such as "SOFTWARE\Brackwell\Quillon" selects the file "Brackwell/Quillon.conf" (the first part
// of the path names the registry's branch and is dropped). One value a line, NAME=TEXT, UTF-8,
// with "\\", "\n" and "\r" escaped in TEXT; lines without "=" are ignored. Every write replaces
// the file atomically. Nothing is created before the first write.
class SettingsFileStore final : public SettingsStore {
public:
    explicit SettingsFileStore(std::filesystem::path configRoot);

    // $XDG_CONFIG_HOME, or ~/.config when it is not set.
    static std::filesystem::path DefaultConfigRoot();

    // The file that holds a key path; nullopt for a path that names no file (too short, or with
    // empty, "." or ".." parts).
    std::optional<std::filesystem::path> FileFor(std::string_view keyPath) const;

    std::optional<std::vector<StoredValue>> ReadKey(std::string_view keyPath) const override;
    bool SetValue(std::string_view keyPath, std::string_view name, std::string_view text) override;

private:
    std::filesystem::path configRoot_;
};

// The line format, exposed for tests.
std::string EscapeSettingsText(std::string_view text);
std::string UnescapeSettingsText(std::string_view text);

}  // namespace quillon
