// The catalog-server program as a process: its command line, start and stop, the request log,
// latency with attention, several clients at once, and clients that misbehave.

#include <gtest/gtest.h>

#include <signal.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

#include "peer_support.h"
#include "raw_client.h"

namespace catalog_server::testing {
namespace {

std::size_t Lines(const std::string& text) {
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

std::string RunServer(const std::vector<std::string>& args, int* exitCode) {
    std::string command = ShellQuote(ServerBinary().string());
    for (const std::string& arg : args) {
        command += " " + ShellQuote(arg);
    }
    const CommandResult result = RunCommand(command, "", 30);
    *exitCode = result.exitCode;
    return result.output;
}

TEST(ServerProcess, ListensOnceCountsRequestsAndStopsOnSignals) {
    for (const int signal : {SIGTERM, SIGINT}) {
        ServerProcess server(SampleServerArgs());
        ASSERT_TRUE(server.Start()) << server.Error();
        {
            RawClient client;
            ASSERT_TRUE(client.Connect(server.Port()));
            ASSERT_TRUE(client.Login());
            EXPECT_FALSE(client.Query("select db_name()").empty());
            RawClient idle;  // still connected when the signal comes
            ASSERT_TRUE(idle.Connect(server.Port()));
            std::string stderrText;
            EXPECT_EQ(server.Stop(&stderrText, signal), 0);
            EXPECT_TRUE(idle.ClosedByServer());
            EXPECT_EQ(server.Stdout(),
                      "listening on 127.0.0.1:" + std::to_string(server.Port()) + "\n");
            EXPECT_NE(
                stderrText.find(
                    "requests: prelogin 1, login 1, batch 1, rpc 0, attention 0, transaction 0"),
                std::string::npos)
                << stderrText;
        }
    }
}

TEST(ServerProcess, BadCommandLinesExitWithOneLine) {
    TempDir dir;
    const std::string broken = dir.Write("broken.sql", "CREATE TABLE t (a int\nGO\n").string();
    const struct {
        std::vector<std::string> args;
        const char* mentions;
    } cases[] = {
        {{"--port", "x", "--database", "A"}, "--port"},
        {{"--frobnicate"}, "--frobnicate"},
        {{"--database", "A", "--script", "/nonexistent/orders.sql"}, "/nonexistent/orders.sql"},
        {{"--database", "A", "--script", broken}, "broken.sql:"},
    };
    for (const auto& c : cases) {
        int exitCode = 0;
        const std::string output = RunServer(c.args, &exitCode);
        EXPECT_EQ(exitCode, 2) << output;
        EXPECT_EQ(Lines(output), 1u) << output;
        EXPECT_NE(output.find(c.mentions), std::string::npos) << output;
    }
}

TEST(ServerProcess, LogsOneLinePerRequest) {
    TempDir dir;
    const std::string log = (dir.path() / "requests.log").string();
    ServerProcess server(SampleServerArgs({"--log", log}));
    ASSERT_TRUE(server.Start()) << server.Error();
    RawClient client;
    ASSERT_TRUE(client.Connect(server.Port()));
    ASSERT_TRUE(client.Login());
    client.Query("select name\nfrom sysobjects where name = 'Orders'");
    client.Close();
    server.Stop();
    std::ifstream in(log);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    ASSERT_GE(lines.size(), 3u);
    EXPECT_TRUE(lines[0].starts_with("prelogin\t"));
    EXPECT_TRUE(lines[1].starts_with("login\tdemo@Orders\t0\t"));
    EXPECT_TRUE(
        lines[2].starts_with("batch\tselect name\\nfrom sysobjects where name = 'Orders'\t1\t"))
        << lines[2];
}

TEST(ServerProcess, LatencyDelaysAnswersAndAttentionCancelsThem) {
    ServerProcess server(SampleServerArgs({"--latency-ms", "300"}));
    ASSERT_TRUE(server.Start()) << server.Error();
    RawClient client;
    ASSERT_TRUE(client.Connect(server.Port()));
    ASSERT_TRUE(client.Login());

    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(TokenNames(client.Query("select db_name()")), "COLMETADATA ROW DONE");
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(300));

    // Cancelled while the answer waits: the answer is cut to a DONE, then the acknowledgement
    // follows as a message of its own.
    ASSERT_TRUE(client.Send(Packets(0x01, BatchPayload("select db_name()"))));
    ASSERT_TRUE(client.Send(Hex("06 01 00 08 00 00 01 00")));
    std::string error;
    const auto cut = client.ReadMessage();
    ASSERT_TRUE(cut);
    const auto cutTokens = DecodeTokens(*cut, &error);
    ASSERT_EQ(TokenNames(cutTokens), "DONE");
    EXPECT_EQ(cutTokens[0].status, 0x0000);
    const auto ack = client.ReadMessage();
    ASSERT_TRUE(ack);
    const auto tokens = DecodeTokens(*ack, &error);
    ASSERT_EQ(TokenNames(tokens), "DONE");
    EXPECT_EQ(tokens[0].status, 0x0020);
    EXPECT_EQ(TokenNames(client.Query("select db_name()")), "COLMETADATA ROW DONE");
}

TEST(ServerProcess, ServesSeveralClientsAtOnce) {
    ServerProcess server(SampleServerArgs());
    ASSERT_TRUE(server.Start()) << server.Error();
    std::atomic<int> answered{0};
    std::vector<std::thread> clients;
    for (int i = 0; i < 8; ++i) {
        clients.emplace_back([&] {
            RawClient client;
            if (!client.Connect(server.Port()) || !client.Login()) {
                return;
            }
            for (int q = 0; q < 25; ++q) {
                const auto tokens = client.Query("select db_name()");
                if (tokens.size() == 3 && tokens[1].values[0] == "Orders") {
                    ++answered;
                }
            }
        });
    }
    for (std::thread& t : clients) {
        t.join();
    }
    EXPECT_EQ(answered.load(), 8 * 25);
}

// Each misbehaving client is dropped; a client logged in meanwhile keeps working.
TEST(ServerProcess, DropsMisbehavingClientsWithoutDisturbingOthers) {
    ServerProcess server(SampleServerArgs());
    ASSERT_TRUE(server.Start()) << server.Error();
    RawClient good;
    ASSERT_TRUE(good.Connect(server.Port()));
    ASSERT_TRUE(good.Login());

    Bytes oversized = Packets(0x01, BatchPayload(std::string(3000, 'x')), 8192);
    const struct {
        const char* name;
        bool login;
        Bytes bytes;
        bool expectClose;
    } cases[] = {
        {"text instead of TDS", false, Bytes{'G', 'E', 'T', ' ', '/', '\r', '\n', '\r', '\n'},
         true},
        {"TLS handshake", false, Hex("16 03 01 00 a5 01 00 00 a1 03 03 00 00 00 00"), true},
        {"header claims more than 32767 bytes", false, Hex("12 01 ff ff 00 00 01 00"), true},
        {"packet above the negotiated size", true, oversized, true},
        {"unknown packet type after login", true, Hex("2a 01 00 09 00 00 01 00 00"), true},
        {"half a packet, then gone", true, Hex("01 01 00 40 00 00 01 00 16 00"), false},
    };
    for (const auto& c : cases) {
        RawClient bad;
        ASSERT_TRUE(bad.Connect(server.Port())) << c.name;
        if (c.login) {
            ASSERT_TRUE(bad.Login()) << c.name;
        }
        bad.Send(c.bytes);
        if (c.expectClose) {
            EXPECT_TRUE(bad.ClosedByServer()) << c.name;
        }
        bad.Close();
        const auto tokens = good.Query("select db_name()");
        ASSERT_EQ(TokenNames(tokens), "COLMETADATA ROW DONE") << c.name;
        EXPECT_EQ(tokens[1].values[0], "Orders");
    }
    EXPECT_TRUE(server.Running());
    RawClient late;
    ASSERT_TRUE(late.Connect(server.Port()));
    EXPECT_TRUE(late.Login());
}

}  // namespace
}  // namespace catalog_server::testing
