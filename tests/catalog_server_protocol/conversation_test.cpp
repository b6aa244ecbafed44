// The protocol conversation of one connection, driven message by message against an in-memory
// engine: login outcomes, batches with several results, each RPC form the clients use,
// attention, reset and transactions. Responses are decoded by the independent test client.

#include <gtest/gtest.h>

#include "fake_catalog.h"
#include "tds/conversation.h"
#include "tds_test_client.h"

namespace catalog_server::tds {
namespace {

using testing::FakeCatalog;
using testing::Token;
using testing::TokenNames;

constexpr std::uint16_t kSpid = 51;

class ConversationTest : public ::testing::Test {
protected:
    ConversationTest() {
        config_.logins = {{"demo", "demo"}, {"second", "s3cret"}};
        catalog_.batches["select 1"] = {
            testing::Rows({{"", ColumnType::Int, 0, false}}, {{std::int64_t{1}}})};
    }

    Reply Send(PacketType type, const Bytes& payload, std::uint8_t status = 0,
               bool ignore = false) {
        return conversation_.Handle(Message{type, status, ignore, payload});
    }

    // Sends a request and decodes the single response message.
    std::vector<Token> Exchange(PacketType type, const Bytes& payload, std::uint8_t status = 0) {
        const Reply reply = Send(type, payload, status);
        EXPECT_EQ(reply.dropReason, "");
        return Decode(reply);
    }

    std::vector<Token> Decode(const Reply& reply) {
        std::string error;
        const auto messages = testing::ResponseMessages(
            reply.packets, conversation_.LoggedIn() ? packetSize_ : 4096, kSpid, &error);
        EXPECT_EQ(error, "");
        EXPECT_EQ(messages.size(), 1u);
        if (messages.size() != 1) {
            return {};
        }
        const auto tokens = testing::DecodeTokens(messages[0], &error);
        EXPECT_EQ(error, "");
        return tokens;
    }

    std::vector<Token> Login(testing::LoginFields fields) {
        packetSize_ =
            fields.packetSize >= 512 && fields.packetSize <= 32767 ? fields.packetSize : 4096;
        EXPECT_EQ(Send(PacketType::PreLogin, testing::PreLoginPayload(0)).dropReason, "");
        return Exchange(PacketType::Login7, testing::Login7Payload(fields));
    }

    void LoginOk() { ASSERT_TRUE(!Login({}).empty() && conversation_.LoggedIn()); }

    std::vector<Token> Batch(std::string_view sql, std::uint8_t status = 0) {
        return Exchange(PacketType::SqlBatch, testing::BatchPayload(sql), status);
    }

    std::vector<Token> Rpc(std::variant<std::uint16_t, std::string> procedure,
                           const std::vector<testing::RpcParam>& params) {
        return Exchange(PacketType::Rpc, testing::RpcPayload(std::move(procedure), params));
    }

    FakeCatalog catalog_;
    ConversationConfig config_;
    Conversation conversation_{catalog_, config_, kSpid};
    std::size_t packetSize_ = 4096;
};

TEST_F(ConversationTest, SuccessfulLoginSendsWhatClientsExpect) {
    const auto tokens = Login({});
    ASSERT_EQ(TokenNames(tokens),
              "ENVCHANGE INFO ENVCHANGE ENVCHANGE INFO LOGINACK ENVCHANGE DONE");
    EXPECT_EQ(tokens[0].envType, 1);
    EXPECT_EQ(tokens[0].newValue, "Orders");
    EXPECT_EQ(tokens[0].oldValue, "master");
    EXPECT_EQ(tokens[1].number, 5701);
    EXPECT_EQ(tokens[1].message, "Changed database context to 'Orders'.");
    EXPECT_EQ(tokens[2].envType, 7);
    EXPECT_EQ(tokens[2].newValue, "09 04 d0 00 34");
    EXPECT_EQ(tokens[3].newValue, "us_english");
    EXPECT_EQ(tokens[4].number, 5703);
    EXPECT_EQ(tokens[5].state, 1);  // interface
    EXPECT_EQ(tokens[5].tdsVersion, 0x74000004u);
    EXPECT_EQ(tokens[6].envType, 4);
    EXPECT_EQ(tokens[6].newValue, "4096");
    EXPECT_EQ(tokens[7].status, 0);
}

struct LoginCase {
    const char* name;
    testing::LoginFields fields;
    std::vector<std::int32_t> errors;  // empty: login succeeds
    std::string database;              // on success
};

TEST_F(ConversationTest, LoginOutcomes) {
    const auto fields = [](std::string user, std::string password, std::string database) {
        testing::LoginFields f;
        f.user = std::move(user);
        f.password = std::move(password);
        f.database = std::move(database);
        return f;
    };
    testing::LoginFields integrated = fields("demo", "demo", "");
    integrated.optionFlags2 = 0x83;
    const std::vector<LoginCase> cases = {
        {"user name in any case, database in any case",
         fields("DEMO", "demo", "second"),
         {},
         "Second"},
        {"another login", fields("second", "s3cret", "Orders"), {}, "Orders"},
        {"password is case-sensitive", fields("demo", "DEMO", ""), {18456}, ""},
        {"unknown user", fields("nobody", "demo", ""), {18456}, ""},
        {"empty password", fields("demo", "", ""), {18456}, ""},
        {"unknown database", fields("demo", "demo", "Nope"), {4060, 18456}, ""},
        {"integrated security", integrated, {18452}, ""},
    };
    for (const LoginCase& c : cases) {
        Conversation conversation(catalog_, config_, kSpid);
        conversation.Handle(Message{PacketType::PreLogin, 0, false, testing::PreLoginPayload(0)});
        const Reply reply = conversation.Handle(
            Message{PacketType::Login7, 0, false, testing::Login7Payload(c.fields)});
        std::string error;
        const auto messages = testing::ResponseMessages(reply.packets, 4096, kSpid, &error);
        ASSERT_EQ(messages.size(), 1u) << c.name;
        const auto tokens = testing::DecodeTokens(messages[0], &error);
        ASSERT_EQ(error, "") << c.name;
        std::vector<std::int32_t> errors;
        for (const Token& t : tokens) {
            if (t.type == 0xAA) {
                errors.push_back(t.number);
                if (t.number == 18456) {
                    EXPECT_EQ(t.message, "Login failed for user '" + c.fields.user + "'.");
                    EXPECT_EQ(t.severity, 14);
                }
            }
        }
        EXPECT_EQ(errors, c.errors) << c.name;
        EXPECT_EQ(reply.close, !c.errors.empty()) << c.name;
        EXPECT_EQ(conversation.LoggedIn(), c.errors.empty()) << c.name;
        if (c.errors.empty()) {
            EXPECT_EQ(tokens[0].newValue, c.database) << c.name;
        } else {
            EXPECT_EQ(tokens.back().type, 0xFD) << c.name;
            EXPECT_EQ(tokens.back().status, 0x0002) << c.name;
            EXPECT_EQ(TokenNames(tokens).find("LOGINACK"), std::string::npos) << c.name;
        }
    }
}

TEST_F(ConversationTest, NegotiatesVersionAndPacketSize) {
    const struct {
        std::uint32_t clientVersion;
        std::uint32_t packetSize;
        std::uint32_t ackVersion;
        const char* packetText;
    } cases[] = {
        {0x74000004, 8192, 0x74000004, "8192"},   {0x730B0003, 512, 0x730B0003, "512"},
        {0x72090002, 32767, 0x72090002, "32767"}, {0x71000001, 4096, 0x72090002, "4096"},
        {0x74000004, 100, 0x74000004, "4096"},    {0x74000004, 40000, 0x74000004, "4096"},
    };
    for (const auto& c : cases) {
        Conversation conversation(catalog_, config_, kSpid);
        testing::LoginFields fields;
        fields.tdsVersion = c.clientVersion;
        fields.packetSize = c.packetSize;
        const Reply reply = conversation.Handle(
            Message{PacketType::Login7, 0, false, testing::Login7Payload(fields)});
        std::string error;
        const auto messages = testing::ResponseMessages(reply.packets, 4096, kSpid, &error);
        ASSERT_EQ(messages.size(), 1u);
        const auto tokens = testing::DecodeTokens(messages[0], &error);
        ASSERT_EQ(tokens.size(), 8u);
        EXPECT_EQ(tokens[5].tdsVersion, c.ackVersion) << std::hex << c.clientVersion;
        EXPECT_EQ(tokens[6].newValue, c.packetText) << c.packetSize;
    }
}

TEST_F(ConversationTest, DropsClientsThatBreakTheLoginSequence) {
    const struct {
        const char* name;
        std::vector<std::pair<PacketType, Bytes>> messages;
    } cases[] = {
        {"batch before login", {{PacketType::SqlBatch, testing::BatchPayload("select 1")}}},
        {"second prelogin (a TLS handshake)",
         {{PacketType::PreLogin, testing::PreLoginPayload(0)},
          {PacketType::PreLogin, testing::Hex("16 03 01 00 a5 01 00 00 a1 03 03")}}},
        {"TDS 5.0 login", {{PacketType::PreTds7Login, Bytes(512, 0)}}},
        {"garbage login", {{PacketType::Login7, testing::Hex("01 02 03")}}},
    };
    for (const auto& c : cases) {
        Conversation conversation(catalog_, config_, kSpid);
        Reply reply;
        for (const auto& [type, payload] : c.messages) {
            reply = conversation.Handle(Message{type, 0, false, payload});
        }
        EXPECT_TRUE(reply.close) << c.name;
        EXPECT_FALSE(reply.dropReason.empty()) << c.name;
        EXPECT_TRUE(reply.packets.empty()) << c.name;
    }
}

TEST_F(ConversationTest, BatchResultsEachEndWithTheirOwnDone) {
    LoginOk();
    StatementResult info;
    info.error = SqlError{50000, 1, 10, 1, "just saying"};
    catalog_.batches["several"] = {
        testing::Rows({{"name", ColumnType::NVarChar, 128, true}}, {{std::string("a")}}),
        testing::Count(3), info, testing::Failure(208, 16, "Invalid object name 'x'."),
        StatementResult{}};
    const auto tokens = Batch("several");
    ASSERT_EQ(TokenNames(tokens), "COLMETADATA ROW DONE DONE INFO DONE ERROR DONE DONE");
    EXPECT_EQ(tokens[2].status, 0x0011);
    EXPECT_EQ(tokens[2].rowCount, 1u);
    EXPECT_EQ(tokens[3].status, 0x0011);
    EXPECT_EQ(tokens[3].rowCount, 3u);
    EXPECT_EQ(tokens[5].status, 0x0001);
    EXPECT_EQ(tokens[6].number, 208);
    EXPECT_EQ(tokens[6].severity, 16);
    EXPECT_EQ(tokens[6].line, 1);
    EXPECT_EQ(tokens[7].status, 0x0003);
    EXPECT_EQ(tokens[8].status, 0x0000);
    EXPECT_EQ(catalog_.calls->batches.back(), "several");
}

TEST_F(ConversationTest, BatchEdgeCases) {
    LoginOk();
    catalog_.batches["nothing"] = {};
    EXPECT_EQ(TokenNames(Batch("nothing")), "DONE");

    const auto fault = Batch("throw");  // the engine throws: an error, the connection lives on
    ASSERT_EQ(TokenNames(fault), "ERROR DONE");
    EXPECT_EQ(fault[0].number, 8630);
    EXPECT_EQ(fault[1].status, 0x0002);
    EXPECT_EQ(TokenNames(Batch("select 1")), "COLMETADATA ROW DONE");

    const auto use = Batch("use second");
    ASSERT_EQ(TokenNames(use), "ENVCHANGE INFO DONE");
    EXPECT_EQ(use[0].newValue, "Second");
    EXPECT_EQ(use[0].oldValue, "Orders");
    EXPECT_EQ(use[1].message, "Changed database context to 'Second'.");

    // Two messages of one statement end with one DONE, as SQL Server reports an unclosed quote.
    StatementResult quote = testing::Failure(102, 15, "Incorrect syntax near 'Neil'.");
    quote.moreErrors.push_back(SqlError{105, 1, 15, 1, "Unclosed quotation mark."});
    catalog_.batches["O'Neil"] = {quote};
    const auto unclosed = Batch("O'Neil");
    ASSERT_EQ(TokenNames(unclosed), "ERROR ERROR DONE");
    EXPECT_EQ(unclosed[1].number, 105);
    EXPECT_EQ(unclosed[2].status, 0x0002);

    const std::string text = "select N'\xF0\x9F\x98\x80 \xC3\xA9'";
    Batch(text);
    EXPECT_EQ(catalog_.calls->batches.back(), text);
}

TEST_F(ConversationTest, LargeResultsAndRequestsUseTheNegotiatedPacketSize) {
    testing::LoginFields fields;
    fields.packetSize = 512;
    Login(fields);
    std::vector<std::vector<Value>> rows;
    for (int i = 0; i < 300; ++i) {
        rows.push_back({std::int64_t{i}, std::string(50, static_cast<char>('a' + i % 26))});
    }
    catalog_.batches["big"] = {testing::Rows(
        {{"id", ColumnType::Int, 0, false}, {"text", ColumnType::NVarChar, 100, true}}, rows)};
    const Reply reply = Send(PacketType::SqlBatch, testing::BatchPayload("big"));
    EXPECT_GT(reply.packets.size(), 300u * 100);
    const auto tokens =
        Decode(reply);  // checks every packet is at most 512 bytes, all but last full
    ASSERT_EQ(tokens.size(), 302u);
    EXPECT_EQ(tokens[300].values[1], std::string(50, 'a' + 299 % 26));
    EXPECT_EQ(tokens.back().rowCount, 300u);
    EXPECT_EQ(reply.rows, 300);
    EXPECT_EQ(conversation_.PacketSize(), 512u);
}

TEST_F(ConversationTest, ExecuteSqlAsTediousSendsIt) {
    LoginOk();
    catalog_.batches["select @a, @b"] = {
        testing::Rows({{"a", ColumnType::NVarChar, 5, true}, {"b", ColumnType::Int, 0, true}},
                      {{std::string("x"), std::int64_t{5}}})};
    const auto tokens =
        Rpc(std::uint16_t{10}, {testing::NVarChar("@statement", "select @a, @b"),
                                testing::NVarChar("@params", "@a nvarchar(5), @B int"),
                                testing::NVarChar("@a", "x"), testing::IntN("@B", 5)});
    ASSERT_EQ(TokenNames(tokens), "COLMETADATA ROW DONEINPROC RETURNSTATUS DONEPROC");
    EXPECT_EQ(tokens[2].status, 0x0011);
    EXPECT_EQ(tokens[2].rowCount, 1u);
    EXPECT_EQ(tokens[3].returnValue, 0);
    EXPECT_EQ(tokens[4].status, 0x0000);  // the count is not repeated on DONEPROC
    EXPECT_EQ(tokens[4].rowCount, 0u);
    const Parameters expected = {{"@a", std::string("x")}, {"@b", std::int64_t{5}}};
    EXPECT_EQ(catalog_.calls->batchParameters.back(), expected);
}

TEST_F(ConversationTest, ExecuteSqlAsFreeTdsSendsIt) {
    LoginOk();
    catalog_.batches["select @P1, @P2"] = {
        testing::Rows({{"a", ColumnType::NVarChar, 5, true}}, {{std::string("y")}})};
    const auto tokens =
        Rpc(std::uint16_t{10}, {testing::NText("", "select @P1, @P2"),
                                testing::NText("", "@P1 decimal(10,2),@P2 nvarchar(4000)"),
                                testing::IntN("", 7), testing::NVarChar("", std::nullopt)});
    ASSERT_EQ(TokenNames(tokens), "COLMETADATA ROW DONEINPROC RETURNSTATUS DONEPROC");
    const Parameters expected = {{"@p1", std::int64_t{7}}, {"@p2", Value{}}};
    EXPECT_EQ(catalog_.calls->batchParameters.back(), expected);
}

TEST_F(ConversationTest, ExecuteSqlArgumentErrors) {
    LoginOk();
    const struct {
        const char* name;
        std::vector<testing::RpcParam> params;
        std::int32_t error;
    } cases[] = {
        {"no statement", {}, 214},
        {"declared parameter missing",
         {testing::NVarChar("", "select 1"), testing::NVarChar("", "@P1 int")},
         8178},
        {"more values than declared",
         {testing::NVarChar("", "select 1"), testing::NVarChar("", "@P1 int"), testing::IntN("", 1),
          testing::IntN("", 2)},
         8144},
    };
    for (const auto& c : cases) {
        const auto tokens = Rpc(std::uint16_t{10}, c.params);
        ASSERT_EQ(TokenNames(tokens), "ERROR DONEINPROC RETURNSTATUS DONEPROC") << c.name;
        EXPECT_EQ(tokens[0].number, c.error) << c.name;
        EXPECT_EQ(tokens[1].status, 0x0003) << c.name;
        EXPECT_EQ(tokens[2].returnValue, c.error) << c.name;
        EXPECT_EQ(tokens[3].status, 0x0002) << c.name;
    }
    EXPECT_EQ(TokenNames(Batch("select 1")), "COLMETADATA ROW DONE");
}

// unixODBC isql prepares every statement: sp_prepexec, then sp_execute by name, then sp_unprepare.
TEST_F(ConversationTest, PreparedStatementLifecycle) {
    LoginOk();
    catalog_.batches["select @P1"] = {
        testing::Rows({{"v", ColumnType::Int, 0, true}}, {{std::int64_t{1}}})};
    auto handleParam = testing::IntN("", std::nullopt, 4, true);
    const auto prepexec =
        Rpc(std::uint16_t{13}, {handleParam, testing::NText("", "@P1 int"),
                                testing::NText("", "select @P1"), testing::IntN("", 41)});
    ASSERT_EQ(TokenNames(prepexec), "COLMETADATA ROW DONEINPROC RETURNSTATUS RETURNVALUE DONEPROC");
    EXPECT_EQ(prepexec[4].message, "@handle");
    EXPECT_EQ(prepexec[4].status, 0x01);
    const std::int64_t handle = prepexec[4].returnValue;
    EXPECT_EQ(catalog_.calls->batchParameters.back().at("@p1"), Value{std::int64_t{41}});

    const auto execute =
        Rpc(std::string("sp_execute"), {testing::IntN("", handle), testing::IntN("", 42)});
    ASSERT_EQ(TokenNames(execute), "COLMETADATA ROW DONEINPROC RETURNSTATUS DONEPROC");
    EXPECT_EQ(catalog_.calls->batchParameters.back().at("@p1"), Value{std::int64_t{42}});

    EXPECT_EQ(TokenNames(Rpc(std::uint16_t{15}, {testing::IntN("", handle)})),
              "RETURNSTATUS DONEPROC");
    const auto gone = Rpc(std::uint16_t{12}, {testing::IntN("", handle), testing::IntN("", 1)});
    ASSERT_EQ(TokenNames(gone), "ERROR DONEINPROC RETURNSTATUS DONEPROC");
    EXPECT_EQ(gone[0].number, 8179);
}

TEST_F(ConversationTest, PrepareWithMetadataDescribesColumnsWithoutRows) {
    LoginOk();
    catalog_.batches["select @P1"] = {
        testing::Rows({{"v", ColumnType::Int, 0, true}}, {{std::int64_t{1}}})};
    const auto tokens = Rpc(
        std::uint16_t{11}, {testing::IntN("", std::nullopt, 4, true), testing::NText("", "@P1 int"),
                            testing::NText("", "select @P1"), testing::IntN("", 1)});
    ASSERT_EQ(TokenNames(tokens), "COLMETADATA RETURNSTATUS RETURNVALUE DONEPROC");
    EXPECT_EQ(tokens[0].columns[0].name, "v");
    EXPECT_EQ(catalog_.calls->batchParameters.back().at("@p1"), Value{});
}

TEST_F(ConversationTest, CatalogProcedures) {
    LoginOk();
    catalog_.procedures["sp_tables"] = {
        testing::Rows({{"TABLE_NAME", ColumnType::NVarChar, 128, false}}, {{std::string("t")}})};
    const auto plain = Rpc(std::string("sp_tables"), {});
    ASSERT_EQ(TokenNames(plain), "COLMETADATA ROW DONEINPROC RETURNSTATUS DONEPROC");
    EXPECT_EQ(plain[2].status, 0x0011);
    EXPECT_EQ(catalog_.calls->procedures.back(), "sp_tables");

    // FreeTDS names the catalog in the procedure name; it runs there, then the session returns.
    Rpc(std::string("[Second]..sp_tables"),
        {testing::NVarChar("@table_name", "T%"), testing::NVarChar("@table_type", "'TABLE'")});
    EXPECT_EQ(catalog_.calls->procedures.back(), "sp_tables");
    EXPECT_EQ(catalog_.calls->procedureDatabases.back(), "Second");
    const Parameters named = {{"@table_name", std::string("T%")},
                              {"@table_type", std::string("'TABLE'")}};
    EXPECT_EQ(catalog_.calls->procedureParameters.back(), named);
    EXPECT_EQ(TokenNames(Batch("select 1")), "COLMETADATA ROW DONE");
    Rpc(std::string("sp_tables"), {});
    EXPECT_EQ(catalog_.calls->procedureDatabases.back(), "Orders");

    // Unnamed arguments take the procedure's declared order.
    Rpc(std::string("sp_tables"), {testing::NVarChar("", "Ord%"), testing::NVarChar("", "dbo")});
    const Parameters positional = {{"@table_name", std::string("Ord%")},
                                   {"@table_owner", std::string("dbo")}};
    EXPECT_EQ(catalog_.calls->procedureParameters.back(), positional);

    const auto noDatabase = Rpc(std::string("[Nope]..sp_tables"), {});
    ASSERT_EQ(TokenNames(noDatabase), "ERROR DONEINPROC RETURNSTATUS DONEPROC");
    EXPECT_EQ(noDatabase[0].number, 911);

    const auto unknown = Rpc(std::string("dbo.nothing_here"), {});
    ASSERT_EQ(TokenNames(unknown), "ERROR DONEINPROC RETURNSTATUS DONEPROC");
    EXPECT_EQ(unknown[0].number, 2812);
    EXPECT_EQ(catalog_.calls->procedures.back(), "dbo.nothing_here");
}

TEST_F(ConversationTest, OutputParametersAreReturned) {
    LoginOk();
    catalog_.procedures["p"] = {StatementResult{}};
    const auto tokens =
        Rpc(std::string("p"), {testing::IntN("@in", 1), testing::IntN("@out", 9, 4, true)});
    ASSERT_EQ(TokenNames(tokens), "DONEINPROC RETURNSTATUS RETURNVALUE DONEPROC");
    EXPECT_EQ(tokens[2].message, "@out");
    EXPECT_EQ(tokens[2].number, 1);  // ordinal
    EXPECT_EQ(tokens[2].returnValue, 9);
}

TEST_F(ConversationTest, MalformedAndBatchedCalls) {
    LoginOk();
    Bytes xml = testing::RpcPayload(std::string("sp_tables"), {});
    const Bytes param = testing::Hex("00 00 f1 00");
    xml.insert(xml.end(), param.begin(), param.end());
    const auto unknownType = Exchange(PacketType::Rpc, xml);
    ASSERT_EQ(TokenNames(unknownType), "ERROR DONEPROC");
    EXPECT_EQ(unknownType[0].number, 8009);

    catalog_.procedures["sp_tables"] = {testing::Count(0)};
    Bytes two = testing::RpcPayload(std::string("sp_tables"), {});
    two.push_back(0x80);
    const Bytes second = testing::RpcCallBody(std::string("sp_tables"), {});
    two.insert(two.end(), second.begin(), second.end());
    const auto batched = Exchange(PacketType::Rpc, two);
    ASSERT_EQ(TokenNames(batched),
              "DONEINPROC RETURNSTATUS DONEPROC DONEINPROC RETURNSTATUS DONEPROC");
    EXPECT_EQ(batched[2].status & 0x0001, 0x0001);
    EXPECT_EQ(batched[5].status, 0x0000);

    Bytes truncated = testing::RpcPayload(std::string("sp_tables"), {testing::NVarChar("@a", "x")});
    truncated.pop_back();
    const Reply reply = Send(PacketType::Rpc, truncated);
    EXPECT_TRUE(reply.close);
    EXPECT_FALSE(reply.dropReason.empty());
}

TEST_F(ConversationTest, AttentionIgnoreAndUnknownTypes) {
    LoginOk();
    const auto ack = Exchange(PacketType::Attention, {});
    ASSERT_EQ(TokenNames(ack), "DONE");
    EXPECT_EQ(ack[0].status, 0x0020);

    const Reply ignored = Send(PacketType::SqlBatch, testing::BatchPayload("sel"), 0, true);
    const auto done = Decode(ignored);
    ASSERT_EQ(TokenNames(done), "DONE");
    EXPECT_EQ(done[0].status, 0x0000);
    EXPECT_TRUE(catalog_.calls->batches.empty());

    const Reply bulk = Send(PacketType::BulkLoad, Bytes(10, 0));
    EXPECT_TRUE(bulk.close);
}

TEST_F(ConversationTest, ResetConnectionRestoresTheLoginState) {
    LoginOk();
    catalog_.batches["select @P1"] = {testing::Count(0)};
    const auto prepared = Rpc(
        std::uint16_t{13}, {testing::IntN("", std::nullopt, 4, true), testing::NText("", "@P1 int"),
                            testing::NText("", "select @P1"), testing::IntN("", 1)});
    const std::int64_t handle = prepared[prepared.size() - 2].returnValue;
    Batch("use Second");
    const int sessions = catalog_.calls->sessionsOpened;

    const auto reset = Batch("select 1", 0x08);
    ASSERT_EQ(TokenNames(reset), "ENVCHANGE ENVCHANGE COLMETADATA ROW DONE");
    EXPECT_EQ(reset[0].envType, 18);
    EXPECT_EQ(reset[1].newValue, "Orders");
    EXPECT_EQ(catalog_.calls->sessionsOpened, sessions + 1);
    const auto gone = Rpc(std::uint16_t{12}, {testing::IntN("", handle), testing::IntN("", 1)});
    EXPECT_EQ(gone[0].number, 8179);
}

TEST_F(ConversationTest, TransactionManagerRequests) {
    LoginOk();
    const auto request = [&](std::uint16_t type) {
        Bytes payload = testing::AllHeaders();
        payload.push_back(static_cast<std::uint8_t>(type));
        payload.push_back(0);
        payload.push_back(0);  // isolation level / name length
        payload.push_back(0);
        return Exchange(PacketType::TransactionManager, payload);
    };
    const auto begin = request(5);
    ASSERT_EQ(TokenNames(begin), "ENVCHANGE DONE");
    EXPECT_EQ(begin[0].envType, 8);
    EXPECT_EQ(begin[0].newValue.size(), std::string("01 00 00 00 00 00 00 00").size());
    const auto commit = request(7);
    ASSERT_EQ(TokenNames(commit), "ENVCHANGE DONE");
    EXPECT_EQ(commit[0].envType, 9);
    EXPECT_EQ(commit[0].oldValue, begin[0].newValue);
    const auto again = request(7);
    ASSERT_EQ(TokenNames(again), "ERROR DONE");
    EXPECT_EQ(again[0].number, 3902);
}

}  // namespace
}  // namespace catalog_server::tds
