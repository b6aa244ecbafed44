// The catalog queries the browser sends, as it sends them (names spliced in unescaped), with the
// rows SQL Server answers for the Orders sample. In SQL and expected cells, #{schema.name} stands
// for that object's id; an expected cell starting with ~ is a regular expression, one starting
// with * must be contained in the actual text.

#include <gtest/gtest.h>

#include <algorithm>
#include <regex>

#include "engine_test_support.h"

namespace catalog_server::testing {
namespace {

enum class Order { Exact, Any };

struct Case {
    const char* name;
    std::string sql;
    Rows expected;
    Order order = Order::Exact;
    std::vector<std::int32_t> errors = {};  // error numbers instead of rows
};

std::string Expand(Session& session, std::string text) {
    for (std::size_t open; (open = text.find("#{")) != std::string::npos;) {
        const std::size_t close = text.find('}', open);
        text.replace(open, close - open + 1,
                     IdOf(session, text.substr(open + 2, close - open - 2)));
    }
    return text;
}

bool CellMatches(const std::string& expected, const std::string& actual) {
    if (!expected.empty() && expected[0] == '*') {
        return actual.find(expected.substr(1)) != std::string::npos;
    }
    if (!expected.empty() && expected[0] == '~') {
        return std::regex_match(actual, std::regex(expected.substr(1)));
    }
    return expected == actual;
}

std::string Show(const Rows& rows) {
    std::string s;
    for (const auto& r : rows) {
        s += "  (";
        for (std::size_t i = 0; i < r.size(); ++i) {
            s += (i ? " | " : "") + r[i];
        }
        s += ")\n";
    }
    return s;
}

bool RowsMatch(const Rows& expected, const Rows& actual) {
    if (expected.size() != actual.size()) {
        return false;
    }
    for (std::size_t i = 0; i < expected.size(); ++i) {
        if (expected[i].size() != actual[i].size()) {
            return false;
        }
        for (std::size_t j = 0; j < expected[i].size(); ++j) {
            if (!CellMatches(expected[i][j], actual[i][j])) {
                return false;
            }
        }
    }
    return true;
}

// Any order: every expected row matches a distinct actual row.
bool RowsMatchAnyOrder(const Rows& expected, Rows actual) {
    if (expected.size() != actual.size()) {
        return false;
    }
    for (const auto& e : expected) {
        const auto it = std::find_if(actual.begin(), actual.end(),
                                     [&](const auto& a) { return RowsMatch({e}, {a}); });
        if (it == actual.end()) {
            return false;
        }
        actual.erase(it);
    }
    return true;
}

const std::string kColumns =
    "SELECT TABLE_SCHEMA,TABLE_NAME,COLUMN_NAME,ORDINAL_POSITION,DATA_TYPE,CHARACTER_MAXIMUM_"
    "LENGTH FROM INFORMATION_SCHEMA.COLUMNS WHERE TABLE_NAME='";
const std::string kConstraints =
    "SELECT CONSTRAINT_CATALOG,CONSTRAINT_SCHEMA,CONSTRAINT_NAME,TABLE_CATALOG,TABLE_SCHEMA,"
    "TABLE_NAME,CONSTRAINT_TYPE FROM INFORMATION_SCHEMA.TABLE_CONSTRAINTS WHERE TABLE_NAME='";
const std::string kConstraintColumns =
    "SELECT TABLE_CATALOG,TABLE_SCHEMA,TABLE_NAME,COLUMN_NAME,CONSTRAINT_CATALOG,CONSTRAINT_"
    "SCHEMA,CONSTRAINT_NAME FROM INFORMATION_SCHEMA.CONSTRAINT_COLUMN_USAGE WHERE "
    "CONSTRAINT_NAME='";
const std::string kIndexes =
    "SELECT idx.name,idx.id,idx.indid FROM sysindexes idx, sysobjects obj WHERE idx.id = obj.id "
    "and obj.xtype='U' and (INDEXPROPERTY(idx.id, idx.name, 'isStatistics') = 0) and "
    "idx.indid<>255 and idx.name not in (select pk.name from sysobjects pk where "
    "pk.xtype='PK') and obj.name='";

std::string IndexKeys(const std::string& table, const std::string& indid) {
    return "select cols.name,idx.keyno from syscolumns cols, sysindexkeys idx where idx.id=" +
           table + " and idx.indid=" + indid +
           " and cols.colid=idx.colid and cols.id=idx.id order by idx.keyno";
}

std::string KeyDescending(const std::string& table, const std::string& indid,
                          const std::string& keyno) {
    return "SELECT INDEXKEY_PROPERTY(" + table + "," + indid + "," + keyno + "," +
           "'IsDescending') as result";
}

std::vector<Case> Cases() {
    return {
        {"object id of a table",
         "select object_id('Orders.dbo.Customers') as result",
         {{"#{dbo.Customers}"}}},
        {"object id in another schema",
         "select object_id('Orders.sales.Customers') as result",
         {{"#{sales.Customers}"}}},
        {"object id of a non-ASCII name",
         "select object_id('Orders.dbo.Ελλάδα') as result",
         {{"~[0-9]+"}}},
        {"object id of a name with a dot is null",
         "select object_id('Orders.dbo.Order.Archive') as result",
         {{"NULL"}}},
        {"object id of a system view",
         "select object_id('Orders.INFORMATION_SCHEMA.TABLES') as result",
         {{"~-[0-9]+"}}},
        {"object id spliced with a quote is a syntax error",
         "select object_id('Orders.dbo.O'Neil') as result",
         {},
         Order::Exact,
         {102, 105}},
        {"object id with a doubled quote",
         "select object_id('Orders.dbo.O''Neil') as result",
         {{"#{dbo.[O'Neil]}"}}},
        {"procedures with their definitions",
         "SELECT  obj.name as PROCEDURE_NAME,inf.ROUTINE_DEFINITION as PROCEDURE_DEF FROM "
         "sysobjects obj, INFORMATION_SCHEMA.ROUTINES inf WHERE obj.xtype = 'P' AND "
         "obj.category = 0 and obj.name=inf.routine_name",
         {{"GetCustomerOrders",
           "*\n\nCREATE PROCEDURE dbo.GetCustomerOrders\n    @CustomerID int\nAS"},
          {"AssignTerritory", "*CREATE PROC sales.AssignTerritory @EmployeeID int"},
          {"RecalculateOrderTotals", "*/* Recomputes order totals bucket by bucket"}},
         Order::Any},
        {"columns in column order",
         kColumns + "Stock' ORDER BY ORDINAL_POSITION",
         {{"dbo", "Stock", "WarehouseID", "1", "smallint", "NULL"},
          {"dbo", "Stock", "ProductID", "2", "int", "NULL"},
          {"dbo", "Stock", "Quantity", "3", "int", "NULL"},
          {"dbo", "Stock", "ReorderLevel", "4", "int", "NULL"}}},
        {"column lengths in characters, -1 for max, fixed for text types",
         kColumns + "AuditLog' ORDER BY ORDINAL_POSITION",
         {{"dbo", "AuditLog", "AuditID", "1", "bigint", "NULL"},
          {"dbo", "AuditLog", "TableName", "2", "nvarchar", "128"},
          {"dbo", "AuditLog", "Action", "3", "char", "1"},
          {"dbo", "AuditLog", "ChangedBy", "4", "nvarchar", "128"},
          {"dbo", "AuditLog", "ChangedAt", "5", "datetime", "NULL"},
          {"dbo", "AuditLog", "Details", "6", "text", "2147483647"},
          {"dbo", "AuditLog", "Snapshot", "7", "image", "2147483647"}}},
        {"columns of a view",
         kColumns + "ProductStock' ORDER BY ORDINAL_POSITION",
         {{"dbo", "ProductStock", "ProductID", "1", "int", "NULL"},
          {"dbo", "ProductStock", "ProductName", "2", "nvarchar", "100"},
          {"dbo", "ProductStock", "WarehouseName", "3", "nvarchar", "50"},
          {"dbo", "ProductStock", "Quantity", "4", "int", "NULL"}}},
        {"columns of both tables of one name",
         kColumns + "customers' ORDER BY ORDINAL_POSITION",
         {{"dbo", "Customers", "CustomerID", "1", "int", "NULL"},
          {"dbo", "Customers", "CompanyName", "2", "nvarchar", "80"},
          {"dbo", "Customers", "ContactName", "3", "nvarchar", "60"},
          {"dbo", "Customers", "CountryCode", "4", "char", "2"},
          {"dbo", "Customers", "RegionID", "5", "int", "NULL"},
          {"dbo", "Customers", "CreditLimit", "6", "money", "NULL"},
          {"dbo", "Customers", "Notes", "7", "nvarchar", "-1"},
          {"dbo", "Customers", "CreatedAt", "8", "datetime2", "NULL"},
          {"sales", "Customers", "ProspectID", "1", "int", "NULL"},
          {"sales", "Customers", "CompanyName", "2", "nvarchar", "80"},
          {"sales", "Customers", "AccountManagerID", "3", "int", "NULL"},
          {"sales", "Customers", "ConvertedCustomerID", "4", "int", "NULL"},
          {"sales", "Customers", "Score", "5", "tinyint", "NULL"}},
         Order::Any},
        {"columns of a table named with a quote",
         kColumns + "O'Neil' ORDER BY ORDINAL_POSITION",
         {},
         Order::Exact,
         {102, 105}},
        {"columns of a non-ASCII table",
         kColumns + "Größen' ORDER BY ORDINAL_POSITION",
         {{"dbo", "Größen", "GrößeID", "1", "int", "NULL"},
          {"dbo", "Größen", "Größe", "2", "nvarchar", "10"},
          {"dbo", "Größen", "Maß", "3", "decimal", "NULL"}}},
        {"constraints, named and unnamed",
         kConstraints + "OrderLines'",
         {{"Orders", "dbo", "~CK__OrderLine__Quant__[0-9A-F]{8}", "Orders", "dbo", "OrderLines",
           "CHECK"},
          {"Orders", "dbo", "~PK__OrderLin__[0-9A-F]{16}", "Orders", "dbo", "OrderLines",
           "PRIMARY KEY"},
          {"Orders", "dbo", "~FK__OrderLine__Order__[0-9A-F]{8}", "Orders", "dbo", "OrderLines",
           "FOREIGN KEY"},
          {"Orders", "dbo", "FK_OrderLines_Products", "Orders", "dbo", "OrderLines",
           "FOREIGN KEY"}},
         Order::Any},
        {"constraints leave out defaults",
         kConstraints + "Countries'",
         {{"Orders", "dbo", "PK_Countries", "Orders", "dbo", "Countries", "PRIMARY KEY"},
          {"Orders", "dbo", "UQ_Countries_Name", "Orders", "dbo", "Countries", "UNIQUE"}},
         Order::Any},
        {"constraints of a table named with a quote",
         kConstraints + "O'Neil'",
         {},
         Order::Exact,
         {102, 105}},
        {"constraints with a doubled quote",
         kConstraints + "O''Neil'",
         {{"Orders", "dbo", "PK_O'Neil", "Orders", "dbo", "O'Neil", "PRIMARY KEY"}}},
        {"foreign key columns are the referencing ones",
         kConstraintColumns + "FK_ShipmentItems_OrderLines'",
         {{"Orders", "dbo", "ShipmentItems", "OrderID", "Orders", "dbo",
           "FK_ShipmentItems_OrderLines"},
          {"Orders", "dbo", "ShipmentItems", "LineNumber", "Orders", "dbo",
           "FK_ShipmentItems_OrderLines"}},
         Order::Any},
        {"check columns are those its expression names",
         kConstraintColumns + "CK_Stock_Quantity'",
         {{"Orders", "dbo", "Stock", "Quantity", "Orders", "dbo", "CK_Stock_Quantity"},
          {"Orders", "dbo", "Stock", "ReorderLevel", "Orders", "dbo", "CK_Stock_Quantity"}},
         Order::Any},
        {"primary key columns",
         kConstraintColumns + "PK_Targets'",
         {{"Orders", "sales", "Targets", "EmployeeID", "Orders", "sales", "PK_Targets"},
          {"Orders", "sales", "Targets", "Year", "Orders", "sales", "PK_Targets"},
          {"Orders", "sales", "Targets", "Quarter", "Orders", "sales", "PK_Targets"}},
         Order::Any},
        {"indexes without the primary key",
         kIndexes + "Orders'",
         {{"IX_Orders_Customer_Date", "#{dbo.Orders}", "2"},
          {"IX_Orders_ShippedDate", "#{dbo.Orders}", "3"}},
         Order::Any},
        {"indexes keep unique constraints and unique indexes",
         kIndexes + "Products'",
         {{"UQ_Products_Code", "#{dbo.Products}", "2"},
          {"UX_Products_Name", "#{dbo.Products}", "3"}},
         Order::Any},
        {"indexes of a heap with a nonclustered primary key", kIndexes + "Warehouses'", {}},
        {"indexes of both tables of one name",
         kIndexes + "Customers'",
         {{"IX_Customers_CompanyName", "#{dbo.Customers}", "2"},
          {"IX_SalesCustomers_Manager", "#{sales.Customers}", "2"}},
         Order::Any},
        {"a clustered index that is not a key",
         kIndexes + "AuditLog'",
         {{"CIX_AuditLog_ChangedAt", "#{dbo.AuditLog}", "1"}}},
        {"indexes of a table named with a quote",
         kIndexes + "O'Neil'",
         {},
         Order::Exact,
         {102, 105}},
        {"index keys in key order, included columns first",
         IndexKeys("#{dbo.Orders}", "3"),
         {{"TotalAmount", "0"}, {"ShippedDate", "1"}, {"Status", "2"}}},
        {"two-column index keys",
         IndexKeys("#{dbo.Orders}", "2"),
         {{"CustomerID", "1"}, {"OrderDate", "2"}}},
        {"ascending first key", KeyDescending("#{dbo.Orders}", "2", "1"), {{"0"}}},
        {"descending second key", KeyDescending("#{dbo.Orders}", "2", "2"), {{"1"}}},
        {"descending first key of a clustered index",
         KeyDescending("#{dbo.AuditLog}", "1", "1"),
         {{"1"}}},
        {"key number beyond the keys", KeyDescending("#{dbo.Orders}", "2", "3"), {{"NULL"}}},
        {"included column has no key position",
         KeyDescending("#{dbo.Orders}", "3", "0"),
         {{"NULL"}}},
        {"unknown index", KeyDescending("#{dbo.Orders}", "99", "1"), {{"NULL"}}},
        {"negative id", KeyDescending("-5", "1", "1"), {{"NULL"}}},
        {"foreign keys held by a table",
         "select * from sysreferences where fkeyid=#{dbo.ShipmentItems}",
         {{"~[0-9]+",
           "#{dbo.ShipmentItems}",
           "#{dbo.Shipments}",
           "1",
           "1",
           "NULL",
           "NULL",
           "0",
           "0",
           "1",
           "0",
           "0",
           "0",
           "0",
           "0",
           "0",
           "0",
           "0",
           "0",
           "0",
           "0",
           "0",
           "0",
           "0",
           "0",
           "1",
           "0",
           "0",
           "0",
           "0",
           "0",
           "0",
           "0",
           "0",
           "0",
           "0",
           "0",
           "0",
           "0",
           "0",
           "0"},
          {"~[0-9]+",
           "#{dbo.ShipmentItems}",
           "#{dbo.OrderLines}",
           "1",
           "2",
           "NULL",
           "NULL",
           "0",
           "0",
           "2",
           "3",
           "0",
           "0",
           "0",
           "0",
           "0",
           "0",
           "0",
           "0",
           "0",
           "0",
           "0",
           "0",
           "0",
           "0",
           "1",
           "2",
           "0",
           "0",
           "0",
           "0",
           "0",
           "0",
           "0",
           "0",
           "0",
           "0",
           "0",
           "0",
           "0",
           "0"}},
         Order::Any},
        {"a self reference is in both directions",
         "select constid from sysreferences where fkeyid=#{dbo.Employees} and "
         "rkeyid=#{dbo.Employees}",
         {{"#{dbo.FK_Employees_Employees}"}}},
        {"foreign keys referring to a table",
         "select object_name(constid) from sysreferences where rkeyid=#{dbo.Employees}",
         {{"FK_Employees_Employees"},
          {"FK_Orders_Employees"},
          {"FK_SalesCustomers_Employees"},
          {"FK_EmployeeTerritories_Employees"},
          {"FK_Targets_Employees"}},
         Order::Any},
        {"a table without relations",
         "select * from sysreferences where fkeyid=#{dbo.AppSettings} or rkeyid=#{dbo.AppSettings}",
         {}},
        {"object name of a constraint",
         "select object_name(#{dbo.FK_Stock_Products}) as result",
         {{"FK_Stock_Products"}}},
        {"object name of an unknown id", "select object_name(12345) as result", {{"NULL"}}},
        {"index name of the heap is null",
         "select name from sysindexes where id=#{dbo.Warehouses} and indid=0",
         {{"NULL"}}},
        {"index name of a nonclustered primary key",
         "select name from sysindexes where id=#{dbo.Warehouses} and indid=2",
         {{"PK_Warehouses"}}},
        {"column name",
         "select name from syscolumns where id=#{dbo.ShipmentItems} and colid=3",
         {{"LineNumber"}}},
        {"column id 0 names nothing",
         "select name from syscolumns where id=#{dbo.ShipmentItems} and colid=0",
         {}},
    };
}

class ClientQueries : public ::testing::TestWithParam<Case> {};

TEST_P(ClientQueries, AnswerAsTheServerDoes) {
    auto session = OrdersCatalog().OpenSession("Orders");
    ASSERT_TRUE(session);
    const Case& c = GetParam();
    const std::string sql = Expand(*session, c.sql);
    const auto results = session->ExecuteBatch(sql);
    if (!c.errors.empty()) {
        std::vector<std::int32_t> numbers;
        for (const auto& r : results) {
            EXPECT_FALSE(r.resultSet) << sql;
            numbers.push_back(r.error ? r.error->number : 0);
            for (const auto& more : r.moreErrors) {
                numbers.push_back(more.number);
            }
        }
        EXPECT_EQ(numbers, c.errors) << sql;
        EXPECT_EQ(results.size(), 1u) << "one statement, one result: " << sql;
        return;
    }
    ASSERT_EQ(results.size(), 1u) << sql;
    ASSERT_TRUE(results[0].resultSet) << sql << "\n"
                                      << (results[0].error ? results[0].error->message : "");
    Rows expected = c.expected;
    for (auto& row : expected) {
        for (auto& cell : row) {
            cell = Expand(*session, cell);
        }
    }
    const Rows actual = ToRows(*results[0].resultSet);
    const bool ok =
        c.order == Order::Exact ? RowsMatch(expected, actual) : RowsMatchAnyOrder(expected, actual);
    EXPECT_TRUE(ok) << sql << "\nexpected:\n" << Show(expected) << "actual:\n" << Show(actual);
}

INSTANTIATE_TEST_SUITE_P(Orders, ClientQueries, ::testing::ValuesIn(Cases()),
                         [](const ::testing::TestParamInfo<Case>& info) {
                             std::string name = info.param.name;
                             for (char& ch : name) {
                                 if (!std::isalnum(static_cast<unsigned char>(ch))) {
                                     ch = '_';
                                 }
                             }
                             return name;
                         });

TEST(ClientQueriesShape, ResultColumnsAreNamedAndTypedLikeTheServer) {
    auto session = OrdersCatalog().OpenSession("Orders");
    struct Expect {
        std::string sql;
        std::vector<std::pair<std::string, ColumnType>> columns;
        int lastLength;
    };
    const std::vector<Expect> cases = {
        {"select object_id('Orders.dbo.Orders') as result", {{"result", ColumnType::Int}}, 0},
        {"SELECT  obj.name as PROCEDURE_NAME,inf.ROUTINE_DEFINITION as PROCEDURE_DEF FROM "
         "sysobjects obj, INFORMATION_SCHEMA.ROUTINES inf WHERE obj.xtype = 'P' AND "
         "obj.category = 0 and obj.name=inf.routine_name",
         {{"PROCEDURE_NAME", ColumnType::NVarChar}, {"PROCEDURE_DEF", ColumnType::NVarChar}},
         4000},
        {kColumns + "Stock' ORDER BY ORDINAL_POSITION",
         {{"TABLE_SCHEMA", ColumnType::NVarChar},
          {"TABLE_NAME", ColumnType::NVarChar},
          {"COLUMN_NAME", ColumnType::NVarChar},
          {"ORDINAL_POSITION", ColumnType::Int},
          {"DATA_TYPE", ColumnType::NVarChar},
          {"CHARACTER_MAXIMUM_LENGTH", ColumnType::Int}},
         0},
        {kIndexes + "Orders'",
         {{"name", ColumnType::NVarChar}, {"id", ColumnType::Int}, {"indid", ColumnType::SmallInt}},
         0},
        {IndexKeys("1", "1"), {{"name", ColumnType::NVarChar}, {"keyno", ColumnType::SmallInt}}, 0},
        {KeyDescending("1", "1", "1"), {{"result", ColumnType::Int}}, 0},
        {"select object_name(1) as result", {{"result", ColumnType::NVarChar}}, 128},
    };
    for (const auto& e : cases) {
        const ResultSet rs = Single(*session, e.sql);
        ASSERT_EQ(rs.columns.size(), e.columns.size()) << e.sql;
        for (std::size_t i = 0; i < e.columns.size(); ++i) {
            EXPECT_EQ(rs.columns[i].name, e.columns[i].first) << e.sql;
            EXPECT_EQ(rs.columns[i].type, e.columns[i].second) << e.sql << " column " << i;
        }
        if (e.lastLength != 0) {
            EXPECT_EQ(rs.columns.back().maxLength, e.lastLength) << e.sql;
        }
    }
}

TEST(ClientQueriesShape, LongProcedureDefinitionStopsAt4000Characters) {
    auto session = OrdersCatalog().OpenSession("Orders");
    const Rows rows = Query(*session,
                            "select ROUTINE_DEFINITION, len(ROUTINE_DEFINITION) from "
                            "INFORMATION_SCHEMA.ROUTINES where ROUTINE_NAME = "
                            "'RecalculateOrderTotals'");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][0].size(), 4000u);
    EXPECT_EQ(rows[0][1], "4000");
    // The definition is the batch as written, from the comment before CREATE PROCEDURE on.
    EXPECT_LE(rows[0][0].find("/* Recomputes order totals"), 2u);
}

TEST(ClientQueriesShape, UnusedReferenceSlotsAreZeroNotNull) {
    auto session = OrdersCatalog().OpenSession("Orders");
    const Rows rows = Query(*session,
                            "select keycnt, fkey1, fkey2, fkey3, rkey16 from sysreferences "
                            "where constid = object_id('dbo.FK_ShipmentItems_OrderLines')");
    EXPECT_EQ(rows, (Rows{{"2", "2", "3", "0", "0"}}));
}

}  // namespace
}  // namespace catalog_server::testing
