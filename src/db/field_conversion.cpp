#include "db/field_conversion.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <optional>
#include <string_view>

#include "platform/core/text.h"

namespace quillon {

namespace {

std::string AsText(const FieldValue& value) {
    if (const auto* text = std::get_if<std::string>(&value)) {
        return *text;
    }
    if (const auto* whole = std::get_if<std::int64_t>(&value)) {
        return std::to_string(*whole);
    }
    if (const auto* real = std::get_if<double>(&value)) {
        char buffer[64];
        const auto end = std::to_chars(buffer, buffer + sizeof buffer, *real).ptr;
        return std::string(buffer, end);
    }
    return {};
}

std::optional<double> TextAsNumber(std::string_view text) {
    while (!text.empty() && text.front() == ' ') {
        text.remove_prefix(1);
    }
    text = TrimTrailingBlanks(text);
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
    }
    double number = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return number;
}

// The whole number a value stands for, truncated toward zero; nullopt when it has none.
std::optional<std::int64_t> AsWholeNumber(const FieldValue& value) {
    if (const auto* whole = std::get_if<std::int64_t>(&value)) {
        return *whole;
    }
    std::optional<double> real;
    if (const auto* number = std::get_if<double>(&value)) {
        real = *number;
    } else if (const auto* text = std::get_if<std::string>(&value)) {
        real = TextAsNumber(*text);
    }
    // Checked against the int64 range before the cast, which would be undefined outside it.
    if (!real || !std::isfinite(*real) || std::fabs(*real) >= 9.2e18) {
        return std::nullopt;
    }
    return static_cast<std::int64_t>(std::trunc(*real));
}

template <class Number>
Number InRangeOrZero(std::optional<std::int64_t> whole) {
    if (!whole || *whole < std::numeric_limits<Number>::min() ||
        *whole > std::numeric_limits<Number>::max()) {
        return 0;
    }
    return static_cast<Number>(*whole);
}

}  // namespace

void AssignValue(FieldTarget target, std::size_t length, const FieldValue& value) {
    if (auto* const* text = std::get_if<std::string*>(&target)) {
        // A fixed-length text field: cut to its length; padding blanks are never kept.
        **text = std::string(TrimTrailingBlanks(CutToCharacters(AsText(value), length)));
    } else if (auto* const* number = std::get_if<std::int32_t*>(&target)) {
        **number = InRangeOrZero<std::int32_t>(AsWholeNumber(value));
    } else if (auto* const* byte = std::get_if<std::uint8_t*>(&target)) {
        **byte = InRangeOrZero<std::uint8_t>(AsWholeNumber(value));
    }
}

}  // namespace quillon
