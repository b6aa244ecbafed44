#include "app/registry_settings.h"

#include "platform/core/text.h"

namespace quillon {

std::int64_t NumberFromText(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ') {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
        negative = text[i] == '-';
        ++i;
    }
    std::uint64_t magnitude = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        // Only the low 32 bits survive the assignment, so wrapping here changes nothing.
        magnitude = magnitude * 10 + static_cast<std::uint64_t>(text[i] - '0');
    }
    const auto value = static_cast<std::int64_t>(magnitude & 0xFFFFFFFFu);
    return negative ? -value : value;
}

std::string StringFieldFromText(std::string_view text, std::size_t length) {
    return std::string(TrimTrailingBlanks(CutToCharacters(text, length)));
}

std::string RegistrySettings::ReadValue(std::string_view name, std::string_view keyPath) const {
    const auto values = store_.ReadKey(TrimTrailingBlanks(keyPath));
    if (!values) {
        return {};
    }
    const std::string_view wanted = TrimTrailingBlanks(name);
    for (const StoredValue& value : *values) {
        // A value that would not fit the enumeration's buffers ends the enumeration in an error.
        if (value.name.size() > kMaxNameLength || value.text.size() > kMaxTextLength) {
            return {};
        }
        if (EqualsIgnoringCase(TrimTrailingBlanks(value.name), wanted)) {
            return std::string(TrimTrailingBlanks(value.text));
        }
    }
    return {};
}

bool RegistrySettings::WriteValue(std::string_view name, std::string_view keyPath,
                                  std::string_view text) {
    const std::string trimmedName(CutToBytes(TrimTrailingBlanks(name), kMaxNameLength));
    const std::string trimmedPath(CutToBytes(TrimTrailingBlanks(keyPath), kMaxNameLength));
    const std::string trimmedText(CutToBytes(TrimTrailingBlanks(text), kMaxTextLength));
    return !store_.SetValue(trimmedPath, trimmedName, trimmedText);
}

}  // namespace quillon
