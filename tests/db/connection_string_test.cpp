// Building the connection string, its translation for ODBC drivers, and the connect steps.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "db/connection_string.h"
#include "db/database_connection.h"
#include "fake_client.h"
#include "platform/odbc/odbc_connection_string.h"

namespace quillon {
namespace {

using testing::FakeClient;
using testing::FakeServer;

struct BuildCase {
    const char* what;
    const char* server;
    const char* database;
    const char* user;
    const char* password;
    bool trusted;
    const char* expected;
};

TEST(ConnectionString, Build) {
    const BuildCase cases[] = {
        {"SQL login", "SRV1", "Sales", "sa", "secret", false,
         "Provider=sqloledb.1;Server=SRV1;Database=Sales;UID=sa;Pwd=secret;"},
        {"trusted connection leaves out user and password", "SRV1", "Sales", "sa", "secret", true,
         "Provider=sqloledb.1;Server=SRV1;Database=Sales;Trusted_connection=YES;"},
        {"blank entries give empty values", "SRV1  ", "Sales ", "", "", false,
         "Provider=sqloledb.1;Server=SRV1;Database=Sales;UID=;Pwd=;"},
        {"a value with ; is braced", "h", "d", "u", "a;b", false,
         "Provider=sqloledb.1;Server=h;Database=d;UID=u;Pwd={a;b};"},
        {"a } inside braces is doubled", "h", "d", "u", "x}y;", false,
         "Provider=sqloledb.1;Server=h;Database=d;UID=u;Pwd={x}}y;};"},
        {"a value starting with { is braced", "h", "d", "u", "{pw", false,
         "Provider=sqloledb.1;Server=h;Database=d;UID=u;Pwd={{pw};"},
        {"a lone } needs no braces", "h", "d", "u", "p}w", false,
         "Provider=sqloledb.1;Server=h;Database=d;UID=u;Pwd=p}w;"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(BuildConnectionString(c.server, c.database, c.user, c.password, c.trusted),
                  c.expected)
            << c.what;
    }
}

TEST(ConnectionString, LongEntriesAreNotCut) {
    const std::string entry(255, 'a');
    const std::string text = BuildConnectionString(entry, entry, entry, entry + ";", false);
    EXPECT_GT(text.size(), 1000u);
    const auto keys = ParseConnectionString(text);
    ASSERT_EQ(keys.size(), 5u);
    EXPECT_EQ(keys[4].value, entry + ";") << "the password arrives whole";
}

TEST(ConnectionString, EveryPasswordSurvivesTheRoundTrip) {
    for (const std::string password : {"plain", "a;b", "}", "{", "{}", "x}};y", ";;", "p=w", ""}) {
        const auto keys =
            ParseConnectionString(BuildConnectionString("h", "d", "u", password, false));
        ASSERT_EQ(keys.size(), 5u) << password;
        EXPECT_EQ(keys[3].name, "UID");
        EXPECT_EQ(keys[4].name, "Pwd");
        EXPECT_EQ(keys[4].value, password);
    }
}

struct TranslateCase {
    const char* what;
    const char* driver;
    const char* input;
    std::optional<std::string> expected;
};

TEST(ConnectionString, TranslationForOdbcDrivers) {
    const std::string tds = std::string(kFreeTdsDriverPath);
    const std::string tail = "TDS_Version=7.4;ClientCharset=UTF-8;";
    const TranslateCase cases[] = {
        {"host, provider dropped", tds.c_str(),
         "Provider=sqloledb.1;Server=db1;Database=Orders;UID=demo;Pwd=demo;",
         "DRIVER={" + tds + "};Server=db1;Database=Orders;UID=demo;PWD=demo;" + tail},
        {"host,port splits for FreeTDS", tds.c_str(),
         "Provider=sqloledb.1;Server=127.0.0.1,14330;Database=Orders;UID=a;Pwd=b;",
         "DRIVER={" + tds + "};Server=127.0.0.1;Port=14330;Database=Orders;UID=a;PWD=b;" + tail},
        {"host\\instance stays for the driver to resolve", tds.c_str(),
         "Provider=sqloledb.1;Server=db1\\SQLEXPRESS;Database=Orders;UID=a;Pwd=b;",
         "DRIVER={" + tds + "};Server=db1\\SQLEXPRESS;Database=Orders;UID=a;PWD=b;" + tail},
        {"trusted connection becomes the driver's integrated login", tds.c_str(),
         "Provider=sqloledb.1;Server=db1;Database=Orders;Trusted_connection=YES;",
         "DRIVER={" + tds + "};Server=db1;Database=Orders;Trusted_Connection=Yes;" + tail},
        {"FreeTDS reads braces up to the first }; and keeps } single", tds.c_str(),
         "Provider=sqloledb.1;Server=h;Database=d;UID={u;1};Pwd={a;b}}c}}};",
         "DRIVER={" + tds + "};Server=h;Database=d;UID={u;1};PWD={a;b}c}};" + tail},
        {"a value holding }; cannot be given to FreeTDS", tds.c_str(),
         "Provider=sqloledb.1;Server=h;Database=d;UID=u;Pwd={x}};Server=elsewhere};", std::nullopt},
        {"other drivers double } inside braces", "ODBC Driver 18 for SQL Server",
         "Provider=sqloledb.1;Server=h;Database=d;UID=u;Pwd={x}};y};",
         "DRIVER={ODBC Driver 18 for SQL Server};Server=h;Database=d;UID=u;PWD={x}};y};"},
        {"a port that is no number cannot connect", tds.c_str(),
         "Provider=sqloledb.1;Server=h,x1;Database=d;UID=u;Pwd=p;", std::nullopt},
        {"another driver keeps host,port and gets no FreeTDS keys", "ODBC Driver 18 for SQL Server",
         "Provider=sqloledb.1;Server=db1,1433;Database=Orders;UID=a;Pwd=b;",
         "DRIVER={ODBC Driver 18 for SQL Server};Server=db1,1433;Database=Orders;UID=a;PWD=b;"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TranslateConnectionString(c.input, DriverNamed(c.driver)), c.expected) << c.what;
    }
}

// ---- OpenDatabase and CloseDatabase ----

TEST(OpenDatabase, FailedOpenTellsTheUserAndLeavesNoContext) {
    FakeServer server;
    server.acceptOpen = false;
    FakeClient client(server);
    RecordingMessageBox messages;
    NoYield yield;
    std::unique_ptr<ConnectionContext> context;
    EXPECT_FALSE(OpenDatabase(context, client, "Provider=sqloledb.1;Server=x;  ", messages, yield));
    EXPECT_EQ(context, nullptr);
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_EQ(messages.messages[0].caption, "Connect");
    EXPECT_EQ(messages.messages[0].text, "Can not connect to server !!!");
    EXPECT_EQ(server.opened, std::vector<std::string>{"Provider=sqloledb.1;Server=x;"});
}

TEST(OpenDatabase, UninitialisedClientLeavesAContextWithoutConnectionSilently) {
    FakeServer server;
    FakeClient client(server, /*initialised=*/false);
    RecordingMessageBox messages;
    NoYield yield;
    std::unique_ptr<ConnectionContext> context;
    EXPECT_FALSE(OpenDatabase(context, client, "x", messages, yield));
    ASSERT_NE(context, nullptr);
    EXPECT_FALSE(context->Connected());
    EXPECT_TRUE(messages.messages.empty());
    EXPECT_TRUE(server.opened.empty());
}

TEST(OpenDatabase, ReconnectClosesTheOldConnectionAndCloseDatabaseDiscardsIt) {
    FakeServer server;
    FakeClient client(server);
    RecordingMessageBox messages;
    NoYield yield;
    std::unique_ptr<ConnectionContext> context;
    ASSERT_TRUE(OpenDatabase(context, client, "first", messages, yield));
    ASSERT_TRUE(context->Connected());
    ASSERT_TRUE(OpenDatabase(context, client, "second", messages, yield));
    EXPECT_EQ(server.closes, 1);
    CloseDatabase(context);
    EXPECT_EQ(context, nullptr);
    EXPECT_EQ(server.closes, 2);
    CloseDatabase(context);  // nothing to do
    EXPECT_EQ(server.closes, 2);
}

}  // namespace
}  // namespace quillon
