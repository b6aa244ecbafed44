#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <variant>

namespace quillon {

// Where one value of a row goes: a text field or a number field of a result record.
using FieldTarget = std::variant<std::string*, std::int32_t*, std::uint8_t*>;

// One labelled field of a result record, in the record's field order. Text fields keep at most
// `length` characters and never trailing blanks.
template <class Record>
struct RecordField {
    std::string_view label;  // upper case
    FieldTarget (*target)(Record& record, std::size_t slot);
    std::size_t length = 0;
    std::size_t slot = 0;  // index into an array member (FKEY1 is FKEY[0])
};

// Text fields of 255 characters unless said otherwise; LONG fields are std::int32_t, BYTE fields
// std::uint8_t.

struct TableRow {
    std::string TABLE_CATALOG;
    std::string TABLE_SCHEMA;
    std::string TABLE_NAME;
    std::string TABLE_TYPE;
    std::int32_t TABLE_ID = 0;
    static std::span<const RecordField<TableRow>> Fields();
};

struct ProcedureRow {
    std::string PROCEDURE_NAME;
    std::string PROCEDURE_DEF;  // 4096 characters
    static std::span<const RecordField<ProcedureRow>> Fields();
};

struct ColumnRow {
    std::string TABLE_SCHEMA;
    std::string TABLE_NAME;
    std::string COLUMN_NAME;
    std::int32_t ORDINAL_POSITION = 0;
    std::string DATA_TYPE;
    std::int32_t CHARACTER_MAXIMUM_LENGTH = 0;
    static std::span<const RecordField<ColumnRow>> Fields();
};

struct ConstraintRow {
    std::string CONSTRAINT_CATALOG;
    std::string CONSTRAINT_SCHEMA;
    std::string CONSTRAINT_NAME;
    std::string TABLE_CATALOG;
    std::string TABLE_SCHEMA;
    std::string TABLE_NAME;
    std::string CONSTRAINT_TYPE;
    static std::span<const RecordField<ConstraintRow>> Fields();
};

struct ConstraintColumnRow {
    std::string TABLE_CATALOG;
    std::string TABLE_SCHEMA;
    std::string TABLE_NAME;
    std::string COLUMN_NAME;
    std::string CONSTRAINT_CATALOG;
    std::string CONSTRAINT_SCHEMA;
    std::string CONSTRAINT_NAME;
    static std::span<const RecordField<ConstraintColumnRow>> Fields();
};

struct IndexRow {
    std::string NAME;
    std::int32_t ID = 0;
    std::int32_t INDID = 0;
    static std::span<const RecordField<IndexRow>> Fields();
};

struct IndexKeyRow {
    std::string NAME;
    std::int32_t KEYNO = 0;
    static std::span<const RecordField<IndexKeyRow>> Fields();
};

// One foreign-key relation of a table. Pair i (1 to 16) is FKEY[i-1]/FNAME[i-1] in the table that
// holds the foreign key and RKEY[i-1]/RNAME[i-1] in the referenced table; the field labels are
// FKEY1, FNAME1 ... FKEY16, FNAME16 and RKEY1, RNAME1 ... RKEY16, RNAME16.
struct RelationRow {
    static constexpr std::size_t kSlots = 16;
    static constexpr std::uint8_t kHoldsForeignKey = 2;
    static constexpr std::uint8_t kIsReferenced = 1;

    std::uint8_t RELATTYPE = 0;
    std::int32_t CONSTID = 0;
    std::string FKEYNAME;
    std::int32_t FKEYID = 0;
    std::string FTABLENAME;
    std::int32_t RKEYID = 0;
    std::string RTABLENAME;
    std::int32_t RKEYINDID = 0;
    std::string RKEYNAME;
    std::int32_t KEYCNT = 0;
    std::array<std::int32_t, kSlots> FKEY{};
    std::array<std::string, kSlots> FNAME;
    std::array<std::int32_t, kSlots> RKEY{};
    std::array<std::string, kSlots> RNAME;
    static std::span<const RecordField<RelationRow>> Fields();
};

// The one-value results of single lookups.
struct TextResult {
    std::string RESULT;
    static std::span<const RecordField<TextResult>> Fields();
};

struct NumberResult {
    std::int32_t RESULT = 0;
    static std::span<const RecordField<NumberResult>> Fields();
};

}  // namespace quillon
