#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "db/connection_context.h"
#include "db/records.h"

namespace quillon {

// Every foreign-key relation the table takes part in: first those in which it holds the foreign
// key (RELATTYPE 2), then those that refer to it (RELATTYPE 1), each group in the server's order,
// with every name looked up one by one: 2 requests plus 36 per relation.
void QueryRelations(const ConnectionContext* context, std::int32_t tableId,
                    std::vector<RelationRow>& queue);

// Single lookups; blank when there is no such object, index or column, or no connection.
std::string ObjectName(const ConnectionContext* context, std::int32_t objectId);
std::string IndexName(const ConnectionContext* context, std::int32_t tableId, std::int32_t indexId);
std::string ColumnName(const ConnectionContext* context, std::int32_t tableId,
                       std::int32_t columnId);

}  // namespace quillon
