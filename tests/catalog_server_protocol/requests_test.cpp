// Parsing what clients send: PRELOGIN, LOGIN7 (offsets, password scrambling, old layouts,
// hostile offsets) and RPC parameters of every type the clients use.

#include <gtest/gtest.h>

#include "tds/login.h"
#include "tds/requests.h"
#include "tds_test_client.h"

namespace catalog_server::tds {
namespace {

using testing::Hex;

TEST(PreLogin, ReadsEncryptionAndRejectsBrokenTables) {
    std::string error;
    const auto request = ParsePreLogin(testing::PreLoginPayload(encryption::kRequired), &error);
    ASSERT_TRUE(request);
    EXPECT_EQ(request->encryption, encryption::kRequired);
    for (const char* broken : {"", "01 0020 0001", "01 ffff 0001 ff", "00 0006 0fff ff 00"}) {
        EXPECT_FALSE(ParsePreLogin(Hex(broken), &error)) << broken;
    }
}

TEST(Login7, ReadsFieldsAndPassword) {
    testing::LoginFields fields;
    fields.user = "demo";
    fields.password = "p\xC3\xA4ss:w0rd";
    fields.database = "Orders";
    fields.packetSize = 8192;
    std::string error;
    const auto login = ParseLogin7(testing::Login7Payload(fields), &error);
    ASSERT_TRUE(login) << error;
    EXPECT_EQ(login->userName, "demo");
    EXPECT_EQ(login->password, "p\xC3\xA4ss:w0rd");
    EXPECT_EQ(login->database, "Orders");
    EXPECT_EQ(login->appName, "TSQL");
    EXPECT_EQ(login->language, "us_english");
    EXPECT_EQ(login->packetSize, 8192u);
    EXPECT_EQ(login->tdsVersion, 0x74000004u);
    EXPECT_FALSE(login->integratedSecurity);
}

TEST(Login7, ReadsTheShorterTds71Layout) {
    testing::LoginFields fields;
    fields.tdsVersion = 0x71000001;
    fields.database = "Second";
    std::string error;
    const auto login = ParseLogin7(testing::Login7Payload(fields), &error);
    ASSERT_TRUE(login) << error;
    EXPECT_EQ(login->database, "Second");
    EXPECT_EQ(login->password, "demo");
}

TEST(Login7, DetectsIntegratedSecurity) {
    testing::LoginFields fields;
    fields.optionFlags2 = 0x83;
    std::string error;
    const auto login = ParseLogin7(testing::Login7Payload(fields), &error);
    ASSERT_TRUE(login);
    EXPECT_TRUE(login->integratedSecurity);
}

TEST(Login7, RejectsFieldsOutsideTheMessage) {
    const Bytes good = testing::Login7Payload({});
    struct Case {
        const char* name;
        std::size_t at;
        std::vector<std::uint8_t> bytes;
    };
    const std::vector<Case> cases = {
        {"user offset past the end", 40, {0xF0, 0xFF}},
        {"user length past the end", 42, {0xFF, 0x7F}},
        {"declared length larger than the message", 0, {0xFF, 0xFF, 0x00, 0x00}},
        {"declared length smaller than the fixed part", 0, {0x10, 0x00, 0x00, 0x00}},
    };
    for (const Case& c : cases) {
        Bytes bad = good;
        std::copy(c.bytes.begin(), c.bytes.end(), bad.begin() + static_cast<std::ptrdiff_t>(c.at));
        std::string error;
        EXPECT_FALSE(ParseLogin7(bad, &error)) << c.name;
    }
    std::string error;
    EXPECT_FALSE(ParseLogin7(Bytes(good.begin(), good.begin() + 60), &error));
}

std::string Describe(const Value& v) {
    if (std::holds_alternative<std::monostate>(v)) {
        return "NULL";
    }
    if (const auto* n = std::get_if<std::int64_t>(&v)) {
        return "int " + std::to_string(*n);
    }
    return "text " + std::get<std::string>(v);
}

// One parameter per row: its wire bytes (type information and value) and what it decodes to.
TEST(RpcParameters, DecodeEveryTypeTheClientsSend) {
    const std::string longText(5000, 'x');
    const struct {
        const char* name;
        Bytes wire;
        std::string expected;
    } cases[] = {
        {"nvarchar",
         testing::NVarChar("",
                           "Gr\xC3\xBC\xC3\x9F"
                           "e")
             .typeAndValue,
         "text Gr\xC3\xBC\xC3\x9F"
         "e"},
        {"nvarchar empty", testing::NVarChar("", "").typeAndValue, "text "},
        {"nvarchar NULL", testing::NVarChar("", std::nullopt).typeAndValue, "NULL"},
        {"nvarchar(max) in chunks", testing::NVarCharMax("", longText, 999).typeAndValue,
         "text " + longText},
        {"nvarchar(max) NULL", testing::NVarCharMax("", std::nullopt, 10).typeAndValue, "NULL"},
        {"varchar CP1252", testing::VarChar("", Hex("80 e9")).typeAndValue,
         "text \xE2\x82\xAC\xC3\xA9"},
        {"varchar UTF-8 collation", testing::VarChar("", Hex("c3 a9"), true).typeAndValue,
         "text \xC3\xA9"},
        {"ntext", testing::NText("", "select 1").typeAndValue, "text select 1"},
        {"ntext NULL", testing::NText("", std::nullopt).typeAndValue, "NULL"},
        {"intn 1", testing::IntN("", 200, 1).typeAndValue, "int 200"},
        {"intn 2", testing::IntN("", -3, 2).typeAndValue, "int -3"},
        {"intn 4", testing::IntN("", -70000, 4).typeAndValue, "int -70000"},
        {"intn 8", testing::IntN("", -5000000000, 8).typeAndValue, "int -5000000000"},
        {"intn NULL", testing::IntN("", std::nullopt).typeAndValue, "NULL"},
        {"bitn", testing::BitN("", true).typeAndValue, "int 1"},
        {"bitn NULL", testing::BitN("", std::nullopt).typeAndValue, "NULL"},
        {"int4", Hex("38 f6 ff ff ff"), "int -10"},
        {"int1", Hex("30 ff"), "int 255"},
        {"bit", Hex("32 02"), "int 1"},
        {"null type", Hex("1f"), "NULL"},
        {"float 8", Hex("6d 08 08 00 00 00 00 00 00 f8 3f"), "text 1.5"},
        {"decimal(5,2) -123.45", Hex("6a 11 05 02 05 00 39 30 00 00"), "text -123.45"},
        {"numeric(10,0) 42", Hex("6c 11 0a 00 05 01 2a 00 00 00"), "int 42"},
        {"guid", Hex("24 10 10 33 22 11 00 55 44 77 66 88 99 aa bb cc dd ee ff"),
         "text 00112233-4455-6677-8899-AABBCCDDEEFF"},
        {"datetime", Hex("6f 08 08 00 00 00 00 2c 01 00 00"), "text 1900-01-01 00:00:01.000"},
        {"date", Hex("28 03 80 46 0b"), "text 2024-02-29"},
        {"datetime2(3)", Hex("2a 03 07 e8 03 00 00 80 46 0b"), "text 2024-02-29 00:00:01.000"},
        {"money", Hex("6e 08 08 00 00 00 00 10 27 00 00"), "text 1.0000"},
    };
    for (const auto& c : cases) {
        Bytes body = testing::RpcCallBody(std::string("p"), {});
        body.push_back(0);  // unnamed
        body.push_back(0);  // status
        body.insert(body.end(), c.wire.begin(), c.wire.end());
        Bytes payload = testing::AllHeaders();
        payload.insert(payload.end(), body.begin(), body.end());
        auto parsed = ParseRpc(payload);
        ASSERT_TRUE(std::holds_alternative<std::vector<RpcCall>>(parsed)) << c.name;
        const auto& calls = std::get<std::vector<RpcCall>>(parsed);
        ASSERT_EQ(calls.size(), 1u);
        ASSERT_EQ(calls[0].parameters.size(), 1u) << c.name;
        EXPECT_EQ(Describe(calls[0].parameters[0].value), c.expected) << c.name;
        EXPECT_EQ(calls[0].parameters[0].wire, c.wire) << c.name;
    }
}

TEST(RpcParameters, UnknownTypeIsARequestErrorAndTruncationAProtocolError) {
    Bytes payload = testing::RpcPayload(std::string("p"), {});
    const Bytes xml = Hex("00 00 f1 00");
    Bytes withXml = payload;
    withXml.insert(withXml.end(), xml.begin(), xml.end());
    const auto unknown = ParseRpc(withXml);
    ASSERT_TRUE(std::holds_alternative<RequestError>(unknown));
    EXPECT_EQ(std::get<RequestError>(unknown).error.number, 8009);

    Bytes truncated = testing::RpcPayload(std::string("p"), {testing::NVarChar("@a", "hello")});
    truncated.resize(truncated.size() - 3);
    EXPECT_TRUE(std::holds_alternative<ProtocolError>(ParseRpc(truncated)));

    Bytes badHeaders = testing::RpcPayload(std::string("p"), {});
    badHeaders[0] = 0xFF;  // ALL_HEADERS longer than the message
    EXPECT_TRUE(std::holds_alternative<ProtocolError>(ParseRpc(badHeaders)));
}

TEST(RpcCalls, ByIdByNameAndBatched) {
    Bytes payload = testing::RpcPayload(std::uint16_t{10}, {testing::NVarChar("@statement", "x")});
    payload.push_back(0x80);
    const Bytes second = testing::RpcCallBody(std::string("[Orders]..sp_tables"),
                                              {testing::NVarChar("@table_name", "T%")});
    payload.insert(payload.end(), second.begin(), second.end());
    const auto parsed = ParseRpc(payload);
    ASSERT_TRUE(std::holds_alternative<std::vector<RpcCall>>(parsed));
    const auto& calls = std::get<std::vector<RpcCall>>(parsed);
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(ProcedureName(calls[0]), "sp_executesql");
    EXPECT_EQ(calls[0].parameters[0].name, "@statement");
    EXPECT_EQ(ProcedureName(calls[1]), "[Orders]..sp_tables");
    EXPECT_EQ(calls[1].parameters[0].name, "@table_name");
}

}  // namespace
}  // namespace catalog_server::tds
