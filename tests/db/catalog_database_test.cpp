// The catalog and relation queries through the real client stack (unixODBC, the FreeTDS driver,
// TDS on loopback) against catalog-server serving samples/orders.sql, and, when
// QUILLON_TEST_MSSQL holds a connection string to a database loaded with that sample, against a
// real SQL Server as well.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "app/globals.h"
#include "db/catalog_queries.h"
#include "db/connection_string.h"
#include "db/logon_window.h"
#include "db/relation_queries.h"
#include "db/run_query.h"
#include "platform/odbc/odbc_client.h"
#include "platform/store/settings_file_store.h"
#include "support/catalog_server_process.h"
#include "support/recording_connection.h"
#include "support/temp_dir.h"

namespace quillon {
namespace {

using testing::CatalogServerProcess;
using testing::RecordingConnection;
using testing::TempDir;

enum class Peer { Emulator, SqlServer };

void PrintTo(Peer peer, std::ostream* out) {
    *out << (peer == Peer::Emulator ? "catalog-server" : "SQL Server");
}

// The emulator serves one extra login whose password needs quoting in a connection string.
constexpr const char* kQuotedUser = "quoted";
constexpr const char* kQuotedPassword = "p;w}d{x";

class CatalogDatabaseTest : public ::testing::TestWithParam<Peer> {
protected:
    static CatalogServerProcess* Emulator(std::string& error) {
        static std::string startError;
        static std::optional<CatalogServerProcess> server = [] {
            return CatalogServerProcess::Start(
                {"--database", "Orders", "--script", CatalogServerProcess::SamplePath("orders.sql"),
                 "--login", "demo:demo", "--login",
                 std::string(kQuotedUser) + ":" + kQuotedPassword},
                startError);
        }();
        error = startError;
        return server ? &*server : nullptr;
    }

    void SetUp() override {
        if (GetParam() == Peer::SqlServer) {
            const char* named = std::getenv("QUILLON_TEST_MSSQL");
            if (named == nullptr || *named == '\0') {
                GTEST_SKIP() << "QUILLON_TEST_MSSQL is not set: no real SQL Server to test against";
            }
            connectionString_ = named;
            for (const auto& key : ParseConnectionString(connectionString_)) {
                const auto is = [&](std::string_view name) {
                    return EqualsIgnoringCase(key.name, name);
                };
                (is("Server")     ? logon_.SERVER
                 : is("Database") ? logon_.DATABASE
                 : is("UID")      ? logon_.USERNAME
                 : is("Pwd")      ? password_
                                  : ignored_) = key.value;
                if (is("Trusted_connection")) {
                    logon_.USETRUSTEDCONNECTION = EqualsIgnoringCase(key.value, "YES") ? 1 : 0;
                }
            }
        } else {
            std::string error;
            emulator_ = Emulator(error);
            ASSERT_NE(emulator_, nullptr) << error;
            logon_ = {emulator_->ServerValue(), "Orders", "demo", 0, 0};
            password_ = "demo";
            connectionString_ = BuildConnectionString(logon_.SERVER, logon_.DATABASE,
                                                      logon_.USERNAME, password_, false);
        }
        auto connection = std::make_unique<RecordingConnection>(client_.NewConnection(), sent_);
        ASSERT_TRUE(connection->Open(connectionString_)) << connectionString_;
        context_.CONN = std::move(connection);
    }

    void TearDown() override {
        if (context_.CONN) {
            context_.CONN->Close();
        }
        sentBefore_ += sent_.size();
    }

    // Forgets what was sent so far, for the next ExpectSent.
    void Mark() {
        sentBefore_ += sent_.size();
        sent_.clear();
    }

    // The requests since the last Mark are exactly these texts, as the client sent them and, on
    // the emulator, as the server's log received them.
    void ExpectSent(const std::vector<std::string>& texts) {
        EXPECT_EQ(sent_, texts);
        if (emulator_ == nullptr) {
            return;
        }
        std::vector<std::string> expected = texts;
        std::replace(expected.begin(), expected.end(),
                     std::string(RecordingConnection::kTablesRowset), std::string("sp_tables"));
        EXPECT_EQ(LoggedSinceMark(), expected) << "the server's log";
    }

    // The SQL texts and procedure calls the emulator logged since the last Mark: the log holds
    // every request this process sent (the logins of other connections are no such requests).
    std::vector<std::string> LoggedSinceMark() {
        const auto logged = emulator_->QueryTexts(sentBefore_ + sent_.size());
        return {logged.begin() + static_cast<std::ptrdiff_t>(std::min(sentBefore_, logged.size())),
                logged.end()};
    }

    std::int32_t ObjectId(const std::string& name) {
        std::vector<NumberResult> id;
        RunQuery(&context_, "select object_id('" + name + "') as result", id, MatchMode::ByName);
        return id.empty() ? 0 : id.front().RESULT;
    }

    OdbcClient client_;
    CatalogServerProcess* emulator_ = nullptr;
    LogonRecord logon_;  // what a user types into the connect window to reach the peer
    std::string password_;
    std::string ignored_;
    std::string connectionString_;
    std::vector<std::string> sent_;
    static inline std::size_t sentBefore_ = 0;  // requests of this process before the last Mark
    ConnectionContext context_;
};

INSTANTIATE_TEST_SUITE_P(Peers, CatalogDatabaseTest,
                         ::testing::Values(Peer::Emulator, Peer::SqlServer), [](const auto& info) {
                             return info.param == Peer::Emulator ? "CatalogServer" : "SqlServer";
                         });

const TableRow* FindTable(const std::vector<TableRow>& tables, std::string_view schema,
                          std::string_view name) {
    const auto found = std::ranges::find_if(tables, [&](const TableRow& t) {
        return t.TABLE_SCHEMA == schema && t.TABLE_NAME == name;
    });
    return found == tables.end() ? nullptr : &*found;
}

TEST_P(CatalogDatabaseTest, TablesCostOneRequestPerObjectAndEveryNameGetsItsId) {
    std::vector<TableRow> tables;
    QueryTables(&context_, tables);
    ASSERT_FALSE(tables.empty());

    std::vector<std::string> expected = {RecordingConnection::kTablesRowset};
    for (const TableRow& t : tables) {
        std::string name = "[" + t.TABLE_CATALOG + "].[" + t.TABLE_SCHEMA + "].[";
        for (char c : t.TABLE_NAME) {
            name += c == ']' ? "]]" : c == '\'' ? "''" : std::string(1, c);
        }
        expected.push_back("select object_id('" + name + "]') as result");
    }
    ExpectSent(expected);

    // Names that break a spliced text unless it is escaped, and names in other scripts.
    for (const char* name : {"O'Neil", "Order.Archive", "Größen", "Ελλάδα", "Customers"}) {
        const TableRow* table = FindTable(tables, "dbo", name);
        ASSERT_NE(table, nullptr) << name;
        EXPECT_EQ(table->TABLE_CATALOG, logon_.DATABASE);
        EXPECT_EQ(table->TABLE_TYPE, "TABLE");
        EXPECT_NE(table->TABLE_ID, 0) << name << " got no object id";
    }
    const TableRow* prospects = FindTable(tables, "sales", "Customers");
    ASSERT_NE(prospects, nullptr);
    EXPECT_NE(prospects->TABLE_ID, FindTable(tables, "dbo", "Customers")->TABLE_ID);
    const TableRow* view = FindTable(tables, "dbo", "OrderSummary");
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->TABLE_TYPE, "VIEW");
}

TEST_P(CatalogDatabaseTest, EveryOperationSendsItsText) {
    const std::int32_t orders = ObjectId("dbo.Orders");
    const std::int32_t employees = ObjectId("dbo.Employees");
    ASSERT_NE(orders, 0);
    std::vector<IndexRow> indexes;
    QueryIndexes(&context_, "Orders", "dbo", indexes);
    ASSERT_FALSE(indexes.empty());
    const std::int32_t indexId = indexes.front().INDID;
    Mark();

    std::vector<ColumnRow> columns;
    QueryColumns(&context_, "Orders", "dbo", columns);
    std::vector<ConstraintRow> constraints;
    QueryTableConstraints(&context_, "Orders", "dbo", constraints);
    std::vector<ConstraintColumnRow> constraintColumns;
    QueryConstraintColumns(&context_, "FK_Orders_Customers", "dbo", constraintColumns);
    QueryIndexes(&context_, "Orders", "dbo", indexes);
    std::vector<IndexKeyRow> keys;
    QueryIndexKeys(&context_, orders, indexId, keys);
    IsKeyDescending(&context_, orders, indexId, 2);
    std::vector<ProcedureRow> procedures;
    QueryProcedures(&context_, procedures);
    ObjectName(&context_, employees);
    IndexName(&context_, employees, 1);
    ColumnName(&context_, employees, 5);

    const std::string o = std::to_string(orders);
    const std::string e = std::to_string(employees);
    const std::string i = std::to_string(indexId);
    ExpectSent({
        "SELECT TABLE_SCHEMA,TABLE_NAME,COLUMN_NAME,ORDINAL_POSITION,DATA_TYPE,CHARACTER_MAXIMUM_"
        "LENGTH FROM INFORMATION_SCHEMA.COLUMNS WHERE TABLE_NAME='Orders' AND TABLE_SCHEMA='dbo' "
        "ORDER BY ORDINAL_POSITION",
        "SELECT CONSTRAINT_CATALOG,CONSTRAINT_SCHEMA,CONSTRAINT_NAME,TABLE_CATALOG,TABLE_SCHEMA,"
        "TABLE_NAME,CONSTRAINT_TYPE FROM INFORMATION_SCHEMA.TABLE_CONSTRAINTS WHERE "
        "TABLE_NAME='Orders' AND TABLE_SCHEMA='dbo'",
        "SELECT TABLE_CATALOG,TABLE_SCHEMA,TABLE_NAME,COLUMN_NAME,CONSTRAINT_CATALOG,CONSTRAINT_"
        "SCHEMA,CONSTRAINT_NAME FROM INFORMATION_SCHEMA.CONSTRAINT_COLUMN_USAGE WHERE "
        "CONSTRAINT_NAME='FK_Orders_Customers' AND CONSTRAINT_SCHEMA='dbo'",
        "SELECT idx.name,idx.id,idx.indid FROM sysindexes idx, sysobjects obj WHERE idx.id = "
        "obj.id and obj.xtype='U' and (INDEXPROPERTY(idx.id, idx.name, 'isStatistics') = 0) and "
        "idx.indid<>255 and idx.name not in (select pk.name from sysobjects pk where "
        "pk.xtype='PK') and obj.name='Orders' and SCHEMA_NAME(obj.uid)='dbo'",
        "select cols.name,idx.keyno from syscolumns cols, sysindexkeys idx where idx.id=" + o +
            " and idx.indid=" + i +
            " and cols.colid=idx.colid and cols.id=idx.id order by idx.keyno",
        "SELECT INDEXKEY_PROPERTY(" + o + "," + i + ",2,'IsDescending') as result",
        "SELECT  obj.name as PROCEDURE_NAME,inf.ROUTINE_DEFINITION as PROCEDURE_DEF FROM "
        "sysobjects obj, INFORMATION_SCHEMA.ROUTINES inf WHERE obj.xtype = 'P' AND obj.category = "
        "0 and obj.name=inf.routine_name",
        "select object_name(" + e + ") as result",
        "select name from sysindexes where id=" + e + " and indid=1",
        "select name from syscolumns where id=" + e + " and colid=5",
    });

    // The answers, briefly: fields in column order, the key's columns, a procedure.
    ASSERT_FALSE(columns.empty());
    EXPECT_EQ(columns.front().COLUMN_NAME, "OrderID");
    EXPECT_EQ(columns.front().ORDINAL_POSITION, 1);
    EXPECT_TRUE(std::ranges::is_sorted(columns, {}, &ColumnRow::ORDINAL_POSITION));
    ASSERT_EQ(constraintColumns.size(), 1u);
    EXPECT_EQ(constraintColumns[0].COLUMN_NAME, "CustomerID");
    EXPECT_TRUE(std::ranges::any_of(
        procedures, [](const ProcedureRow& p) { return p.PROCEDURE_NAME == "GetCustomerOrders"; }));
}

TEST_P(CatalogDatabaseTest, NullTextIsBlankAndNullNumberIsZero) {
    std::vector<ColumnRow> columns;
    QueryColumns(&context_, "Employees", "dbo", columns);
    ASSERT_GE(columns.size(), 2u);
    EXPECT_EQ(columns[0].DATA_TYPE, "int");
    EXPECT_EQ(columns[0].CHARACTER_MAXIMUM_LENGTH, 0) << "null length of an int column";
    EXPECT_EQ(columns[1].CHARACTER_MAXIMUM_LENGTH, 40);

    Mark();
    EXPECT_EQ(ObjectName(&context_, 2000000000), "") << "object_name gives a null row";
    ExpectSent({"select object_name(2000000000) as result"});
}

TEST_P(CatalogDatabaseTest, ProcedureDefinitionShowsTheServersFirst4000Characters) {
    std::vector<ProcedureRow> procedures;
    QueryProcedures(&context_, procedures);
    const auto found = std::ranges::find(procedures, std::string("RecalculateOrderTotals"),
                                         &ProcedureRow::PROCEDURE_NAME);
    ASSERT_NE(found, procedures.end());
    // ROUTINE_DEFINITION is nvarchar(4000): the server cuts, the program's 4096 never bites.
    EXPECT_EQ(found->PROCEDURE_DEF.size(), 4000u);
    std::ifstream sample(CatalogServerProcess::SamplePath("orders.sql"));
    std::stringstream script;
    script << sample.rdbuf();
    EXPECT_NE(script.str().find(found->PROCEDURE_DEF.substr(0, 3990)), std::string::npos)
        << "the definition is the text as written";
}

TEST_P(CatalogDatabaseTest, IndexWithDescendingSecondKey) {
    std::vector<IndexRow> indexes;
    QueryIndexes(&context_, "Orders", "dbo", indexes);
    const auto index =
        std::ranges::find(indexes, std::string("IX_Orders_Customer_Date"), &IndexRow::NAME);
    ASSERT_NE(index, indexes.end());
    EXPECT_FALSE(std::ranges::any_of(indexes, [](const IndexRow& i) {
        return i.NAME == "PK_Orders";
    })) << "primary keys are left out";

    std::vector<IndexKeyRow> keys;
    QueryIndexKeys(&context_, index->ID, index->INDID, keys);
    ASSERT_EQ(keys.size(), 2u);
    EXPECT_EQ(keys[0].NAME, "CustomerID");
    EXPECT_EQ(keys[1].NAME, "OrderDate");
    EXPECT_EQ(keys[1].KEYNO, 2);
    EXPECT_FALSE(IsKeyDescending(&context_, index->ID, index->INDID, 1));
    EXPECT_TRUE(IsKeyDescending(&context_, index->ID, index->INDID, 2));
}

TEST_P(CatalogDatabaseTest, TableWithoutRelationsCostsExactlyTwoRequests) {
    const std::int32_t id = ObjectId("dbo.AppSettings");
    ASSERT_NE(id, 0);
    Mark();
    std::vector<RelationRow> relations;
    QueryRelations(&context_, id, relations);
    EXPECT_TRUE(relations.empty());
    const std::string t = std::to_string(id);
    ExpectSent({"select * from sysreferences where fkeyid=" + t,
                "select * from sysreferences where rkeyid=" + t});
}

TEST_P(CatalogDatabaseTest, SelfReferencingKeyGivesTwoRecords) {
    const std::int32_t id = ObjectId("dbo.Employees");
    Mark();
    std::vector<RelationRow> relations;
    QueryRelations(&context_, id, relations);
    std::vector<const RelationRow*> self;
    for (const RelationRow& r : relations) {
        if (r.FKEYNAME == "FK_Employees_Employees") {
            self.push_back(&r);
        }
    }
    ASSERT_EQ(self.size(), 2u);
    EXPECT_EQ(self[0]->RELATTYPE, RelationRow::kHoldsForeignKey);
    EXPECT_EQ(self[1]->RELATTYPE, RelationRow::kIsReferenced);
    for (const RelationRow* r : self) {
        EXPECT_EQ(r->FTABLENAME, "Employees");
        EXPECT_EQ(r->RTABLENAME, "Employees");
        EXPECT_EQ(r->RKEYNAME, "PK_Employees");
        EXPECT_EQ(r->FNAME[0], "ManagerID");
        EXPECT_EQ(r->RNAME[0], "EmployeeID");
    }
    EXPECT_EQ(sent_.size(), 2 + 36 * relations.size()) << "36 requests per relation";
    EXPECT_TRUE(std::ranges::is_sorted(relations, std::greater<>(), &RelationRow::RELATTYPE))
        << "held foreign keys first";
}

TEST_P(CatalogDatabaseTest, TwoColumnKeyFillsSlotsOneAndTwo) {
    std::vector<RelationRow> relations;
    QueryRelations(&context_, ObjectId("dbo.ShipmentItems"), relations);
    const auto key = std::ranges::find(relations, std::string("FK_ShipmentItems_OrderLines"),
                                       &RelationRow::FKEYNAME);
    ASSERT_NE(key, relations.end());
    EXPECT_EQ(key->RELATTYPE, RelationRow::kHoldsForeignKey);
    EXPECT_EQ(key->KEYCNT, 2);
    EXPECT_EQ(key->FTABLENAME, "ShipmentItems");
    EXPECT_EQ(key->RTABLENAME, "OrderLines");
    EXPECT_EQ(key->FNAME[0], "OrderID");
    EXPECT_EQ(key->FNAME[1], "LineNumber");
    EXPECT_EQ(key->RNAME[0], "OrderID");
    EXPECT_EQ(key->RNAME[1], "LineNumber");
    for (std::size_t slot = 2; slot < RelationRow::kSlots; ++slot) {
        EXPECT_EQ(key->FKEY[slot], 0) << slot + 1;
        EXPECT_EQ(key->FNAME[slot], "") << slot + 1;
        EXPECT_EQ(key->RNAME[slot], "") << slot + 1;
    }
}

TEST_P(CatalogDatabaseTest, QuotedNamesShowFieldsConstraintsAndIndexes) {
    std::vector<ColumnRow> columns;
    QueryColumns(&context_, "O'Neil", "dbo", columns);
    ASSERT_EQ(columns.size(), 2u);
    EXPECT_EQ(columns[0].COLUMN_NAME, "O'NeilID");
    std::vector<ConstraintRow> constraints;
    QueryTableConstraints(&context_, "O'Neil", "dbo", constraints);
    ASSERT_EQ(constraints.size(), 1u);
    EXPECT_EQ(constraints[0].CONSTRAINT_NAME, "PK_O'Neil");
    std::vector<ConstraintColumnRow> constraintColumns;
    QueryConstraintColumns(&context_, "PK_O'Neil", "dbo", constraintColumns);
    ASSERT_EQ(constraintColumns.size(), 1u);
    EXPECT_EQ(constraintColumns[0].COLUMN_NAME, "O'NeilID");
}

TEST_P(CatalogDatabaseTest, NonAsciiNamesArriveIntact) {
    std::vector<ColumnRow> columns;
    QueryColumns(&context_, "Ελλάδα", "dbo", columns);
    ASSERT_EQ(columns.size(), 3u);
    EXPECT_EQ(columns[0].TABLE_NAME, "Ελλάδα");
    EXPECT_EQ(columns[0].COLUMN_NAME, "Κωδικός");
    EXPECT_EQ(columns[1].COLUMN_NAME, "Όνομα");
    EXPECT_EQ(columns[2].COLUMN_NAME, "Größe");
    std::vector<ConstraintRow> constraints;
    QueryTableConstraints(&context_, "Ελλάδα", "dbo", constraints);
    ASSERT_EQ(constraints.size(), 1u);
    EXPECT_EQ(constraints[0].CONSTRAINT_NAME, "PK_Ελλάδα");
}

TEST_P(CatalogDatabaseTest, TablesOfTheSameNameInOtherSchemasAreNotMixed) {
    std::vector<ColumnRow> columns;
    QueryColumns(&context_, "Customers", "sales", columns);
    ASSERT_FALSE(columns.empty());
    EXPECT_EQ(columns[0].COLUMN_NAME, "ProspectID");
    EXPECT_TRUE(
        std::ranges::all_of(columns, [](const ColumnRow& c) { return c.TABLE_SCHEMA == "sales"; }));
    std::vector<ConstraintRow> constraints;
    QueryTableConstraints(&context_, "Customers", "dbo", constraints);
    ASSERT_FALSE(constraints.empty());
    EXPECT_TRUE(std::ranges::all_of(
        constraints, [](const ConstraintRow& c) { return c.TABLE_SCHEMA == "dbo"; }));
    std::vector<IndexRow> indexes;
    QueryIndexes(&context_, "Customers", "sales", indexes);
    ASSERT_EQ(indexes.size(), 1u);
    EXPECT_EQ(indexes[0].NAME, "IX_SalesCustomers_Manager");
    QueryIndexes(&context_, "Customers", "dbo", indexes);
    ASSERT_EQ(indexes.size(), 1u);
    EXPECT_EQ(indexes[0].NAME, "IX_Customers_CompanyName");
}

TEST_P(CatalogDatabaseTest, PasswordThatNeedsQuotingConnects) {
    if (emulator_ == nullptr) {
        GTEST_SKIP() << "needs the emulator's extra login";
    }
    auto connection = client_.NewConnection();
    EXPECT_TRUE(connection->Open(BuildConnectionString(emulator_->ServerValue(), "Orders",
                                                       kQuotedUser, kQuotedPassword, false)));
    connection->Close();
    auto wrong = client_.NewConnection();
    EXPECT_FALSE(wrong->Open(
        BuildConnectionString(emulator_->ServerValue(), "Orders", kQuotedUser, "p", false)));
}

class NoView final : public LogonView {
public:
    void ShowStatus(std::string_view) override {}
    void SetWaitCursor(bool) override {}
};

TEST_P(CatalogDatabaseTest, ConnectWindowProvesTheLogonAndSavesItOnce) {
    TempDir dir;
    SettingsFileStore store(dir.path() / "config");
    RegistrySettings settings(store);
    RecordingMessageBox messages;
    DataFiles files(dir.path(), std::string(kFileOwnerPassword), messages);
    std::string connectionString;
    NoView view;
    const auto saved = [&] {
        files.DBConnections.Open();
        auto records = files.DBConnections.Browse(ConnectionKey::KeyUnique);
        files.DBConnections.Close();
        return records;
    };
    {
        LogonWindowLogic window(settings, kRegistryKey, connectionString, files.DBConnections,
                                messages, client_);
        window.Open();
        window.logon = logon_;
        window.logon.SAVECONNECTION = 1;
        window.password = password_ + "-wrong";
        EXPECT_FALSE(window.Ok(view)) << "a wrong password passed the test";
        ASSERT_EQ(messages.messages.size(), 1u);
        EXPECT_EQ(messages.messages[0].text, "Can not connect to server !!!");
        EXPECT_EQ(window.password, password_ + "-wrong") << "the entries stay for a correction";
        EXPECT_TRUE(saved().empty()) << "a failed test stored a saved connection";

        window.password = password_;
        EXPECT_TRUE(window.Ok(view));
        EXPECT_EQ(messages.messages.size(), 1u);
    }
    {
        // The same names in other letter case update the record instead of adding one.
        LogonWindowLogic window(settings, kRegistryKey, connectionString, files.DBConnections,
                                messages, client_);
        window.Open();
        EXPECT_EQ(window.logon.SERVER, logon_.SERVER) << "the last logon is read back";
        for (char& c : window.logon.DATABASE) {
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        }
        window.password = password_;
        EXPECT_TRUE(window.Ok(view)) << "database names ignore letter case on the server too";
    }
    const auto records = saved();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].DATABASE, logon_.DATABASE);
    EXPECT_EQ(records[0].PWD, password_);
}

}  // namespace
}  // namespace quillon
