// The FreeTDS ODBC driver, the program's own path to SQL Server, against catalog-server with
// the sample database: login, SQLTables, parameters (sp_executesql), prepared statements
// (sp_prepexec, sp_prepare, sp_execute), cancelling unread results, and small packets.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>

#include "odbc_client.h"
#include "peer_support.h"

namespace catalog_server::testing {
namespace {

class OdbcPeer : public ::testing::Test {
protected:
    void SetUp() override {
        driver_ = FreeTdsDriver();
        if (driver_.empty()) {
            GTEST_SKIP() << "FreeTDS ODBC driver (tdsodbc) is not installed";
        }
        ASSERT_TRUE(server_.Start()) << server_.Error();
    }

    std::string ConnectionString(const std::string& password = "demo") {
        return FreeTdsConnectionString(driver_.string(), server_.Port(), "Orders", "demo",
                                       password);
    }

    std::filesystem::path driver_;
    TempDir dir_;
    std::string log_ = (dir_.path() / "requests.log").string();
    ServerProcess server_{SampleServerArgs({"--log", log_})};
};

TEST_F(OdbcPeer, LogsInAndReportsTheServer) {
    OdbcConnection connection;
    ASSERT_TRUE(connection.Connect(ConnectionString())) << connection.Error();
    EXPECT_EQ(connection.Info(SQL_DATABASE_NAME), "Orders");
    EXPECT_EQ(connection.Info(SQL_DBMS_NAME), "Microsoft SQL Server");
    EXPECT_TRUE(connection.Info(SQL_DBMS_VER).starts_with("15.00.4322"))
        << connection.Info(SQL_DBMS_VER);

    OdbcConnection refused;
    EXPECT_FALSE(refused.Connect(ConnectionString("wrong")));
    EXPECT_NE(refused.Error().find("Login failed for user 'demo'."), std::string::npos)
        << refused.Error();
}

TEST_F(OdbcPeer, TablesRowsetListsTablesAndViews) {
    OdbcConnection connection;
    ASSERT_TRUE(connection.Connect(ConnectionString())) << connection.Error();
    OdbcStatement all(connection);
    ASSERT_TRUE(all.Tables(nullptr, nullptr, nullptr, nullptr)) << all.Error();
    EXPECT_EQ(all.ColumnNames(), (std::vector<std::string>{"TABLE_CAT", "TABLE_SCHEM", "TABLE_NAME",
                                                           "TABLE_TYPE", "REMARKS"}));
    const auto rows = all.Fetch();
    const auto has = [&](const std::string& schema, const std::string& name,
                         const std::string& type) {
        return std::any_of(rows.begin(), rows.end(), [&](const OdbcRow& r) {
            return r.size() == 5 && r[0] == "Orders" && r[1] == schema && r[2] == name &&
                   r[3] == type && !r[4];
        });
    };
    EXPECT_TRUE(has("dbo", "O'Neil", "TABLE"));
    EXPECT_TRUE(has("dbo", "Order.Archive", "TABLE"));
    EXPECT_TRUE(has("dbo",
                    "Gr\xC3\xB6\xC3\x9F"
                    "en",
                    "TABLE"));
    EXPECT_TRUE(has("dbo", "\xCE\x95\xCE\xBB\xCE\xBB\xCE\xAC\xCE\xB4\xCE\xB1", "TABLE"));
    EXPECT_TRUE(has("sales", "Customers", "TABLE"));
    EXPECT_TRUE(has("dbo", "OrderSummary", "VIEW"));

    OdbcStatement views(connection);
    ASSERT_TRUE(views.Tables(nullptr, nullptr, "%", "VIEW")) << views.Error();
    const auto viewRows = views.Fetch();
    EXPECT_FALSE(viewRows.empty());
    for (const OdbcRow& r : viewRows) {
        EXPECT_EQ(r[3], "VIEW");
    }
}

TEST_F(OdbcPeer, ParametersAndPreparedStatements) {
    OdbcConnection connection;
    ASSERT_TRUE(connection.Connect(ConnectionString())) << connection.Error();
    const std::string query =
        "SELECT TABLE_SCHEMA, TABLE_NAME FROM INFORMATION_SCHEMA.TABLES WHERE TABLE_NAME = ? "
        "ORDER BY TABLE_SCHEMA";

    OdbcStatement direct(connection);  // with a bound parameter: sp_executesql
    const std::string name =
        "Gr\xC3\xB6\xC3\x9F"
        "en";
    ASSERT_TRUE(direct.BindText(1, name));
    ASSERT_TRUE(direct.ExecDirect(query)) << direct.Error();
    EXPECT_EQ(direct.Fetch(), (std::vector<OdbcRow>{{"dbo", name}}));

    char buffer[128] = "Customers";
    OdbcStatement prepared(connection);  // sp_prepexec, then sp_execute
    ASSERT_TRUE(prepared.BindTextBuffer(1, buffer, sizeof buffer));
    ASSERT_TRUE(prepared.Prepare(query)) << prepared.Error();
    ASSERT_TRUE(prepared.Execute()) << prepared.Error();
    EXPECT_EQ(prepared.Fetch(),
              (std::vector<OdbcRow>{{"dbo", "Customers"}, {"sales", "Customers"}}));
    prepared.CloseCursor();
    std::snprintf(buffer, sizeof buffer, "%s", "O'Neil");
    ASSERT_TRUE(prepared.Execute()) << prepared.Error();
    EXPECT_EQ(prepared.Fetch(), (std::vector<OdbcRow>{{"dbo", "O'Neil"}}));

    char orders[128] = "Orders";
    OdbcStatement described(connection);  // columns asked before execution: sp_prepare
    ASSERT_TRUE(described.BindTextBuffer(1, orders, sizeof orders));
    ASSERT_TRUE(described.Prepare(query)) << described.Error();
    EXPECT_EQ(described.ColumnNames(), (std::vector<std::string>{"TABLE_SCHEMA", "TABLE_NAME"}));
    ASSERT_TRUE(described.Execute()) << described.Error();
    EXPECT_EQ(described.Fetch(), (std::vector<OdbcRow>{{"dbo", "Orders"}}));

    // The driver took each of the paths named above (the log is complete once the server ends).
    server_.Stop();
    std::ifstream in(log_);
    const std::string log((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    for (const char* call :
         {"rpc\tsp_executesql: ", "rpc\tsp_prepexec: ", "rpc\tsp_execute: ", "rpc\tsp_prepare: "}) {
        EXPECT_NE(log.find(call), std::string::npos) << call << "\n" << log;
    }
}

TEST_F(OdbcPeer, CancelledResultsAndErrors) {
    OdbcConnection connection;
    ASSERT_TRUE(connection.Connect(ConnectionString())) << connection.Error();
    // Closing with rows unread makes the driver send an attention; the next query must work.
    OdbcStatement partly(connection);
    ASSERT_TRUE(partly.ExecDirect("SELECT TABLE_NAME, COLUMN_NAME FROM INFORMATION_SCHEMA.COLUMNS"))
        << partly.Error();
    EXPECT_EQ(partly.Fetch(1).size(), 1u);
    EXPECT_TRUE(partly.CloseCursor()) << partly.Error();
    OdbcStatement next(connection);
    ASSERT_TRUE(next.ExecDirect("select db_name()")) << next.Error();
    EXPECT_EQ(next.Fetch(), (std::vector<OdbcRow>{{"Orders"}}));

    // A name with a quote spliced into the text: a syntax error, and the connection goes on.
    OdbcStatement broken(connection);
    EXPECT_FALSE(broken.ExecDirect("select * from sysobjects where name = 'O'Neil'"));
    EXPECT_NE(broken.Error().find("42000"), std::string::npos) << broken.Error();
    OdbcStatement after(connection);
    ASSERT_TRUE(after.ExecDirect("select db_name()")) << after.Error();
    EXPECT_EQ(after.Fetch(), (std::vector<OdbcRow>{{"Orders"}}));
}

// Long results cross many packets at every negotiated size (FreeTDS asks for 4096 at least).
TEST_F(OdbcPeer, LongResultsAtEveryPacketSize) {
    const std::string query =
        "SELECT TABLE_SCHEMA, TABLE_NAME, COLUMN_NAME, ORDINAL_POSITION FROM "
        "INFORMATION_SCHEMA.COLUMNS ORDER BY TABLE_SCHEMA, TABLE_NAME, ORDINAL_POSITION";
    std::vector<OdbcRow> expected;
    for (const unsigned packetSize : {0u, 8192u, 32767u}) {
        OdbcConnection connection;
        ASSERT_TRUE(connection.Connect(ConnectionString(), packetSize)) << connection.Error();
        OdbcStatement statement(connection);
        ASSERT_TRUE(statement.ExecDirect(query)) << statement.Error();
        const auto rows = statement.Fetch();
        if (packetSize == 0) {
            expected = rows;
            ASSERT_GT(expected.size(), 100u);
        } else {
            EXPECT_EQ(rows, expected) << packetSize;
        }
    }
}

}  // namespace
}  // namespace catalog_server::testing
