// The command line: repeatable databases and scripts, defaults, and one-line errors.

#include <gtest/gtest.h>

#include "tds/options.h"

namespace catalog_server {
namespace {

TEST(Options, ParsesAFullCommandLine) {
    const auto parsed = ParseOptions(
        {"--host", "0.0.0.0",  "--port=0",    "--database", "Orders", "--script",
         "a.sql",  "--script", "b.sql",       "--database", "Big",    "--generate-tables",
         "100",    "--login",  "sa:pa:ss",    "--login",    "demo:",  "--latency-ms",
         "25",     "--log",    "requests.log"});
    ASSERT_TRUE(std::holds_alternative<ServerOptions>(parsed)) << std::get<std::string>(parsed);
    const auto& o = std::get<ServerOptions>(parsed);
    EXPECT_EQ(o.host, "0.0.0.0");
    EXPECT_EQ(o.port, 0);
    ASSERT_EQ(o.databases.size(), 2u);
    EXPECT_EQ(o.databases[0].database, "Orders");
    EXPECT_EQ(o.databases[0].files, (std::vector<std::string>{"a.sql", "b.sql"}));
    EXPECT_EQ(o.databases[0].generatedTables, 0);
    EXPECT_EQ(o.databases[1].database, "Big");
    EXPECT_TRUE(o.databases[1].files.empty());
    EXPECT_EQ(o.databases[1].generatedTables, 100);
    ASSERT_EQ(o.logins.size(), 2u);
    EXPECT_EQ(o.logins[0].user, "sa");
    EXPECT_EQ(o.logins[0].password, "pa:ss");
    EXPECT_EQ(o.logins[1].password, "");
    EXPECT_EQ(o.latencyMs, 25);
    EXPECT_EQ(o.logFile, "requests.log");
}

TEST(Options, Defaults) {
    const auto parsed = ParseOptions({"--database", "Orders"});
    ASSERT_TRUE(std::holds_alternative<ServerOptions>(parsed));
    const auto& o = std::get<ServerOptions>(parsed);
    EXPECT_EQ(o.host, "127.0.0.1");
    EXPECT_EQ(o.port, 1433);
    ASSERT_EQ(o.logins.size(), 1u);
    EXPECT_EQ(o.logins[0].user, "demo");
    EXPECT_EQ(o.logins[0].password, "demo");
}

TEST(Options, ErrorsNameTheProblem) {
    const struct {
        std::vector<std::string_view> args;
        const char* message;
    } cases[] = {
        {{}, "no database given: use --database NAME --script FILE.sql"},
        {{"--script", "a.sql"}, "--script a.sql comes before any --database"},
        {{"--database", "A", "--port", "70000"},
         "option --port needs a port number from 0 to 65535, not '70000'"},
        {{"--database", "A", "--port", "12x"},
         "option --port needs a port number from 0 to 65535, not '12x'"},
        {{"--database", "A", "--port"}, "option --port needs a value"},
        {{"--database", "A", "--login", "nopassword"},
         "option --login needs USER:PASSWORD, not 'nopassword'"},
        {{"--database", "A", "--latency-ms", "-1"},
         "option --latency-ms needs a number of milliseconds, not '-1'"},
        {{"--generate-tables", "5"}, "--generate-tables comes before any --database"},
        {{"--database", "A", "--verbose"}, "unknown option '--verbose'"},
        {{"--database", "A", "--database", "a"}, "database a is named twice"},
    };
    for (const auto& c : cases) {
        const auto parsed = ParseOptions(c.args);
        ASSERT_TRUE(std::holds_alternative<std::string>(parsed)) << c.message;
        EXPECT_EQ(std::get<std::string>(parsed), c.message);
    }
}

}  // namespace
}  // namespace catalog_server
