#pragma once

#include <functional>
#include <string_view>
#include <vector>

#include "db/client.h"
#include "db/connection_context.h"
#include "db/field_conversion.h"
#include "platform/core/text.h"

namespace quillon {

// How the columns of a row find the fields of a result record.
enum class MatchMode {
    ByName,      // every field whose label equals the column's name (any letter case)
    ByPosition,  // column i fills field i; further columns are ignored
};

// Reads every row of a result, in order, handing each to `readRow`: moves to the first row, then
// on while the move succeeds and end-of-data is reported false.
void ReadAllRows(DatabaseResult& result, const std::function<void(DatabaseResult&)>& readRow);

// Runs an SQL text (trailing blanks dropped) on the context's connection and hands each row to
// `readRow`. Returns true when executing the text failed, and without an open connection.
bool ExecuteRows(const ConnectionContext* context, std::string_view sql,
                 const std::function<void(DatabaseResult&)>& readRow);

// Appends the current row as one record: fields the row does not fill stay blank or 0; a row
// without columns appends nothing.
template <class Record>
void AppendRow(DatabaseResult& row, MatchMode mode, std::vector<Record>& queue) {
    Record record{};
    const auto fields = Record::Fields();
    const int count = row.FieldCount();
    for (int i = 0; i < count; ++i) {
        if (mode == MatchMode::ByPosition) {
            if (static_cast<std::size_t>(i) < fields.size()) {
                const auto& field = fields[i];
                AssignValue(field.target(record, field.slot), field.length, row.Value(i));
            }
            continue;
        }
        const std::string name = row.FieldName(i);
        const std::string_view column = TrimTrailingBlanks(name);
        for (const auto& field : fields) {
            if (EqualsIgnoringCase(field.label, column)) {
                AssignValue(field.target(record, field.slot), field.length, row.Value(i));
            }
        }
    }
    if (count > 0) {
        queue.push_back(std::move(record));
    }
}

// Empties the queue, runs the text and appends one record per row. Returns true when executing
// the text failed (then the queue stays empty); a text that fails and one that returns no rows
// look the same to every caller.
template <class Record>
bool RunQuery(const ConnectionContext* context, std::string_view sql, std::vector<Record>& queue,
              MatchMode mode) {
    queue.clear();
    return ExecuteRows(context, sql, [&](DatabaseResult& row) { AppendRow(row, mode, queue); });
}

}  // namespace quillon
