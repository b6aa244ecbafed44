#pragma once

// A settings record is declared once, as a table of fields (label, type, member), so that one
// routine reads and writes any record field by field.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <variant>

namespace quillon {

enum class FieldType { Byte, Long, ULong, String };

template <class Record>
struct SettingsField {
    using Member = std::variant<std::uint8_t Record::*, std::int32_t Record::*,
                                std::uint32_t Record::*, std::string Record::*>;

    std::string_view label;  // blank: the field is not stored
    Member member;
    std::size_t length = 0;  // characters of a STRING(n) field

    FieldType type() const { return static_cast<FieldType>(member.index()); }
};

template <class Record>
constexpr SettingsField<Record> ByteField(std::string_view label, std::uint8_t Record::*member) {
    return {label, member, 0};
}
template <class Record>
constexpr SettingsField<Record> LongField(std::string_view label, std::int32_t Record::*member) {
    return {label, member, 0};
}
template <class Record>
constexpr SettingsField<Record> ULongField(std::string_view label, std::uint32_t Record::*member) {
    return {label, member, 0};
}
template <class Record>
constexpr SettingsField<Record> StringField(std::string_view label, std::size_t length,
                                            std::string Record::*member) {
    return {label, member, length};
}

template <class Record>
using SettingsTable = std::span<const SettingsField<Record>>;

// The conversions of a stored text to a field and back.
// Text to number: leading blanks, an optional sign and the digits that follow; anything else,
// the empty text included, gives 0. The number is then taken modulo the field's width, as an
// assignment to a narrower type does.
std::int64_t NumberFromText(std::string_view text);
// A string field holds its text cut to the field's length, without trailing blanks (which are
// never significant, so "AS" stands for "AS" padded to 20).
std::string StringFieldFromText(std::string_view text, std::size_t length);

template <class Record>
void AssignFieldText(Record& record, const SettingsField<Record>& field, std::string_view text) {
    std::visit(
        [&](auto member) {
            using Value = std::remove_reference_t<decltype(record.*member)>;
            if constexpr (std::is_same_v<Value, std::string>) {
                record.*member = StringFieldFromText(text, field.length);
            } else {
                record.*member = static_cast<Value>(NumberFromText(text));
            }
        },
        field.member);
}

template <class Record>
std::string FieldText(const Record& record, const SettingsField<Record>& field) {
    return std::visit(
        [&](auto member) -> std::string {
            const auto& value = record.*member;
            if constexpr (std::is_same_v<std::remove_cvref_t<decltype(value)>, std::string>) {
                return StringFieldFromText(value, field.length);
            } else {
                return std::to_string(static_cast<std::int64_t>(value));
            }
        },
        field.member);
}

}  // namespace quillon
