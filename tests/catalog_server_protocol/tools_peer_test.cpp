// Clients we did not write, against catalog-server with the sample database: FreeTDS tsql,
// unixODBC isql with the FreeTDS driver (its `help` is SQLTables), and Node.js tedious 19.
// Each logs in, reads answers, and is refused with a wrong password.

#include <gtest/gtest.h>

#include "peer_support.h"

namespace catalog_server::testing {
namespace {

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

TEST(TsqlPeer, QueriesAndRefusal) {
    if (!HaveProgram("tsql")) {
        GTEST_SKIP() << "tsql (freetds-bin) is not installed";
    }
    ServerProcess server(SampleServerArgs());
    ASSERT_TRUE(server.Start()) << server.Error();
    const std::string command = "TDSVER=7.4 tsql -H 127.0.0.1 -p " + std::to_string(server.Port()) +
                                " -D Orders -U demo -P ";
    const CommandResult ok =
        RunCommand(command + "demo",
                   "SELECT TABLE_SCHEMA, TABLE_NAME FROM INFORMATION_SCHEMA.TABLES\n"
                   "WHERE TABLE_NAME = 'Customers' ORDER BY TABLE_SCHEMA\ngo\n"
                   "select name from sysobjects where name = N'Gr\xC3\xB6\xC3\x9F"
                   "en'\ngo\n"
                   "select * from nowhere\ngo\nexit\n");
    EXPECT_EQ(ok.exitCode, 0) << ok.output;
    EXPECT_TRUE(Contains(ok.output, "dbo\tCustomers\nsales\tCustomers\n")) << ok.output;
    EXPECT_TRUE(Contains(ok.output,
                         "Gr\xC3\xB6\xC3\x9F"
                         "en\n"))
        << ok.output;
    EXPECT_TRUE(Contains(ok.output, "Msg 208 (severity 16")) << ok.output;

    const CommandResult refused = RunCommand(command + "wrong", "select 1\ngo\nexit\n");
    EXPECT_NE(refused.exitCode, 0);
    EXPECT_TRUE(Contains(refused.output, "Login failed for user 'demo'.")) << refused.output;

    // A client that demands encryption learns at once that there is none, without hanging.
    TempDir config;
    const auto conf = config.Write("freetds.conf", "[global]\n\tencryption = require\n");
    const CommandResult encrypted =
        RunCommand("FREETDSCONF=" + ShellQuote(conf.string()) + " " + command + "demo",
                   "select 1\ngo\nexit\n", 20);
    EXPECT_NE(encrypted.exitCode, 0);
    EXPECT_NE(encrypted.exitCode, 124) << "timed out";
    EXPECT_TRUE(Contains(encrypted.output, "connection failed")) << encrypted.output;
}

TEST(IsqlPeer, TablesQueriesAndRefusal) {
    const std::filesystem::path driver = FreeTdsDriver();
    if (!HaveProgram("isql") || driver.empty()) {
        GTEST_SKIP() << "isql (unixodbc) or the FreeTDS ODBC driver (tdsodbc) is not installed";
    }
    ServerProcess server(SampleServerArgs());
    ASSERT_TRUE(server.Start()) << server.Error();
    TempDir config;  // our own driver and DSN files; the system's are left alone
    config.Write("odbcinst.ini", "[FreeTDS]\nDriver=" + driver.string() + "\n");
    const std::string odbcIni = config
                                    .Write("odbc.ini",
                                           "[catalog]\nDriver=FreeTDS\nServer=127.0.0.1\n"
                                           "Port=" +
                                               std::to_string(server.Port()) +
                                               "\nTDS_Version=7.4\nDatabase=Orders\n"
                                               "ClientCharset=UTF-8\n")
                                    .string();
    const std::string command = "ODBCSYSINI=" + ShellQuote(config.path().string()) +
                                " ODBCINI=" + ShellQuote(odbcIni) + " isql -b -d'|' catalog demo ";

    const CommandResult tables = RunCommand(command + "demo", "help\n");
    EXPECT_EQ(tables.exitCode, 0) << tables.output;
    EXPECT_TRUE(Contains(tables.output, "Orders|dbo|O'Neil|TABLE|")) << tables.output;
    EXPECT_TRUE(Contains(tables.output,
                         "Orders|dbo|Gr\xC3\xB6\xC3\x9F"
                         "en|TABLE|"));
    EXPECT_TRUE(Contains(tables.output, "Orders|sales|Customers|TABLE|"));
    EXPECT_TRUE(Contains(tables.output, "Orders|dbo|OrderSummary|VIEW|"));

    const CommandResult query = RunCommand(
        command + "demo",
        "SELECT TABLE_SCHEMA, TABLE_NAME FROM INFORMATION_SCHEMA.TABLES WHERE TABLE_NAME = "
        "'Customers' ORDER BY TABLE_SCHEMA\nselect db_name()\n");
    EXPECT_EQ(query.exitCode, 0) << query.output;
    EXPECT_TRUE(Contains(query.output, "dbo|Customers\nsales|Customers\nOrders\n")) << query.output;

    const CommandResult refused =
        RunCommand("ODBCSYSINI=" + ShellQuote(config.path().string()) +
                       " ODBCINI=" + ShellQuote(odbcIni) + " isql -v -b catalog demo wrong",
                   "select 1\n");
    EXPECT_NE(refused.exitCode, 0);
    EXPECT_TRUE(Contains(refused.output, "Login failed for user 'demo'.")) << refused.output;
}

class TediousPeer : public ::testing::Test {
protected:
    void SetUp() override {
        if (!HaveProgram("node") || !HaveProgram("npm")) {
            GTEST_SKIP() << "Node.js and npm are not installed";
        }
        // tedious 19 runs on Node 18 and 20 (20.x needs Node 22); installed once per build tree.
        const std::filesystem::path prefix = BuildDir() / "catalog-server-peers";
        modules_ = prefix / "node_modules";
        if (!std::filesystem::exists(modules_ / "tedious" / "package.json")) {
            std::filesystem::create_directories(prefix);
            const CommandResult install =
                RunCommand("flock " + ShellQuote((prefix / ".lock").string()) +
                               " npm install --prefix " + ShellQuote(prefix.string()) +
                               " --no-audit --no-fund --loglevel=error tedious@19",
                           "", 300);
            ASSERT_TRUE(std::filesystem::exists(modules_ / "tedious" / "package.json"))
                << install.output;
        }
    }

    std::string Run(int port, const std::string& mode) {
        const std::filesystem::path script =
            SourceDir() / "tests" / "catalog_server_protocol" / "tedious_peer.js";
        const CommandResult result = RunCommand("NODE_PATH=" + ShellQuote(modules_.string()) +
                                                " node " + ShellQuote(script.string()) + " " +
                                                std::to_string(port) + " demo demo " + mode);
        EXPECT_EQ(result.exitCode, 0) << result.output;
        return result.output;
    }

    std::filesystem::path modules_;
};

TEST_F(TediousPeer, QueriesProceduresAndRefusal) {
    ServerProcess server(SampleServerArgs());
    ASSERT_TRUE(server.Start()) << server.Error();
    const std::string out = Run(server.Port(), "queries");
    EXPECT_FALSE(Contains(out, "\"failure\"")) << out;
    EXPECT_TRUE(Contains(out, "\"wrongPassword\":\"ELOGIN: Login failed for user 'demo'.\""))
        << out;
    EXPECT_TRUE(Contains(out, "\"batch\":[[\"Orders\"]]")) << out;
    EXPECT_TRUE(Contains(out, "\"execSql\":[[\"dbo\",\"Customers\"],[\"sales\",\"Customers\"]]"))
        << out;
    EXPECT_TRUE(Contains(out,
                         "\"varchar\":[[\"Gr\xC3\xB6\xC3\x9F"
                         "en\"]]"))
        << out;
    EXPECT_TRUE(
        Contains(out, "\"nonAscii\":[[\"\xCE\x95\xCE\xBB\xCE\xBB\xCE\xAC\xCE\xB4\xCE\xB1\"]]"))
        << out;
    EXPECT_TRUE(Contains(out, "[\"Orders\",\"dbo\",\"O'Neil\",\"TABLE\",null]")) << out;
    EXPECT_TRUE(Contains(out, "\"syntaxError\":[102,105]")) << out;
    EXPECT_TRUE(Contains(out, "\"afterError\":[[\"Orders\"]]")) << out;
    EXPECT_TRUE(Contains(out, "\"smallPackets\":\"same\"")) << out;
    EXPECT_TRUE(Contains(out, "\"longParameter\":[[5001]]")) << out;
    EXPECT_TRUE(Contains(out, "\"prepared\":[[[\"dbo\"],[\"sales\"]],[[\"dbo\"]]]")) << out;
}

TEST_F(TediousPeer, CancelsASlowRequest) {
    ServerProcess server(SampleServerArgs({"--latency-ms", "600"}));
    ASSERT_TRUE(server.Start()) << server.Error();
    const std::string out = Run(server.Port(), "cancel");
    EXPECT_TRUE(Contains(out, "\"cancelled\":\"ECANCEL\"")) << out;
    EXPECT_TRUE(Contains(out, "\"afterCancel\":[[\"Orders\"]]")) << out;
}

}  // namespace
}  // namespace catalog_server::testing
