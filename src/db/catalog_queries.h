#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "db/connection_context.h"
#include "db/records.h"

namespace quillon {

// The catalog questions of the main window. Each empties its queue and fills it from the server;
// without an open connection, and when the server refuses the text, the queue stays empty.
// Names are used without their trailing blanks and are escaped where they are spliced into SQL.
// A blank schema leaves the schema out of the question (every schema then answers).

// All tables and views (and whatever else the tables rowset lists) with their object ids: one
// request for the rowset plus one per object.
void QueryTables(const ConnectionContext* context, std::vector<TableRow>& queue);

// User stored procedures with their definitions (cut to 4096 characters).
void QueryProcedures(const ConnectionContext* context, std::vector<ProcedureRow>& queue);

// The table's columns in column order.
void QueryColumns(const ConnectionContext* context, std::string_view tableName,
                  std::string_view schema, std::vector<ColumnRow>& queue);

// The table's constraints.
void QueryTableConstraints(const ConnectionContext* context, std::string_view tableName,
                           std::string_view schema, std::vector<ConstraintRow>& queue);

// The columns a constraint covers.
void QueryConstraintColumns(const ConnectionContext* context, std::string_view constraintName,
                            std::string_view schema, std::vector<ConstraintColumnRow>& queue);

// The table's indexes other than primary keys, statistics and the text-and-image entry.
void QueryIndexes(const ConnectionContext* context, std::string_view tableName,
                  std::string_view schema, std::vector<IndexRow>& queue);

// The key columns of one index in key order.
void QueryIndexKeys(const ConnectionContext* context, std::int32_t tableId, std::int32_t indexId,
                    std::vector<IndexKeyRow>& queue);

// True only when the server says that key column is sorted descending.
bool IsKeyDescending(const ConnectionContext* context, std::int32_t tableId, std::int32_t indexId,
                     std::int32_t keyNumber);

}  // namespace quillon
