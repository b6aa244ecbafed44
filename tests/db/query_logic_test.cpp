// Logic of the catalog and relation queries, against an in-memory fake server.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "db/catalog_queries.h"
#include "db/field_conversion.h"
#include "db/relation_queries.h"
#include "db/run_query.h"
#include "fake_client.h"

namespace quillon {
namespace {

using testing::FakeAnswer;
using testing::FakeContext;
using testing::FakeServer;

class CountingYield final : public EngineYield {
public:
    void Yield() override { ++count; }
    int count = 0;
};

// ---- conversion of one value into a field ----

struct TextCase {
    const char* what;
    FieldValue value;
    std::size_t length;
    std::string expected;
};

TEST(FieldConversion, TextFields) {
    const std::string longText(300, 'x');
    const std::string umlauts = "\xC3\xA4\xC3\xB6\xC3\xBC";  // three two-byte characters
    const TextCase cases[] = {
        {"null is blank", FieldValue(), 255, ""},
        {"text kept", std::string("Orders"), 255, "Orders"},
        {"trailing blanks dropped", std::string("nchar   "), 255, "nchar"},
        {"cut to the field's length", longText, 255, std::string(255, 'x')},
        {"cut counts characters, not bytes", umlauts, 2, "\xC3\xA4\xC3\xB6"},
        {"whole number as text", std::int64_t{-42}, 255, "-42"},
        {"real number as text", 1.5, 255, "1.5"},
    };
    for (const auto& c : cases) {
        std::string field = "old";
        AssignValue(&field, c.length, c.value);
        EXPECT_EQ(field, c.expected) << c.what;
    }
}

struct NumberCase {
    const char* what;
    FieldValue value;
    std::int32_t expected;
};

TEST(FieldConversion, NumberFields) {
    const NumberCase cases[] = {
        {"null is 0", FieldValue(), 0},
        {"whole number", std::int64_t{1977058079}, 1977058079},
        {"negative", std::int64_t{-7}, -7},
        {"beyond LONG does not convert", std::int64_t{4'000'000'000}, 0},
        {"real truncated", 3.9, 3},
        {"negative real truncated", -3.9, -3},
        {"numeric text", std::string(" 12 "), 12},
        {"text that is no number", std::string("abc"), 0},
        {"text with a number in front", std::string("12abc"), 0},
        {"empty text", std::string(), 0},
    };
    for (const auto& c : cases) {
        std::int32_t field = 99;
        AssignValue(&field, 0, c.value);
        EXPECT_EQ(field, c.expected) << c.what;
    }
    std::uint8_t byte = 9;
    AssignValue(&byte, 0, std::int64_t{300});
    EXPECT_EQ(byte, 0) << "a BYTE field takes 0 to 255 only";
}

// ---- RunQuery ----

TEST(RunQuery, ByNameMatchesLabelsInAnyLetterCaseAndIgnoresOtherColumns) {
    FakeServer server;
    server.answers["q"] = {{"name", "extra", "Indid "}, {{std::string("IX_a"), 5, 2}}};
    auto context = FakeContext(server);
    std::vector<IndexRow> rows{IndexRow{"stale", 1, 1}};
    EXPECT_FALSE(RunQuery(context.get(), "q", rows, MatchMode::ByName));
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].NAME, "IX_a");
    EXPECT_EQ(rows[0].ID, 0) << "no column of that name: the field stays 0";
    EXPECT_EQ(rows[0].INDID, 2);
}

TEST(RunQuery, ByPositionFillsFieldsInOrderAndIgnoresFurtherColumns) {
    FakeServer server;
    server.answers["q"] = {{"a", "b", "c"},
                           {{std::string("p1"), std::string("def"), std::string("more")}}};
    auto context = FakeContext(server);
    std::vector<ProcedureRow> rows;
    RunQuery(context.get(), "q", rows, MatchMode::ByPosition);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].PROCEDURE_NAME, "p1");
    EXPECT_EQ(rows[0].PROCEDURE_DEF, "def");

    server.answers["one"] = {{"x"}, {{std::string("only")}}};
    RunQuery(context.get(), "one", rows, MatchMode::ByPosition);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].PROCEDURE_DEF, "") << "a field without a column stays blank";
}

TEST(RunQuery, FailureAndEmptyResultBothLeaveAnEmptyQueue) {
    FakeServer server;
    server.answers["empty"] = {{"result"}, {}};
    server.answers["no columns"] = {{}, {{}}};
    auto context = FakeContext(server);
    std::vector<TextResult> rows{TextResult{"stale"}};

    EXPECT_TRUE(RunQuery(context.get(), "broken", rows, MatchMode::ByName));
    EXPECT_TRUE(rows.empty());
    rows.push_back({"stale"});
    EXPECT_FALSE(RunQuery(context.get(), "empty", rows, MatchMode::ByName));
    EXPECT_TRUE(rows.empty());
    EXPECT_FALSE(RunQuery(context.get(), "no columns", rows, MatchMode::ByName));
    EXPECT_TRUE(rows.empty()) << "a row without columns appends nothing";
    EXPECT_EQ(server.liveResults, 0) << "every result is released";
}

TEST(RunQuery, TextIsSentWithoutTrailingBlanks) {
    FakeServer server;
    auto context = FakeContext(server);
    std::vector<TextResult> rows;
    RunQuery(context.get(), "select 1   ", rows, MatchMode::ByName);
    EXPECT_EQ(server.sent, std::vector<std::string>{"select 1"});
}

TEST(RunQuery, ReadsEveryRowWhetherTheEndIsAFailedMoveOrEndOfData) {
    for (const bool failedMove : {false, true}) {
        FakeServer server;
        server.endByFailedMove = failedMove;
        server.answers["q"] = {{"result"},
                               {{std::int64_t{1}}, {std::int64_t{2}}, {std::int64_t{3}}}};
        auto context = FakeContext(server);
        std::vector<NumberResult> rows;
        RunQuery(context.get(), "q", rows, MatchMode::ByName);
        ASSERT_EQ(rows.size(), 3u) << "end by failed move: " << failedMove;
        EXPECT_EQ(rows[2].RESULT, 3);
    }
}

// ---- catalog queries ----

FakeAnswer TablesRowset(const std::vector<std::vector<std::string>>& tables) {
    FakeAnswer answer{{"TABLE_CATALOG", "TABLE_SCHEMA", "TABLE_NAME", "TABLE_TYPE", "REMARKS"}, {}};
    for (const auto& t : tables) {
        answer.rows.push_back({t[0], t[1], t[2], t[3], FieldValue()});
    }
    return answer;
}

TEST(QueryTables, EmptyRowsetCostsNoIdRequests) {
    FakeServer server;
    server.tables = TablesRowset({});
    auto context = FakeContext(server);
    std::vector<TableRow> tables;
    QueryTables(context.get(), tables);
    EXPECT_TRUE(tables.empty());
    EXPECT_EQ(server.sent, std::vector<std::string>{FakeServer::kTablesRowset});
}

TEST(QueryTables, OneIdRequestPerObjectWithEscapedNamesAfterTheRowsetIsReleased) {
    FakeServer server;
    server.tables = TablesRowset({{"Orders", "dbo", "Customers", "TABLE"},
                                  {"Orders", "dbo", "O'Neil", "TABLE"},
                                  {"Orders", "sales", "Order.Lines", "VIEW"},
                                  {"Orders", "dbo", "odd]name", "SYSTEM TABLE"}});
    server.answerOf = [](const std::string& sql) -> std::optional<FakeAnswer> {
        return FakeAnswer{{"result"}, {{std::int64_t(sql.size())}}};
    };
    CountingYield yield;
    auto context = FakeContext(server, &yield);
    std::vector<TableRow> tables;
    QueryTables(context.get(), tables);

    const std::vector<std::string> expected = {
        FakeServer::kTablesRowset,
        "select object_id('[Orders].[dbo].[Customers]') as result",
        "select object_id('[Orders].[dbo].[O''Neil]') as result",
        "select object_id('[Orders].[sales].[Order.Lines]') as result",
        "select object_id('[Orders].[dbo].[odd]]name]') as result",
    };
    EXPECT_EQ(server.sent, expected);
    EXPECT_EQ(server.liveResultsAtLastRequest, 0) << "the rowset was still open";
    ASSERT_EQ(tables.size(), 4u) << "every type is returned";
    EXPECT_EQ(tables[1].TABLE_NAME, "O'Neil");
    EXPECT_EQ(tables[2].TABLE_SCHEMA, "sales");
    EXPECT_EQ(tables[3].TABLE_TYPE, "SYSTEM TABLE");
    EXPECT_EQ(tables[1].TABLE_ID, static_cast<std::int32_t>(expected[2].size()));
    EXPECT_EQ(yield.count, 4) << "the window engine yields before each id request";
}

TEST(QueryTables, BlankCatalogOrSchemaLeavesThatPartToTheServer) {
    FakeServer server;
    server.tables = TablesRowset({{"", "", "T", "TABLE"}});
    auto context = FakeContext(server);
    std::vector<TableRow> tables;
    QueryTables(context.get(), tables);
    ASSERT_EQ(server.sent.size(), 2u);
    EXPECT_EQ(server.sent[1], "select object_id('..[T]') as result");
    EXPECT_EQ(tables[0].TABLE_ID, 0) << "no row: the id stays 0";
}

TEST(QueryProcedures, DefinitionIsCutAt4096Characters) {
    FakeServer server;
    const std::string definition = "CREATE PROCEDURE p AS " + std::string(5000, 'x');
    server.answerOf = [&](const std::string&) -> std::optional<FakeAnswer> {
        return FakeAnswer{{"PROCEDURE_NAME", "PROCEDURE_DEF"}, {{std::string("p"), definition}}};
    };
    auto context = FakeContext(server);
    std::vector<ProcedureRow> procedures;
    QueryProcedures(context.get(), procedures);
    ASSERT_EQ(procedures.size(), 1u);
    EXPECT_EQ(procedures[0].PROCEDURE_DEF, definition.substr(0, 4096));
}

TEST(CatalogQueries, SplicedNamesAreEscapedAndSchemaIsAsked) {
    FakeServer server;
    auto context = FakeContext(server);
    std::vector<ColumnRow> columns;
    QueryColumns(context.get(), "O'Neil  ", "dbo", columns);
    std::vector<ConstraintRow> constraints;
    QueryTableConstraints(context.get(), "O'Neil", "it's", constraints);
    std::vector<ConstraintColumnRow> constraintColumns;
    QueryConstraintColumns(context.get(), "PK_O'Neil", "", constraintColumns);
    std::vector<IndexRow> indexes;
    QueryIndexes(context.get(), "O'Neil", "dbo", indexes);
    ASSERT_EQ(server.sent.size(), 4u);
    EXPECT_NE(server.sent[0].find("WHERE TABLE_NAME='O''Neil' AND TABLE_SCHEMA='dbo' ORDER BY"),
              std::string::npos)
        << server.sent[0];
    EXPECT_TRUE(server.sent[1].ends_with("WHERE TABLE_NAME='O''Neil' AND TABLE_SCHEMA='it''s'"))
        << server.sent[1];
    EXPECT_TRUE(server.sent[2].ends_with("WHERE CONSTRAINT_NAME='PK_O''Neil'"))
        << "a blank schema asks every schema: " << server.sent[2];
    EXPECT_TRUE(server.sent[3].ends_with("and obj.name='O''Neil' and SCHEMA_NAME(obj.uid)='dbo'"))
        << server.sent[3];
}

TEST(CatalogQueries, WithoutConnectionEverythingIsEmpty) {
    FakeServer server;
    ConnectionContext unopened;  // as left by an uninitialised client
    for (const ConnectionContext* context : {static_cast<const ConnectionContext*>(nullptr),
                                             static_cast<const ConnectionContext*>(&unopened)}) {
        std::vector<TableRow> tables{TableRow{}};
        QueryTables(context, tables);
        EXPECT_TRUE(tables.empty());
        std::vector<ProcedureRow> procedures{ProcedureRow{}};
        QueryProcedures(context, procedures);
        EXPECT_TRUE(procedures.empty());
        std::vector<ColumnRow> columns{ColumnRow{}};
        QueryColumns(context, "t", "dbo", columns);
        EXPECT_TRUE(columns.empty());
        std::vector<IndexKeyRow> keys{IndexKeyRow{}};
        QueryIndexKeys(context, 1, 2, keys);
        EXPECT_TRUE(keys.empty());
        EXPECT_FALSE(IsKeyDescending(context, 1, 2, 1));
        std::vector<RelationRow> relations{RelationRow{}};
        QueryRelations(context, 1, relations);
        EXPECT_TRUE(relations.empty());
        EXPECT_EQ(ObjectName(context, 1), "");
        EXPECT_EQ(ColumnName(context, 1, 1), "");
        EXPECT_EQ(IndexName(context, 1, 1), "");
    }
}

TEST(IsKeyDescending, TrueOnlyForAResultOfOne) {
    FakeServer server;
    server.answers["SELECT INDEXKEY_PROPERTY(5,2,1,'IsDescending') as result"] = {
        {"result"}, {{std::int64_t{0}}}};
    server.answers["SELECT INDEXKEY_PROPERTY(5,2,2,'IsDescending') as result"] = {
        {"result"}, {{std::int64_t{1}}}};
    server.answers["SELECT INDEXKEY_PROPERTY(5,2,3,'IsDescending') as result"] = {{"result"},
                                                                                  {{FieldValue()}}};
    auto context = FakeContext(server);
    EXPECT_FALSE(IsKeyDescending(context.get(), 5, 2, 1));
    EXPECT_TRUE(IsKeyDescending(context.get(), 5, 2, 2));
    EXPECT_FALSE(IsKeyDescending(context.get(), 5, 2, 3)) << "null";
    EXPECT_FALSE(IsKeyDescending(context.get(), 5, 2, 4)) << "no row";
}

// ---- relations ----

// A sysreferences row: constid, fkeyid, rkeyid, rkeyindid, keycnt, then the column ids.
std::vector<FieldValue> Reference(std::int64_t constid, std::int64_t fkeyid, std::int64_t rkeyid,
                                  std::vector<std::int64_t> fkeys,
                                  std::vector<std::int64_t> rkeys) {
    std::vector<FieldValue> row = {constid, fkeyid, rkeyid, std::int64_t{1},
                                   std::int64_t(fkeys.size())};
    fkeys.resize(16);
    rkeys.resize(16);
    for (auto id : fkeys) {
        row.emplace_back(std::in_place_type<std::int64_t>, id);
    }
    for (auto id : rkeys) {
        row.emplace_back(std::in_place_type<std::int64_t>, id);
    }
    return row;
}

std::vector<std::string> ReferenceColumns() {
    std::vector<std::string> names = {"constid", "fkeyid", "rkeyid", "rkeyindid", "keycnt"};
    for (int i = 1; i <= 16; ++i) {
        names.push_back("fkey" + std::to_string(i));
    }
    for (int i = 1; i <= 16; ++i) {
        names.push_back("rkey" + std::to_string(i));
    }
    return names;
}

// Names of a small catalog: objects 100 (Employees) and 200 (FK gone: no name), columns by id.
std::optional<FakeAnswer> Names(const std::string& sql) {
    const auto text = [](const char* value) {
        return FakeAnswer{{"result"}, {{value ? FieldValue(std::string(value)) : FieldValue()}}};
    };
    if (sql == "select object_name(100) as result")
        return text("Employees");
    if (sql == "select object_name(300) as result")
        return text("FK_Employees_Manager");
    if (sql.starts_with("select object_name("))
        return text(nullptr);
    if (sql == "select name from sysindexes where id=100 and indid=1")
        return text("PK_Employees");
    if (sql == "select name from syscolumns where id=100 and colid=1")
        return text("EmployeeID");
    if (sql == "select name from syscolumns where id=100 and colid=2")
        return text("ManagerID");
    if (sql.starts_with("select name from syscolumns"))
        return FakeAnswer{{"name"}, {}};
    return std::nullopt;
}

TEST(QueryRelations, TableWithoutRelationsCostsTwoRequests) {
    FakeServer server;
    server.answers["select * from sysreferences where fkeyid=7"] = {ReferenceColumns(), {}};
    server.answers["select * from sysreferences where rkeyid=7"] = {ReferenceColumns(), {}};
    auto context = FakeContext(server);
    std::vector<RelationRow> relations{RelationRow{}};
    QueryRelations(context.get(), 7, relations);
    EXPECT_TRUE(relations.empty());
    EXPECT_EQ(server.sent.size(), 2u);
}

TEST(QueryRelations, SelfReferenceGivesTwoRecordsWithEveryNameLookedUp) {
    FakeServer server;
    server.answerOf = Names;
    const FakeAnswer selfReference{ReferenceColumns(), {Reference(300, 100, 100, {2}, {1})}};
    server.answers["select * from sysreferences where fkeyid=100"] = selfReference;
    server.answers["select * from sysreferences where rkeyid=100"] = selfReference;
    CountingYield yield;
    auto context = FakeContext(server, &yield);
    std::vector<RelationRow> relations;
    QueryRelations(context.get(), 100, relations);

    ASSERT_EQ(relations.size(), 2u);
    EXPECT_EQ(relations[0].RELATTYPE, RelationRow::kHoldsForeignKey);
    EXPECT_EQ(relations[1].RELATTYPE, RelationRow::kIsReferenced);
    for (const RelationRow& r : relations) {
        EXPECT_EQ(r.FKEYNAME, "FK_Employees_Manager");
        EXPECT_EQ(r.FTABLENAME, "Employees");
        EXPECT_EQ(r.RTABLENAME, "Employees");
        EXPECT_EQ(r.RKEYNAME, "PK_Employees");
        EXPECT_EQ(r.KEYCNT, 1);
        EXPECT_EQ(r.FNAME[0], "ManagerID");
        EXPECT_EQ(r.RNAME[0], "EmployeeID");
        EXPECT_EQ(r.FNAME[1], "");
        EXPECT_EQ(r.RKEY[15], 0);
    }
    EXPECT_EQ(server.sent.size(), 2u + 2 * 36) << "every slot is looked up on both sides";
    EXPECT_EQ(yield.count, 2 + 2);
}

TEST(QueryRelations, ConstraintWhoseIdNoLongerResolvesHasABlankName) {
    FakeServer server;
    server.answerOf = Names;
    server.answers["select * from sysreferences where fkeyid=100"] = {
        ReferenceColumns(), {Reference(999, 100, 100, {2}, {1})}};
    server.answers["select * from sysreferences where rkeyid=100"] = {ReferenceColumns(), {}};
    auto context = FakeContext(server);
    std::vector<RelationRow> relations;
    QueryRelations(context.get(), 100, relations);
    ASSERT_EQ(relations.size(), 1u);
    EXPECT_EQ(relations[0].CONSTID, 999);
    EXPECT_EQ(relations[0].FKEYNAME, "");
    EXPECT_EQ(relations[0].FTABLENAME, "Employees") << "the rest is still looked up";
}

}  // namespace
}  // namespace quillon
