#include "db/catalog_queries.h"

#include <string>

#include "db/run_query.h"
#include "db/sql_text.h"

namespace quillon {

namespace {

// " AND <column>='<schema>'" when a schema is given, so that tables of the same name in other
// schemas stay out of the answer.
std::string SchemaCondition(std::string_view keyword, std::string_view column,
                            std::string_view schema) {
    if (TrimTrailingBlanks(schema).empty()) {
        return {};
    }
    return " " + std::string(keyword) + " " + std::string(column) + "='" + SqlLiteralText(schema) +
           "'";
}

}  // namespace

void QueryTables(const ConnectionContext* context, std::vector<TableRow>& queue) {
    queue.clear();
    if (context == nullptr || !context->Connected()) {
        return;
    }
    {
        const auto rowset = context->CONN->TablesRowset();
        if (!rowset) {
            return;
        }
        ReadAllRows(*rowset,
                    [&](DatabaseResult& row) { AppendRow(row, MatchMode::ByName, queue); });
    }  // the rowset is released before the id requests start

    std::vector<NumberResult> id;
    for (TableRow& table : queue) {
        context->Yield();
        const std::string name = BracketedNamePart(table.TABLE_CATALOG) + "." +
                                 BracketedNamePart(table.TABLE_SCHEMA) + "." +
                                 BracketedNamePart(table.TABLE_NAME);
        RunQuery(context, "select object_id('" + SqlLiteralText(name) + "') as result", id,
                 MatchMode::ByName);
        if (!id.empty()) {
            table.TABLE_ID = id.front().RESULT;
        }
    }
}

void QueryProcedures(const ConnectionContext* context, std::vector<ProcedureRow>& queue) {
    RunQuery(context,
             "SELECT  obj.name as PROCEDURE_NAME,inf.ROUTINE_DEFINITION as PROCEDURE_DEF FROM "
             "sysobjects obj, INFORMATION_SCHEMA.ROUTINES inf WHERE obj.xtype = 'P' AND "
             "obj.category = 0 and obj.name=inf.routine_name",
             queue, MatchMode::ByPosition);
}

void QueryColumns(const ConnectionContext* context, std::string_view tableName,
                  std::string_view schema, std::vector<ColumnRow>& queue) {
    RunQuery(context,
             "SELECT TABLE_SCHEMA,TABLE_NAME,COLUMN_NAME,ORDINAL_POSITION,DATA_TYPE,"
             "CHARACTER_MAXIMUM_LENGTH FROM INFORMATION_SCHEMA.COLUMNS WHERE TABLE_NAME='" +
                 SqlLiteralText(tableName) + "'" + SchemaCondition("AND", "TABLE_SCHEMA", schema) +
                 " ORDER BY ORDINAL_POSITION",
             queue, MatchMode::ByName);
}

void QueryTableConstraints(const ConnectionContext* context, std::string_view tableName,
                           std::string_view schema, std::vector<ConstraintRow>& queue) {
    RunQuery(context,
             "SELECT CONSTRAINT_CATALOG,CONSTRAINT_SCHEMA,CONSTRAINT_NAME,TABLE_CATALOG,"
             "TABLE_SCHEMA,TABLE_NAME,CONSTRAINT_TYPE FROM INFORMATION_SCHEMA.TABLE_CONSTRAINTS "
             "WHERE TABLE_NAME='" +
                 SqlLiteralText(tableName) + "'" + SchemaCondition("AND", "TABLE_SCHEMA", schema),
             queue, MatchMode::ByName);
}

void QueryConstraintColumns(const ConnectionContext* context, std::string_view constraintName,
                            std::string_view schema, std::vector<ConstraintColumnRow>& queue) {
    RunQuery(context,
             "SELECT TABLE_CATALOG,TABLE_SCHEMA,TABLE_NAME,COLUMN_NAME,CONSTRAINT_CATALOG,"
             "CONSTRAINT_SCHEMA,CONSTRAINT_NAME FROM INFORMATION_SCHEMA.CONSTRAINT_COLUMN_USAGE "
             "WHERE CONSTRAINT_NAME='" +
                 SqlLiteralText(constraintName) + "'" +
                 SchemaCondition("AND", "CONSTRAINT_SCHEMA", schema),
             queue, MatchMode::ByName);
}

void QueryIndexes(const ConnectionContext* context, std::string_view tableName,
                  std::string_view schema, std::vector<IndexRow>& queue) {
    RunQuery(context,
             "SELECT idx.name,idx.id,idx.indid FROM sysindexes idx, sysobjects obj WHERE idx.id = "
             "obj.id and obj.xtype='U' and (INDEXPROPERTY(idx.id, idx.name, 'isStatistics') = 0) "
             "and idx.indid<>255 and idx.name not in (select pk.name from sysobjects pk where "
             "pk.xtype='PK') and obj.name='" +
                 SqlLiteralText(tableName) + "'" +
                 SchemaCondition("and", "SCHEMA_NAME(obj.uid)", schema),
             queue, MatchMode::ByName);
}

void QueryIndexKeys(const ConnectionContext* context, std::int32_t tableId, std::int32_t indexId,
                    std::vector<IndexKeyRow>& queue) {
    RunQuery(context,
             "select cols.name,idx.keyno from syscolumns cols, sysindexkeys idx where idx.id=" +
                 SqlNumber(tableId) + " and idx.indid=" + SqlNumber(indexId) +
                 " and cols.colid=idx.colid and cols.id=idx.id order by idx.keyno",
             queue, MatchMode::ByName);
}

bool IsKeyDescending(const ConnectionContext* context, std::int32_t tableId, std::int32_t indexId,
                     std::int32_t keyNumber) {
    std::vector<NumberResult> result;
    RunQuery(context,
             "SELECT INDEXKEY_PROPERTY(" + SqlNumber(tableId) + "," + SqlNumber(indexId) + "," +
                 SqlNumber(keyNumber) + ",'IsDescending') as result",
             result, MatchMode::ByName);
    return !result.empty() && result.front().RESULT == 1;
}

}  // namespace quillon
