#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillon {

struct StoredValue {
    std::string name;
    std::string text;
};

// A per-user store of named text values grouped under key paths (the registry's role). It keeps
// values in the order they were first written, as an enumeration would list them.
class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    // Every value under the key, in stored order; nullopt when the key does not exist or cannot
    // be read.
    virtual std::optional<std::vector<StoredValue>> ReadKey(std::string_view keyPath) const = 0;
    // Sets one value, replacing the one whose name matches regardless of letter case, and creates
    // the key when it is missing. False on failure.
    virtual bool SetValue(std::string_view keyPath, std::string_view name,
                          std::string_view text) = 0;
};

}  // namespace quillon
