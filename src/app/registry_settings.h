#pragma once

#include <string>
#include <string_view>

#include "app/settings_record.h"
#include "platform/core/text.h"
#include "platform/store/settings_store.h"

namespace quillon {

// Moves settings records between memory and the per-user store, one text value per field named
// by the field's label, and reads and writes single named values. Holds no state between calls.
class RegistrySettings {
public:
    // Longest value name and text the store takes, in bytes of UTF-8.
    static constexpr std::size_t kMaxNameLength = 255;
    static constexpr std::size_t kMaxTextLength = 4096;

    explicit RegistrySettings(SettingsStore& store) : store_(store) {}

    // Every labelled field gets the text of the value of the same name; a missing value gives
    // blank or 0, never the field's earlier content.
    template <class Record>
    void ReadGroup(Record& record, SettingsTable<Record> fields, std::string_view keyPath) const {
        for (const auto& field : fields) {
            if (!TrimTrailingBlanks(field.label).empty()) {
                AssignFieldText(record, field, ReadValue(field.label, keyPath));
            }
        }
    }
    template <class Record>
    void ReadGroup(Record& record, std::string_view keyPath) const {
        ReadGroup(record, Record::Fields(), keyPath);
    }

    // Writes every labelled field; true when a field was skipped for want of a label or failed.
    template <class Record>
    bool WriteGroup(const Record& record, SettingsTable<Record> fields, std::string_view keyPath) {
        bool skippedOrFailed = false;
        for (const auto& field : fields) {
            if (TrimTrailingBlanks(field.label).empty()) {
                skippedOrFailed = true;
            } else if (WriteValue(field.label, keyPath, FieldText(record, field))) {
                skippedOrFailed = true;
            }
        }
        return skippedOrFailed;
    }
    template <class Record>
    bool WriteGroup(const Record& record, std::string_view keyPath) {
        return WriteGroup(record, Record::Fields(), keyPath);
    }

    // The text of the first value whose name matches regardless of letter case, without trailing
    // blanks; empty when the key or the value is missing, or when a value met before it has a
    // name or text too long for the store's limits.
    std::string ReadValue(std::string_view name, std::string_view keyPath) const;

    // Writes one value (name cut to 255 bytes, text to 4096, whole characters); true on failure.
    bool WriteValue(std::string_view name, std::string_view keyPath, std::string_view text);

private:
    SettingsStore& store_;
};

}  // namespace quillon
