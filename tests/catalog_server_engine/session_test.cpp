// Sessions over the Orders sample: catalog objects and functions, what clients send after
// login, sp_tables, errors, and several sessions at once.

#include <gtest/gtest.h>

#include <thread>

#include "engine_test_support.h"

namespace catalog_server::testing {
namespace {

std::unique_ptr<Session> Open() {
    auto session = OrdersCatalog().OpenSession("orders");  // database names ignore case
    EXPECT_TRUE(session);
    return session;
}

std::vector<std::int32_t> ErrorNumbers(const std::vector<StatementResult>& results) {
    std::vector<std::int32_t> numbers;
    for (const auto& r : results) {
        if (r.error) {
            numbers.push_back(r.error->number);
        }
        for (const auto& more : r.moreErrors) {
            numbers.push_back(more.number);
        }
    }
    return numbers;
}

struct FunctionCase {
    std::string sql;
    std::string expected;
};

TEST(Functions, AnswerLikeTheServer) {
    auto session = Open();
    const std::string orders = IdOf(*session, "dbo.Orders");
    const std::vector<FunctionCase> cases = {
        {"select object_id('Orders')", orders},
        {"select object_id('dbo.Orders')", orders},
        {"select object_id('Orders.dbo.Orders')", orders},
        {"select object_id('ORDERS.DBO.orders')", orders},
        {"select object_id('[Orders].[dbo].[Orders]')", orders},
        {"select object_id(' Orders . dbo . Orders ')", orders},
        {"select object_id('\"dbo\".\"Orders\"')", orders},
        {"select object_id('Orders..Orders')", orders},
        {"select object_id('dbo.Orders', 'U')", orders},
        {"select object_id('dbo.Orders', 'V')", "NULL"},
        {"select object_id('master.dbo.Orders')", "NULL"},
        {"select object_id('x.Orders.dbo.Orders')", "NULL"},
        {"select object_id('dbo.[Orders')", "NULL"},
        {"select object_id('dbo.NoSuchTable')", "NULL"},
        {"select object_id('')", "NULL"},
        {"select object_id(NULL)", "NULL"},
        {"select object_id('dbo.[Order.Archive]')", IdOf(*session, "dbo.[Order.Archive]")},
        {"select object_name(object_id('sales.Customers'))", "Customers"},
        {"select object_name(object_id('dbo.PK_Orders'))", "PK_Orders"},
        {"select object_name(-1)", "NULL"},
        {"select schema_name(schema_id('SALES'))", "sales"},
        {"select schema_name()", "dbo"},
        {"select schema_name(999)", "NULL"},
        {"select schema_id('nosuch')", "NULL"},
        {"select indexproperty(" + orders + ", 'IX_Orders_Customer_Date', 'IsStatistics')", "0"},
        {"select indexproperty(" + orders + ", 'PK_Orders', 'isstatistics')", "0"},
        {"select indexproperty(" + orders + ", 'nosuch', 'IsStatistics')", "NULL"},
        {"select indexproperty(" + orders + ", NULL, 'IsStatistics')", "NULL"},
        {"select indexproperty(" + orders + ", 'PK_Orders', 'IsClustered')", "1"},
        {"select indexkey_property(" + orders + ", 2, 2, 'isdescending')", "1"},
        {"select indexkey_property(" + orders + ", 2, 2, 'ColumnId')", "4"},
        {"select quotename('Order Details')", "[Order Details]"},
        {"select quotename('a]b')", "[a]]b]"},
        {"select quotename('it''s', '''')", "'it''s'"},
        {"select quotename('x', '\"')", "\"x\""},
        {"select len('abc  ')", "3"},
        {"select len(N'Größe')", "5"},
        {"select len('')", "0"},
        {"select len(NULL)", "NULL"},
        {"select db_name()", "Orders"},
        {"select upper(N'größe')", "GRÖßE"},
        {"select @@spid", "51"},
    };
    for (const auto& c : cases) {
        const Rows rows = Query(*session, c.sql);
        ASSERT_EQ(rows.size(), 1u) << c.sql;
        EXPECT_EQ(rows[0][0], c.expected) << c.sql;
    }
}

TEST(Functions, SpidIsTheOneTheConnectionSets) {
    auto session = Open();
    session->SetSpid(77);
    const ResultSet rs = Single(*session, "select @@spid");
    EXPECT_EQ(ToRows(rs), (Rows{{"77"}}));
    EXPECT_EQ(rs.columns[0].type, ColumnType::SmallInt);
}

TEST(CatalogObjects, SysobjectsHasTheServerColumnsAndPaddedTypes) {
    auto session = Open();
    const ResultSet rs = Single(*session, "select * from sysobjects where name = 'Orders'");
    ASSERT_EQ(rs.columns.size(), 25u);
    EXPECT_EQ(rs.columns[0].name, "name");
    EXPECT_EQ(rs.columns[23].name, "category");
    ASSERT_EQ(rs.rows.size(), 1u);
    EXPECT_EQ(ToText(rs.rows[0][2]), "U ");  // xtype is char(2)
    const Rows kinds =
        Query(*session,
              "select xtype, type, count(*) from sysobjects where xtype in "
              "('PK', 'UQ', 'F', 'C', 'D', 'V', 'P') group by xtype, type order by xtype");
    EXPECT_EQ(kinds, (Rows{{"C ", "C ", "14"},
                           {"D ", "D ", "12"},
                           {"F ", "F ", "37"},
                           {"P ", "P ", "3"},
                           {"PK", "K ", "30"},
                           {"UQ", "K ", "4"},
                           {"V ", "V ", "3"}}));
}

TEST(CatalogObjects, SyscolumnsAndInformationSchemaAgreeOnEveryColumn) {
    auto session = Open();
    const Rows mismatches =
        Query(*session,
              "select c.TABLE_NAME, c.COLUMN_NAME from INFORMATION_SCHEMA.COLUMNS c "
              "where not exists (select 1 from syscolumns s where s.id = "
              "object_id(quotename(c.TABLE_SCHEMA) + '.' + quotename(c.TABLE_NAME)) "
              "and s.name = c.COLUMN_NAME and s.colid = c.ORDINAL_POSITION)");
    EXPECT_TRUE(mismatches.empty());
    EXPECT_EQ(Query(*session,
                    "select length, prec, isnullable from syscolumns where id = "
                    "object_id('dbo.AuditLog') and name = 'ChangedBy'"),
              (Rows{{"256", "128", "1"}}));
}

TEST(CatalogObjects, HeapsAndClusteredIndexesGetTheirIndexIds) {
    auto session = Open();
    // Warehouses: a heap (indid 0, no name) with a nonclustered primary key.
    EXPECT_EQ(Query(*session,
                    "select indid, name from sysindexes where id = object_id('dbo.Warehouses') "
                    "order by indid"),
              (Rows{{"0", "NULL"}, {"2", "PK_Warehouses"}}));
    // AuditLog: a heap until its clustered index replaced the heap row.
    EXPECT_EQ(
        Query(*session, "select indid, name from sysindexes where id = object_id('dbo.AuditLog')"),
        (Rows{{"1", "CIX_AuditLog_ChangedAt"}}));
}

TEST(CatalogObjects, TablesViewAndRoutinesViewServeEveryObject) {
    auto session = Open();
    EXPECT_EQ(Query(*session,
                    "select TABLE_TYPE, count(*) from INFORMATION_SCHEMA.TABLES group by "
                    "TABLE_TYPE order by 1"),
              (Rows{{"BASE TABLE", "32"}, {"VIEW", "3"}}));
    EXPECT_EQ(Query(*session,
                    "select ROUTINE_SCHEMA, ROUTINE_NAME, ROUTINE_TYPE, ROUTINE_BODY, "
                    "MAX_DYNAMIC_RESULT_SETS from INFORMATION_SCHEMA.ROUTINES order by 2"),
              (Rows{{"sales", "AssignTerritory", "PROCEDURE", "SQL", "-1"},
                    {"dbo", "GetCustomerOrders", "PROCEDURE", "SQL", "-1"},
                    {"dbo", "RecalculateOrderTotals", "PROCEDURE", "SQL", "-1"}}));
    // The same views under other names SQL Server allows.
    EXPECT_EQ(Query(*session, "select count(*) from sys.sysobjects where xtype = 'U'"),
              (Rows{{"32"}}));
    EXPECT_EQ(Query(*session, "select count(*) from [Orders].[dbo].[sysobjects] where xtype = 'U'"),
              (Rows{{"32"}}));
}

struct SelectCase {
    const char* sql;
    Rows expected;
};

TEST(Selects, OrdinaryFormsOverTheCatalog) {
    auto session = Open();
    const std::vector<SelectCase> cases = {
        {"select top 2 name from sysobjects where xtype = 'U' order by name",
         {{"AppSettings"}, {"AuditLog"}}},
        {"select top (1) TABLE_NAME as t from INFORMATION_SCHEMA.TABLES where TABLE_NAME like "
         "'[O]%' order by TABLE_NAME desc",
         {{"OrderSummary"}}},
        {"select t = name from sysobjects where name like 'Customer_ontact%Phone'",
         {{"CustomerContactPreferencesPhone"}}},
        {"select o.name from sysobjects o join sysobjects p on p.parent_obj = o.id "
         "where p.name = N'PK_O''Neil'",
         {{"O'Neil"}}},
        {"select name from sysobjects where xtype = 'U' and name in (select TABLE_NAME from "
         "INFORMATION_SCHEMA.TABLES where TABLE_SCHEMA = 'sales') and not name not like 'C%' "
         "order by name",
         // the name matches, so dbo.Customers is in too
         {{"CampaignResponses"}, {"Campaigns"}, {"Customers"}, {"Customers"}}},
        // the heaps: Warehouses, AppSettings, sales.EmployeeTerritories
        {"select count(*) from sysindexes where name is null", {{"3"}}},
        {"select name from sysobjects where name = 'ελλάδα'", {{"Ελλάδα"}}},
        {"select name from sysobjects where name = 'Grossen'", {}},
        {"select name from sysobjects with (nolock) where id !< 2147483647", {}},
        {"select 'x' + name + ']' from sysobjects where name = 'Stock'", {{"xStock]"}}},
        {"select LEFT(name, 3), RIGHT(name, 2) from sysobjects where name = 'Stock'",
         {{"Sto", "ck"}}},
        {"select cast(id as nvarchar(20)) from sysobjects where name = 'Stock'",
         {{IdOf(*session, "dbo.Stock")}}},
        {"select isnull(NULL, 'z'), coalesce(NULL, 2)", {{"z", "2"}}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Query(*session, c.sql), c.expected) << c.sql;
    }
}

TEST(Selects, ColumnNamesFollowTheServer) {
    auto session = Open();
    const ResultSet rs =
        Single(*session,
               "select NAME, 1, 'ab', object_id('x') r, xtype AS [the type] from sysobjects "
               "where name = 'Stock'");
    std::vector<std::string> names;
    for (const auto& c : rs.columns) {
        names.push_back(c.name);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"name", "", "", "r", "the type"}));
    EXPECT_EQ(rs.columns[2].maxLength, 2);
}

TEST(Selects, ParametersBindByName) {
    auto session = Open();
    const Parameters p = {{"@p1", Value{std::string("Stock")}}, {"@p2", Value{std::int64_t{1}}}};
    EXPECT_EQ(
        ToRows(Single(*session, "select name from sysobjects where name = @P1 and 1 = @p2", p)),
        (Rows{{"Stock"}}));
    EXPECT_EQ(ErrorNumbers(session->ExecuteBatch("select @nope")),
              (std::vector<std::int32_t>{137}));
}

struct ErrorCase {
    const char* sql;
    std::vector<std::int32_t> numbers;
    const char* firstMessage;
};

TEST(Errors, UnsupportedOrBrokenTextsGiveServerErrors) {
    auto session = Open();
    const std::vector<ErrorCase> cases = {
        {"select * from sys.objects", {208}, "Invalid object name 'sys.objects'."},
        {"select * from dbo.Orders", {208}, "Invalid object name 'dbo.Orders'."},
        {"select nosuch from sysobjects", {207}, "Invalid column name 'nosuch'."},
        {"select x.name from sysobjects o",
         {4104},
         "The multi-part identifier \"x.name\" could not be bound."},
        {"select name from sysobjects, syscolumns", {209}, "Ambiguous column name 'name'."},
        {"select name from sysobjects where", {156}, "Incorrect syntax near the keyword 'where'."},
        // "sysobjects" is a column alias here, so there is no table to take name from.
        {"select name sysobjects where id = 1", {207}, "Invalid column name 'name'."},
        {"select name from sysobjects where name = 'O'Neil'",
         {102, 105},
         "Incorrect syntax near 'Neil'."},
        {"select 'abc", {105, 102}, "Unclosed quotation mark after the character string 'abc'."},
        {"select [abc", {105, 102}, "Unclosed quotation mark after the character string 'abc'."},
        {"select 1 /* open", {113}, "Missing end comment mark '*/'."},
        {"select nosuchfunction(1)",
         {195},
         "'nosuchfunction' is not a recognized built-in function name."},
        {"select top 10 percent name from sysobjects", {50000}, nullptr},
        {"select ?", {102}, "Incorrect syntax near '?'."},
        {"insert into sysobjects (name) values ('x')", {3906}, nullptr},
        {"drop table sysobjects", {3906}, nullptr},
        {"declare @x int", {50000}, nullptr},
        {"use nosuchdb", {911}, nullptr},
        {"exec sp_nosuch", {2812}, "Could not find stored procedure 'sp_nosuch'."},
        {"exec dbo.GetCustomerOrders 1", {50000}, nullptr},
        // A statement that runs before the missing table still answers.
        {"select 1 select * from nosuch", {208}, nullptr},
    };
    for (const auto& c : cases) {
        const auto results = session->ExecuteBatch(c.sql);
        EXPECT_EQ(ErrorNumbers(results), c.numbers) << c.sql;
        if (c.firstMessage) {
            for (const auto& r : results) {
                if (r.error) {
                    EXPECT_EQ(r.error->message, c.firstMessage) << c.sql;
                    break;
                }
            }
        }
    }
    // Syntax errors stop the whole batch before anything runs; a missing table does not.
    EXPECT_EQ(session->ExecuteBatch("select 1 select from").size(), 1u);
    const auto mixed = session->ExecuteBatch("select 1 select * from nosuch");
    ASSERT_EQ(mixed.size(), 2u);
    EXPECT_TRUE(mixed[0].resultSet);
    // The session still works after every error.
    EXPECT_EQ(Query(*session, "select 1"), (Rows{{"1"}}));
}

TEST(AfterLogin, WhatClientsSendIsAccepted) {
    auto session = Open();
    const auto tedious = session->ExecuteBatch(
        "set ansi_nulls on\nset ansi_null_dflt_on on\nset ansi_padding on\nset ansi_warnings on\n"
        "set arithabort on\nset concat_null_yields_null on\nset datefirst 7\nset dateformat mdy\n"
        "set implicit_transactions off\nset language us_english\nset numeric_roundabort off\n"
        "set quoted_identifier on\nset textsize 2147483647\n"
        "set transaction isolation level read committed\nset xact_abort off");
    ASSERT_EQ(tedious.size(), 1u);
    EXPECT_FALSE(tedious[0].error);
    EXPECT_FALSE(tedious[0].resultSet);
    const ResultSet version = Single(*session, "select @@version");
    EXPECT_EQ(ToText(version.rows.at(0).at(0)).rfind("Microsoft SQL Server 2019", 0), 0u);
    EXPECT_EQ(version.columns[0].type, ColumnType::NVarChar);
    EXPECT_FALSE(session->ExecuteBatch("USE [Orders]")[0].error);
    EXPECT_FALSE(session->ExecuteBatch("BEGIN TRANSACTION; COMMIT")[0].error);
    // NOCOUNT leaves the row count off the result.
    const auto counted = session->ExecuteBatch("select 1");
    EXPECT_EQ(counted[0].rowCount, 1);
    const auto quiet = session->ExecuteBatch("set nocount on; select 1");
    ASSERT_EQ(quiet.size(), 1u);
    EXPECT_FALSE(quiet[0].rowCount);
}

TEST(SpTables, ListsTablesAndViewsInServerOrder) {
    auto session = Open();
    const auto results = session->ExecuteProcedure("sp_tables", {});
    ASSERT_EQ(results.size(), 1u);
    const ResultSet& rs = *results[0].resultSet;
    std::vector<std::string> names;
    for (const auto& c : rs.columns) {
        names.push_back(c.name);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"TABLE_QUALIFIER", "TABLE_OWNER", "TABLE_NAME",
                                               "TABLE_TYPE", "REMARKS"}));
    const Rows rows = ToRows(rs);
    ASSERT_EQ(rows.size(), 32u + 3u + 10u);
    EXPECT_EQ(rows.front(),
              (std::vector<std::string>{"Orders", "dbo", "AppSettings", "TABLE", "NULL"}));
    EXPECT_EQ(rows.back(),
              (std::vector<std::string>{"Orders", "sys", "sysreferences", "VIEW", "NULL"}));
    for (std::size_t i = 1; i < rows.size(); ++i) {
        const auto key = [](const std::vector<std::string>& r) {
            std::string k;
            for (const auto* part : {&r[3], &r[1], &r[2]}) {
                for (const char c : *part) {
                    k += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
                }
                k += '\x01';
            }
            return k;
        };
        EXPECT_LE(key(rows[i - 1]), key(rows[i])) << rows[i][2];
    }
}

TEST(SpTables, FiltersByPatternOwnerAndType) {
    auto session = Open();
    auto rows = [&](const Parameters& p) {
        const auto results = session->ExecuteProcedure("sp_tables", p);
        return results[0].resultSet ? ToRows(*results[0].resultSet) : Rows{};
    };
    EXPECT_EQ(rows({{"@table_name", Value{std::string("customers")}}}),
              (Rows{{"Orders", "dbo", "Customers", "TABLE", "NULL"},
                    {"Orders", "sales", "Customers", "TABLE", "NULL"}}));
    EXPECT_EQ(rows({{"@table_name", Value{std::string("%Stock%")}},
                    {"@table_type", Value{std::string("'VIEW'")}}}),
              (Rows{{"Orders", "dbo", "ProductStock", "VIEW", "NULL"}}));
    EXPECT_EQ(rows({{"@table_owner", Value{std::string("sales")}},
                    {"@table_name", Value{std::string("Q%")}},
                    {"@table_type", Value{std::string("'TABLE','VIEW'")}}}),
              (Rows{{"Orders", "sales", "QuoteLines", "TABLE", "NULL"},
                    {"Orders", "sales", "Quotes", "TABLE", "NULL"}}));
    EXPECT_EQ(rows({{"@table_qualifier", Value{std::string("")}}}), Rows{});
    const auto other = session->ExecuteProcedure(
        "sp_tables", {{"@table_qualifier", Value{std::string("master")}}});
    EXPECT_EQ(ErrorNumbers(other), (std::vector<std::int32_t>{15250}));
    // The same through a batch, as isql and tsql users type it, and by a qualified name.
    EXPECT_EQ(Query(*session, "exec sp_tables 'O''Neil'"),
              (Rows{{"Orders", "dbo", "O'Neil", "TABLE", "NULL"}}));
    EXPECT_EQ(Query(*session, "sp_tables @table_name = N'Größen'"),
              (Rows{{"Orders", "dbo", "Größen", "TABLE", "NULL"}}));
    EXPECT_EQ(ToRows(*session
                          ->ExecuteProcedure("[Orders]..sp_tables",
                                             {{"@table_name", Value{std::string("Stock")}}})[0]
                          .resultSet),
              (Rows{{"Orders", "dbo", "Stock", "TABLE", "NULL"}}));
}

TEST(Sessions, SeveralAtOnceShareTheCatalog) {
    std::vector<std::thread> threads;
    std::vector<int> failures(4, 0);
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([t, &failures] {
            auto session = OrdersCatalog().OpenSession("Orders");
            for (int i = 0; i < 200; ++i) {
                const auto results = session->ExecuteBatch(
                    "select count(*) from INFORMATION_SCHEMA.COLUMNS where TABLE_NAME = 'Orders'");
                if (results.size() != 1 || !results[0].resultSet ||
                    ToText(results[0].resultSet->rows.at(0).at(0)) != "10") {
                    ++failures[static_cast<std::size_t>(t)];
                }
            }
        });
    }
    for (auto& th : threads) {
        th.join();
    }
    EXPECT_EQ(failures, (std::vector<int>{0, 0, 0, 0}));
}

}  // namespace
}  // namespace catalog_server::testing
