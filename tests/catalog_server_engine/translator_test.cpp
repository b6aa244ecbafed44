// The T-SQL to SQLite translation, text in and text out, and the script reader's names, ids,
// warnings and errors.

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include "engine_test_support.h"
#include "lexer.h"
#include "script_reader.h"
#include "translator.h"

namespace catalog_server::testing {
namespace {

struct TranslationCase {
    const char* tsql;
    const char* sqlite;
};

std::variant<Translation, SqlError> Translate(const std::string& text,
                                              const Parameters& parameters = {}) {
    static std::vector<Token> tokens;
    tokens = Lex(text).tokens;
    const TableResolver tables =
        [](const std::vector<std::string>& parts) -> std::optional<std::string> {
        if (parts.size() == 1 && parts[0] == "sysobjects") {
            return "sysobjects";
        }
        if (parts.size() == 2 && parts[0] == "INFORMATION_SCHEMA") {
            return "INFORMATION_SCHEMA." + parts[1];
        }
        return std::nullopt;
    };
    const GlobalResolver globals = [](const std::string& name) -> std::optional<GlobalValue> {
        if (name == "@@spid") {
            return GlobalValue{"51", Column{}};
        }
        return std::nullopt;
    };
    return TranslateSelect(tokens, 0, tokens.size(), tables, globals, parameters);
}

TEST(Translator, RewritesTSqlIntoSqlite) {
    const std::vector<TranslationCase> cases = {
        {"select [name] from [sysobjects]", R"(SELECT "name" FROM "sysobjects" AS "sysobjects")"},
        {"select name from sysobjects o where o.id = 1",
         R"(SELECT "name" FROM "sysobjects" AS "o" WHERE "o"."id" = 1)"},
        {"select TABLE_NAME from INFORMATION_SCHEMA.TABLES",
         R"(SELECT "TABLE_NAME" FROM "INFORMATION_SCHEMA.TABLES" AS "TABLES")"},
        {"select INFORMATION_SCHEMA.TABLES.TABLE_NAME from INFORMATION_SCHEMA.TABLES t",
         R"(SELECT "TABLES"."TABLE_NAME" FROM "INFORMATION_SCHEMA.TABLES" AS "t")"},
        {"select top 5 name from sysobjects order by name",
         R"(SELECT "name" FROM "sysobjects" AS "sysobjects" ORDER BY "name" LIMIT 5)"},
        {"select name from sysobjects where id in (select top (2) id from sysobjects)",
         R"(SELECT "name" FROM "sysobjects" AS "sysobjects" WHERE "id" IN ( SELECT "id" FROM "sysobjects" AS "sysobjects" LIMIT 2 ))"},
        {"select N'Größe', 'it''s'", R"(SELECT 'Größe' , 'it''s')"},
        {"select 1 where 2 !< 1 and 1 !> 2 and 1 <> 2",
         "SELECT 1 WHERE 2 >= 1 AND 1 <= 2 AND 1 <> 2"},
        {"select '[' + name + ']' from sysobjects",
         R"(SELECT '[' || "name" || ']' FROM "sysobjects" AS "sysobjects")"},
        {"select n = count(*) from sysobjects",
         R"(SELECT count ( * ) AS "n" FROM "sysobjects" AS "sysobjects")"},
        {"select left(name, 2), right(name, 1), isnull(name, '') from sysobjects",
         R"(SELECT tsql_left ( "name" , 2 ) , tsql_right ( "name" , 1 ) , tsql_isnull ( "name" , '' ) FROM "sysobjects" AS "sysobjects")"},
        {"select name from sysobjects with (nolock)",
         R"(SELECT "name" FROM "sysobjects" AS "sysobjects")"},
        {"select convert(nvarchar(10), id, 120) from sysobjects",
         R"(SELECT CAST( "id" AS nvarchar ) FROM "sysobjects" AS "sysobjects")"},
        {"select cast(id as varchar(max)) from sysobjects",
         R"(SELECT CAST( "id" AS varchar ) FROM "sysobjects" AS "sysobjects")"},
        {"select name collate Latin1_General_CS_AS from sysobjects",
         R"(SELECT "name" FROM "sysobjects" AS "sysobjects")"},
        {"select @@spid, @P1", "SELECT 51 , @p1"},
    };
    const Parameters parameters = {{"@p1", Value{std::int64_t{1}}}};
    for (const auto& c : cases) {
        const auto result = Translate(c.tsql, parameters);
        ASSERT_TRUE(std::holds_alternative<Translation>(result))
            << c.tsql << ": " << std::get<SqlError>(result).message;
        EXPECT_EQ(std::get<Translation>(result).sql, c.sqlite) << c.tsql;
    }
}

TEST(Translator, RefusesWhatItCannotServe) {
    const std::vector<std::pair<const char*, std::int32_t>> cases = {
        {"select * from sys.objects", 208},
        {"select * from Orders", 208},
        {"select @undeclared", 137},
        {"select @@nosuch", 137},
        {"select top 5 percent name from sysobjects", 50000},
        {"select name from sysobjects where (id = 1", 102},
        {"select key from sysobjects", 156},
        {"select name from sysobjects where id = ?", 102},
    };
    for (const auto& [sql, number] : cases) {
        const auto result = Translate(sql);
        ASSERT_TRUE(std::holds_alternative<SqlError>(result)) << sql;
        EXPECT_EQ(std::get<SqlError>(result).number, number) << sql;
    }
}

TEST(Translator, NamesOutputColumnsAsTheServerDoes) {
    const auto result = Translate(
        "select name, obj.id, 1, x = 2, 3 as y, 'a' z, object_name(1) from sysobjects obj");
    ASSERT_TRUE(std::holds_alternative<Translation>(result));
    const auto& outputs = std::get<Translation>(result).outputs;
    std::vector<std::string> names;
    for (const auto& o : outputs) {
        names.push_back(o.named ? o.name : "<none>");
    }
    EXPECT_EQ(names, (std::vector<std::string>{"name", "id", "<none>", "x", "y", "z", "<none>"}));
    ASSERT_TRUE(outputs[6].type);
    EXPECT_EQ(outputs[6].type->type, ColumnType::NVarChar);
    EXPECT_EQ(outputs[6].type->maxLength, 128);
}

// ---- script reader ----

struct Loaded {
    Database db;
    std::optional<LoadError> error;
    std::vector<ScriptWarning> warnings;
};

Loaded Read(const std::string& script) {
    ScriptReader reader("Test");
    Loaded out;
    if (!reader.ReadText("test.sql", script)) {
        out.error = reader.error();
    }
    out.warnings = reader.warnings();
    out.db = reader.Finish();
    return out;
}

const ObjectDef* Find(const Database& db, const std::string& xtype, const std::string& prefix) {
    for (const auto& o : db.objects) {
        if (o.xtype == xtype && o.name.rfind(prefix, 0) == 0) {
            return &o;
        }
    }
    return nullptr;
}

TEST(ScriptReader, GivesUnnamedConstraintsServerStyleNamesAndStableIds) {
    const std::string script =
        "CREATE TABLE Customizations (Id int PRIMARY KEY, ProductCode int UNIQUE,\n"
        "  Amount int CHECK (Amount > 0), Kind int DEFAULT 1, CHECK (Id <> Amount))\n"
        "GO\n"
        "CREATE TABLE T2 (Id int NOT NULL, CustomizationId int REFERENCES Customizations (Id))\n";
    const Loaded a = Read(script);
    ASSERT_FALSE(a.error);
    ASSERT_EQ(a.db.objects.front().id, 245575913);  // the first user object of a new database
    const ObjectDef* pk = Find(a.db, "PK", "PK__Customiz__");
    ASSERT_TRUE(pk);
    EXPECT_EQ(pk->name.size(), std::string("PK__Customiz__").size() + 16);
    char hex[9];
    std::snprintf(hex, sizeof hex, "%08X", static_cast<unsigned>(pk->id - 16000057));
    EXPECT_EQ(pk->name.substr(pk->name.size() - 8), hex);
    EXPECT_TRUE(Find(a.db, "UQ", "UQ__Customiz__"));
    EXPECT_TRUE(Find(a.db, "C", "CK__Customiza__Amoun__"));
    EXPECT_TRUE(Find(a.db, "D", "DF__Customiza__Kind__"));
    const ObjectDef* tableCheck = nullptr;
    for (const auto& o : a.db.objects) {
        if (o.xtype == "C" && o.name.find("Amoun") == std::string::npos) {
            tableCheck = &o;
        }
    }
    ASSERT_TRUE(tableCheck);
    EXPECT_EQ(tableCheck->name.rfind("CK__Customiza__", 0), 0u);
    EXPECT_EQ(tableCheck->name.size(), std::string("CK__Customiza__").size() + 8);
    const ObjectDef* fk = Find(a.db, "F", "FK__T2__Customizatio__");
    ASSERT_TRUE(fk);
    std::snprintf(hex, sizeof hex, "%08X", static_cast<unsigned>(fk->id));
    EXPECT_EQ(fk->name.substr(fk->name.size() - 8), hex);

    const Loaded b = Read(script);
    ASSERT_EQ(a.db.objects.size(), b.db.objects.size());
    for (std::size_t i = 0; i < a.db.objects.size(); ++i) {
        EXPECT_EQ(a.db.objects[i].id, b.db.objects[i].id);
        EXPECT_EQ(a.db.objects[i].name, b.db.objects[i].name);
    }
}

TEST(ScriptReader, AssignsIndexIdsAsTheServerDoes) {
    const Loaded l = Read(
        "CREATE TABLE H (A int NOT NULL CONSTRAINT PK_H PRIMARY KEY NONCLUSTERED, B int, C int)\n"
        "CREATE INDEX IX_B ON H (B DESC)\n"
        "CREATE CLUSTERED INDEX CX_C ON H (C)\n"
        "CREATE TABLE U (A int NOT NULL, B int NOT NULL, CONSTRAINT UQ_U UNIQUE CLUSTERED (B),\n"
        "  CONSTRAINT PK_U PRIMARY KEY (A))\n");
    ASSERT_FALSE(l.error) << l.error->reason;
    std::vector<std::pair<int, std::string>> h;
    for (const auto& ix : l.db.tables[0].indexes) {
        h.emplace_back(ix.indid, ix.name);
    }
    EXPECT_EQ(h, (std::vector<std::pair<int, std::string>>{{1, "CX_C"}, {2, "PK_H"}, {3, "IX_B"}}));
    std::vector<std::pair<int, std::string>> u;
    for (const auto& ix : l.db.tables[1].indexes) {
        u.emplace_back(ix.indid, ix.name);
    }
    EXPECT_EQ(u, (std::vector<std::pair<int, std::string>>{{1, "UQ_U"}, {2, "PK_U"}}));
}

TEST(ScriptReader, SkipsWhatItDoesNotModelWithWarnings) {
    const Loaded l = Read(
        "SET ANSI_NULLS ON\n"
        "GO\n"
        "USE Test\n"
        "GO\n"
        "IF EXISTS (SELECT * FROM sysobjects WHERE name = 'T') DROP TABLE T\n"
        "GO\n"
        "CREATE TABLE T (Id int)\n"
        "INSERT INTO T VALUES (1)\n"
        "GRANT SELECT ON T TO public\n"
        "GO\n"
        "CREATE TRIGGER TR ON T AFTER INSERT AS\n"
        "  CREATE TABLE NotATable (X int)\n"
        "GO\n"
        "EXEC sp_addextendedproperty 'x', 'y'\n");
    ASSERT_FALSE(l.error);
    std::vector<std::pair<int, std::string>> seen;
    for (const auto& w : l.warnings) {
        EXPECT_EQ(w.file, "test.sql");
        seen.emplace_back(w.line, w.message.substr(0, w.message.find(" (")));
    }
    EXPECT_EQ(seen, (std::vector<std::pair<int, std::string>>{{1, "skipped statement SET"},
                                                              {3, "skipped statement USE"},
                                                              {5, "skipped statement IF"},
                                                              {8, "skipped statement INSERT"},
                                                              {9, "skipped statement GRANT"},
                                                              {11, "skipped CREATE TRIGGER"},
                                                              {14, "skipped statement EXEC"}}));
    ASSERT_EQ(l.db.tables.size(), 1u);
}

TEST(ScriptReader, StopsWithFileLineAndReason) {
    const std::vector<std::pair<std::string, int>> cases = {
        {"CREATE TABLE T (Id int)\nGO\nCREATE TABLE U (Name nvarchar(10) DEFAULT 'x)\n", 3},
        {"CREATE TABLE T (\n  Id nosuchtype\n)\n", 2},
        {"CREATE TABLE T (Id int)\nCREATE TABLE T (Id int)\n", 2},
        {"CREATE TABLE T (Id int REFERENCES Missing (Id))\n", 1},
        {"CREATE TABLE P (Id int PRIMARY KEY)\nCREATE TABLE C (X int REFERENCES P (Nope))\n", 2},
        {"CREATE TABLE T (Id int)\nCREATE INDEX IX ON T (Nope)\n", 2},
        {"CREATE TABLE nosuch.T (Id int)\n", 1},
        {"/* never closed\nCREATE TABLE T (Id int)\n", 1},
    };
    for (const auto& [script, line] : cases) {
        const Loaded l = Read(script);
        ASSERT_TRUE(l.error) << script;
        EXPECT_EQ(l.error->file, "test.sql");
        EXPECT_EQ(l.error->line, line) << script << l.error->reason;
        EXPECT_FALSE(l.error->reason.empty());
    }
    const LoadResult missing = LoadCatalog({ScriptSource{"X", {"/nonexistent/file.sql"}, 0}});
    EXPECT_FALSE(missing.catalog);
    ASSERT_TRUE(missing.error);
    EXPECT_EQ(missing.error->file, "/nonexistent/file.sql");
}

TEST(ScriptReader, KeepsProcedureTextAsWrittenAndDerivesViewColumns) {
    const std::string proc = "-- returns one\r\nCREATE PROC dbo.One @X int = 1 AS SELECT 1\r\n";
    const Loaded l =
        Read("CREATE TABLE T (Id int NOT NULL, Name nvarchar(20) NULL)\nGO\n" + proc +
             "GO\nCREATE VIEW V AS SELECT t.Id, Label = t.Name, t.Name AS Copy FROM T t\nGO\n");
    ASSERT_FALSE(l.error) << l.error->reason;
    ASSERT_EQ(l.db.procedures.size(), 1u);
    EXPECT_EQ(l.db.procedures[0].text, proc);
    ASSERT_EQ(l.db.procedures[0].parameters.size(), 1u);
    EXPECT_EQ(l.db.procedures[0].parameters[0].name, "@X");
    const TableDef& view = l.db.tables.back();
    ASSERT_TRUE(view.view);
    ASSERT_EQ(view.columns.size(), 3u);
    EXPECT_EQ(view.columns[0].name, "Id");
    EXPECT_EQ(view.columns[0].type.name, "int");
    EXPECT_FALSE(view.columns[0].nullable);
    EXPECT_EQ(view.columns[1].name, "Label");
    EXPECT_EQ(view.columns[1].type.length, 20);
    EXPECT_EQ(view.columns[2].name, "Copy");
}

TEST(ScriptReader, GeneratedTablesHaveKeysIndexesAndRelations) {
    const LoadResult loaded = LoadCatalog({ScriptSource{"Bench", {}, 30}});
    ASSERT_TRUE(loaded.catalog);
    auto session = loaded.catalog->OpenSession("Bench");
    EXPECT_EQ(Query(*session,
                    "select count(*) from INFORMATION_SCHEMA.TABLE_CONSTRAINTS where "
                    "CONSTRAINT_TYPE = 'PRIMARY KEY'"),
              (Rows{{"30"}}));
    EXPECT_EQ(Query(*session, "select count(*) from sysreferences"), (Rows{{"29"}}));
    EXPECT_EQ(Query(*session, "select count(*) from sysindexes where indid > 1"), (Rows{{"10"}}));
}

}  // namespace
}  // namespace catalog_server::testing
