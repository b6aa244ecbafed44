#include "db/run_query.h"

namespace quillon {

void ReadAllRows(DatabaseResult& result, const std::function<void(DatabaseResult&)>& readRow) {
    if (!result.MoveFirst()) {
        return;
    }
    for (;;) {
        readRow(result);
        if (!result.MoveNext()) {
            return;
        }
        const auto end = result.EndOfData();
        if (!end || *end) {
            return;
        }
    }
}

bool ExecuteRows(const ConnectionContext* context, std::string_view sql,
                 const std::function<void(DatabaseResult&)>& readRow) {
    if (context == nullptr || !context->Connected()) {
        return true;
    }
    auto result = context->CONN->Execute(TrimTrailingBlanks(sql));
    if (!result) {
        return true;
    }
    ReadAllRows(*result, readRow);
    return false;  // the result is released here, as soon as its rows are read
}

}  // namespace quillon
