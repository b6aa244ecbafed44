#include "db/relation_queries.h"

#include "db/run_query.h"
#include "db/sql_text.h"

namespace quillon {

namespace {

std::string FirstResult(const ConnectionContext* context, const std::string& sql) {
    std::vector<TextResult> result;
    RunQuery(context, sql, result, MatchMode::ByPosition);
    return result.empty() ? std::string() : result.front().RESULT;
}

void AppendReferences(const ConnectionContext* context, const std::string& sql,
                      std::uint8_t relationType, std::vector<RelationRow>& queue) {
    std::vector<RelationRow> work;
    RunQuery(context, sql, work, MatchMode::ByName);
    for (RelationRow& relation : work) {
        context->Yield();
        relation.RELATTYPE = relationType;
        queue.push_back(relation);
    }
}

}  // namespace

std::string ObjectName(const ConnectionContext* context, std::int32_t objectId) {
    return FirstResult(context, "select object_name(" + SqlNumber(objectId) + ") as result");
}

std::string IndexName(const ConnectionContext* context, std::int32_t tableId,
                      std::int32_t indexId) {
    return FirstResult(context, "select name from sysindexes where id=" + SqlNumber(tableId) +
                                    " and indid=" + SqlNumber(indexId));
}

std::string ColumnName(const ConnectionContext* context, std::int32_t tableId,
                       std::int32_t columnId) {
    return FirstResult(context, "select name from syscolumns where id=" + SqlNumber(tableId) +
                                    " and colid=" + SqlNumber(columnId));
}

void QueryRelations(const ConnectionContext* context, std::int32_t tableId,
                    std::vector<RelationRow>& queue) {
    queue.clear();
    if (context == nullptr || !context->Connected()) {
        return;
    }
    AppendReferences(context, "select * from sysreferences where fkeyid=" + SqlNumber(tableId),
                     RelationRow::kHoldsForeignKey, queue);
    AppendReferences(context, "select * from sysreferences where rkeyid=" + SqlNumber(tableId),
                     RelationRow::kIsReferenced, queue);

    for (RelationRow& relation : queue) {
        context->Yield();
        relation.FKEYNAME = ObjectName(context, relation.CONSTID);
        relation.FTABLENAME = ObjectName(context, relation.FKEYID);
        relation.RTABLENAME = ObjectName(context, relation.RKEYID);
        relation.RKEYNAME = IndexName(context, relation.RKEYID, relation.RKEYINDID);
        // Every slot is looked up, whatever KEYCNT says; unused slots hold column id 0.
        for (std::size_t i = 0; i < RelationRow::kSlots; ++i) {
            relation.FNAME[i] = ColumnName(context, relation.FKEYID, relation.FKEY[i]);
        }
        for (std::size_t i = 0; i < RelationRow::kSlots; ++i) {
            relation.RNAME[i] = ColumnName(context, relation.RKEYID, relation.RKEY[i]);
        }
    }
}

}  // namespace quillon
