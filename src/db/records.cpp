#include "db/records.h"

#include <vector>

namespace quillon {

namespace {

constexpr std::size_t kName = 255;
constexpr std::size_t kDefinition = 4096;

}  // namespace

// A field of a plain member; the label is the member's name. Numbers take no length.
#define QUILLON_FIELD(Record, Member, Length)                                             \
    RecordField<Record> {                                                                 \
#Member, [](Record & r, std::size_t) -> FieldTarget { return &r.Member; }, Length \
    }

std::span<const RecordField<TableRow>> TableRow::Fields() {
    static const RecordField<TableRow> fields[] = {
        QUILLON_FIELD(TableRow, TABLE_CATALOG, kName), QUILLON_FIELD(TableRow, TABLE_SCHEMA, kName),
        QUILLON_FIELD(TableRow, TABLE_NAME, kName),    QUILLON_FIELD(TableRow, TABLE_TYPE, kName),
        QUILLON_FIELD(TableRow, TABLE_ID, 0),
    };
    return fields;
}

std::span<const RecordField<ProcedureRow>> ProcedureRow::Fields() {
    static const RecordField<ProcedureRow> fields[] = {
        QUILLON_FIELD(ProcedureRow, PROCEDURE_NAME, kName),
        QUILLON_FIELD(ProcedureRow, PROCEDURE_DEF, kDefinition),
    };
    return fields;
}

std::span<const RecordField<ColumnRow>> ColumnRow::Fields() {
    static const RecordField<ColumnRow> fields[] = {
        QUILLON_FIELD(ColumnRow, TABLE_SCHEMA, kName),
        QUILLON_FIELD(ColumnRow, TABLE_NAME, kName),
        QUILLON_FIELD(ColumnRow, COLUMN_NAME, kName),
        QUILLON_FIELD(ColumnRow, ORDINAL_POSITION, 0),
        QUILLON_FIELD(ColumnRow, DATA_TYPE, kName),
        QUILLON_FIELD(ColumnRow, CHARACTER_MAXIMUM_LENGTH, 0),
    };
    return fields;
}

std::span<const RecordField<ConstraintRow>> ConstraintRow::Fields() {
    static const RecordField<ConstraintRow> fields[] = {
        QUILLON_FIELD(ConstraintRow, CONSTRAINT_CATALOG, kName),
        QUILLON_FIELD(ConstraintRow, CONSTRAINT_SCHEMA, kName),
        QUILLON_FIELD(ConstraintRow, CONSTRAINT_NAME, kName),
        QUILLON_FIELD(ConstraintRow, TABLE_CATALOG, kName),
        QUILLON_FIELD(ConstraintRow, TABLE_SCHEMA, kName),
        QUILLON_FIELD(ConstraintRow, TABLE_NAME, kName),
        QUILLON_FIELD(ConstraintRow, CONSTRAINT_TYPE, kName),
    };
    return fields;
}

std::span<const RecordField<ConstraintColumnRow>> ConstraintColumnRow::Fields() {
    static const RecordField<ConstraintColumnRow> fields[] = {
        QUILLON_FIELD(ConstraintColumnRow, TABLE_CATALOG, kName),
        QUILLON_FIELD(ConstraintColumnRow, TABLE_SCHEMA, kName),
        QUILLON_FIELD(ConstraintColumnRow, TABLE_NAME, kName),
        QUILLON_FIELD(ConstraintColumnRow, COLUMN_NAME, kName),
        QUILLON_FIELD(ConstraintColumnRow, CONSTRAINT_CATALOG, kName),
        QUILLON_FIELD(ConstraintColumnRow, CONSTRAINT_SCHEMA, kName),
        QUILLON_FIELD(ConstraintColumnRow, CONSTRAINT_NAME, kName),
    };
    return fields;
}

std::span<const RecordField<IndexRow>> IndexRow::Fields() {
    static const RecordField<IndexRow> fields[] = {
        QUILLON_FIELD(IndexRow, NAME, kName),
        QUILLON_FIELD(IndexRow, ID, 0),
        QUILLON_FIELD(IndexRow, INDID, 0),
    };
    return fields;
}

std::span<const RecordField<IndexKeyRow>> IndexKeyRow::Fields() {
    static const RecordField<IndexKeyRow> fields[] = {
        QUILLON_FIELD(IndexKeyRow, NAME, kName),
        QUILLON_FIELD(IndexKeyRow, KEYNO, 0),
    };
    return fields;
}

std::span<const RecordField<TextResult>> TextResult::Fields() {
    static const RecordField<TextResult> fields[] = {QUILLON_FIELD(TextResult, RESULT, kName)};
    return fields;
}

std::span<const RecordField<NumberResult>> NumberResult::Fields() {
    static const RecordField<NumberResult> fields[] = {QUILLON_FIELD(NumberResult, RESULT, 0)};
    return fields;
}

std::span<const RecordField<RelationRow>> RelationRow::Fields() {
    // The 64 slot labels FKEY1, FNAME1 ... need storage of their own.
    struct Layout {
        std::array<std::string, 4 * kSlots> labels;
        std::vector<RecordField<RelationRow>> fields;

        Layout() {
            fields = {
                QUILLON_FIELD(RelationRow, RELATTYPE, 0),
                QUILLON_FIELD(RelationRow, CONSTID, 0),
                QUILLON_FIELD(RelationRow, FKEYNAME, kName),
                QUILLON_FIELD(RelationRow, FKEYID, 0),
                QUILLON_FIELD(RelationRow, FTABLENAME, kName),
                QUILLON_FIELD(RelationRow, RKEYID, 0),
                QUILLON_FIELD(RelationRow, RTABLENAME, kName),
                QUILLON_FIELD(RelationRow, RKEYINDID, 0),
                QUILLON_FIELD(RelationRow, RKEYNAME, kName),
                QUILLON_FIELD(RelationRow, KEYCNT, 0),
            };
            using Target = FieldTarget (*)(RelationRow&, std::size_t);
            const Target fkey = [](RelationRow& r, std::size_t i) -> FieldTarget {
                return &r.FKEY[i];
            };
            const Target fname = [](RelationRow& r, std::size_t i) -> FieldTarget {
                return &r.FNAME[i];
            };
            const Target rkey = [](RelationRow& r, std::size_t i) -> FieldTarget {
                return &r.RKEY[i];
            };
            const Target rname = [](RelationRow& r, std::size_t i) -> FieldTarget {
                return &r.RNAME[i];
            };
            std::size_t next = 0;
            const auto add = [&](std::string_view prefix, std::size_t slot, Target target,
                                 std::size_t length) {
                labels[next] = std::string(prefix) + std::to_string(slot + 1);
                fields.push_back({labels[next], target, length, slot});
                ++next;
            };
            for (std::size_t slot = 0; slot < kSlots; ++slot) {
                add("FKEY", slot, fkey, 0);
                add("FNAME", slot, fname, kName);
            }
            for (std::size_t slot = 0; slot < kSlots; ++slot) {
                add("RKEY", slot, rkey, 0);
                add("RNAME", slot, rname, kName);
            }
        }
    };
    static const Layout layout;
    return layout.fields;
}

#undef QUILLON_FIELD

}  // namespace quillon
