// Packets and tokens at byte level: the encodings below were captured from exchanges that
// FreeTDS and tedious accepted, so the writers must reproduce them exactly.

#include <gtest/gtest.h>

#include <functional>

#include "tds/login.h"
#include "tds/packet.h"
#include "tds/tokens.h"
#include "tds/wire.h"
#include "tds_test_client.h"

namespace catalog_server::tds {
namespace {

using testing::Hex;
using testing::ToHex;

struct GoldenCase {
    const char* name;
    std::function<void(TokenWriter&)> write;
    const char* hex;
};

TEST(TokenBytes, MatchCapturedEncodings) {
    const ResultSet twoColumns{
        {{"name", ColumnType::NVarChar, 50, true}, {"qty", ColumnType::Int, 0, true}},
        {{std::string("ab"), std::int64_t{3}}, {Value{}, Value{}}}};
    SqlError loginFailed;
    loginFailed.number = 18456;
    loginFailed.state = 1;
    loginFailed.severity = 14;
    loginFailed.message = "Login failed for user 'x'.";
    const std::vector<GoldenCase> cases = {
        {"database change",
         [](TokenWriter& t) { t.EnvChange(EnvChangeType::Database, "demo", "master"); },
         "e3 17 00 01 04 64 00 65 00 6d 00 6f 00 06 6d 00 61 00 73 00 74 00 65 00 72 00"},
        {"packet size",
         [](TokenWriter& t) { t.EnvChange(EnvChangeType::PacketSize, "4096", "4096"); },
         "e3 13 00 04 04 34 00 30 00 39 00 36 00 04 34 00 30 00 39 00 36 00"},
        {"collation",
         [](TokenWriter& t) { t.EnvChangeBytes(EnvChangeType::SqlCollation, kCollation, {}); },
         "e3 08 00 07 05 09 04 d0 00 34 00"},
        {"login ack",
         [](TokenWriter& t) {
             t.LoginAck("CapSrv", 0x74000004, ServerVersion{16, 0, 1000});
         },
         "ad 16 00 01 74 00 00 04 06 43 00 61 00 70 00 53 00 72 00 76 00 10 00 03 e8"},
        {"login failed", [&](TokenWriter& t) { t.Message(loginFailed, "capsrv", ""); },
         "aa 4e 00 18 48 00 00 01 0e 1a 00 4c 00 6f 00 67 00 69 00 6e 00 20 00 66 00 61 00 69 00 "
         "6c 00 65 00 64 00 20 00 66 00 6f 00 72 00 20 00 75 00 73 00 65 00 72 00 20 00 27 00 78 "
         "00 27 00 2e 00 06 63 00 61 00 70 00 73 00 72 00 76 00 00 01 00 00 00"},
        {"final done", [](TokenWriter& t) { t.Done(TokenType::Done, 0, 0, 0); },
         "fd 00 00 00 00 00 00 00 00 00 00 00 00"},
        {"attention ack",
         [](TokenWriter& t) { t.Done(TokenType::Done, done_status::kAttention, 0, 0); },
         "fd 20 00 00 00 00 00 00 00 00 00 00 00"},
        {"result set", [&](TokenWriter& t) { t.ResultSet(twoColumns); },
         "81 02 00 00 00 00 00 01 00 e7 64 00 09 04 d0 00 34 04 6e 00 61 00 6d 00 65 00 "
         "00 00 00 00 01 00 26 04 03 71 00 74 00 79 00 "
         "d1 04 00 61 00 62 00 04 03 00 00 00 d1 ff ff 00"},
        {"prepared handle", [](TokenWriter& t) { t.ReturnValue(0, "@handle", IntReturnValue(1)); },
         "ac 00 00 07 40 00 68 00 61 00 6e 00 64 00 6c 00 65 00 01 00 00 00 00 00 00 26 04 04 01 "
         "00 00 00"},
        {"return status", [](TokenWriter& t) { t.ReturnStatus(0); }, "79 00 00 00 00"},
    };
    for (const GoldenCase& c : cases) {
        Bytes out;
        TokenWriter writer(out);
        c.write(writer);
        EXPECT_EQ(ToHex(out), ToHex(Hex(c.hex))) << c.name;
    }
}

TEST(TokenBytes, PreLoginReplySaysEncryptionNotSupported) {
    EXPECT_EQ(ToHex(BuildPreLoginReply(ServerVersion{16, 0, 1000})),
              ToHex(Hex("00 001a 0006 01 0020 0001 02 0021 0001 03 0022 0000 04 0022 0001 ff "
                        "10 00 03 e8 00 00 02 00 00")));
}

// Column types: NOT NULL integers go out fixed-width, nullable ones (or any column that holds a
// NULL) as INTN/BITN; long and max nvarchar as PLP; text is cut to the declared length.
TEST(TokenBytes, ColumnTypesAndValues) {
    const ResultSet result{
        {{"ti", ColumnType::TinyInt, 0, false},
         {"si", ColumnType::SmallInt, 0, false},
         {"i", ColumnType::Int, 0, false},
         {"bi", ColumnType::BigInt, 0, false},
         {"b", ColumnType::Bit, 0, false},
         {"nb", ColumnType::Bit, 0, true},
         {"in", ColumnType::Int, 0, false},  // declared NOT NULL, yet holds a NULL
         {"short", ColumnType::NVarChar, 3, false},
         {"max", ColumnType::NVarChar, -1, true}},
        {{std::int64_t{255}, std::int64_t{-2}, std::int64_t{-70000}, std::int64_t{1} << 40,
          std::int64_t{1}, Value{}, Value{}, std::string("abcdef"),
          std::string("x\xF0\x9F\x98\x80")},
         {std::int64_t{0}, std::int64_t{0}, std::string("12"), std::int64_t{0}, std::int64_t{0},
          std::int64_t{0}, std::int64_t{7}, std::string("ab\xF0\x9F\x98\x80"), Value{}}}};
    Bytes out;
    TokenWriter(out).ResultSet(result);
    std::string error;
    const auto tokens = testing::DecodeTokens(out, &error);
    ASSERT_EQ(error, "");
    ASSERT_EQ(testing::TokenNames(tokens), "COLMETADATA ROW ROW");
    const std::vector<std::pair<std::uint8_t, std::uint16_t>> expectedTypes = {
        {0x30, 0}, {0x34, 0}, {0x38, 0}, {0x7F, 0}, {0x32, 0},
        {0x68, 1}, {0x26, 1}, {0xE7, 0}, {0xE7, 1}};
    ASSERT_EQ(tokens[0].columns.size(), expectedTypes.size());
    for (std::size_t i = 0; i < expectedTypes.size(); ++i) {
        EXPECT_EQ(tokens[0].columns[i].type, expectedTypes[i].first) << i;
        EXPECT_EQ(tokens[0].columns[i].flags, expectedTypes[i].second) << i;
    }
    EXPECT_EQ(tokens[0].columns[7].maxLength, 6u);
    EXPECT_EQ(tokens[0].columns[8].maxLength, 0xFFFFu);
    using V = std::optional<std::string>;
    EXPECT_EQ(tokens[1].values,
              (std::vector<V>{"255", "-2", "-70000", "1099511627776", "1", std::nullopt,
                              std::nullopt, "abc", "x\xF0\x9F\x98\x80"}));
    // A surrogate pair that would not fit whole is left out rather than split.
    EXPECT_EQ(tokens[2].values,
              (std::vector<V>{"0", "0", "12", "0", "0", "0", "7", "ab", std::nullopt}));
}

TEST(TokenBytes, EmptyMaxValueIsAnEmptyPlpNotNull) {
    const ResultSet result{{{"max", ColumnType::NVarChar, -1, true}}, {{std::string()}}};
    Bytes out;
    TokenWriter(out).ResultSet(result);
    std::string error;
    const auto tokens = testing::DecodeTokens(out, &error);
    ASSERT_EQ(error, "");
    EXPECT_EQ(tokens[1].values, std::vector<std::optional<std::string>>{std::string()});
}

TEST(Utf16, RoundTripsAndReplacesBrokenInput) {
    const struct {
        std::string utf8;
        std::string back;  // after UTF-16 and back
    } cases[] = {
        {"", ""},
        {"plain", "plain"},
        {"Gr\xC3\xBC\xC3\x9F"
         "e \xE2\x82\xAC",
         "Gr\xC3\xBC\xC3\x9F"
         "e \xE2\x82\xAC"},
        {"\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80"},
        {"bad \xFF byte", "bad \xEF\xBF\xBD byte"},
        {"cut \xE2\x82", "cut \xEF\xBF\xBD\xEF\xBF\xBD"},
        {"overlong \xC0\xAF", "overlong \xEF\xBF\xBD\xEF\xBF\xBD"},
    };
    for (const auto& c : cases) {
        Bytes wire;
        ByteWriter(wire).Utf16(c.utf8);
        EXPECT_EQ(Utf16LeToUtf8(wire), c.back) << c.utf8;
    }
    EXPECT_EQ(Utf16LeToUtf8(Hex("3d d8")), "\xEF\xBF\xBD");      // lone high surrogate
    EXPECT_EQ(Utf16LeToUtf8(Hex("41 00 42")), "A\xEF\xBF\xBD");  // odd byte count
    EXPECT_EQ(Cp1252ToUtf8(Hex("80 e9 81")), "\xE2\x82\xAC\xC3\xA9\xC2\x81");
}

// Messages arrive in any cut: split packets, several packets per message, several messages per
// read. Violations make the assembler refuse the stream.
TEST(MessageAssembler, ReassemblesAndRejects) {
    const Bytes payload(10000, 0x5A);
    const Bytes stream = testing::Packets(0x01, payload, 4096);
    for (const std::size_t cut : {1u, 7u, 8u, 4095u, 4096u, 5000u, 20000u}) {
        MessageAssembler assembler(4096, 1 << 20);
        for (std::size_t at = 0; at < stream.size(); at += cut) {
            ASSERT_TRUE(
                assembler.Feed(ByteView(stream).subspan(at, std::min(cut, stream.size() - at))));
        }
        const auto message = assembler.Next();
        ASSERT_TRUE(message) << cut;
        EXPECT_EQ(message->payload, payload);
        EXPECT_FALSE(assembler.Partial());
    }

    struct Bad {
        const char* name;
        Bytes stream;
        std::size_t maxPacket;
        std::size_t maxMessage;
    };
    Bytes typeChange = testing::Packets(0x01, Bytes(5000, 1), 4096);
    typeChange[4096] = 0x03;  // second packet claims to be an RPC
    const std::vector<Bad> bad = {
        {"packet above the negotiated size", testing::Packets(0x01, Bytes(600, 1), 4096), 512,
         1 << 20},
        {"length below the header", Hex("01 01 00 07 00 00 01 00"), 4096, 1 << 20},
        {"not TDS at all", Bytes{'G', 'E', 'T', ' ', '/', ' ', 'H', 'T'}, 32767, 1 << 20},
        {"type changes inside a message", typeChange, 4096, 1 << 20},
        {"message above the limit", testing::Packets(0x01, Bytes(9000, 1), 4096), 4096, 8192},
    };
    for (const Bad& b : bad) {
        MessageAssembler assembler(b.maxPacket, b.maxMessage);
        EXPECT_FALSE(assembler.Feed(b.stream)) << b.name;
        EXPECT_FALSE(assembler.Error().empty()) << b.name;
    }

    MessageAssembler assembler(4096, 1 << 20);
    Bytes two = testing::Packets(0x01, Bytes{1, 2}, 4096, 0x02);  // EOM|IGNORE
    const Bytes attention = Hex("06 01 00 08 00 00 01 00");
    two.insert(two.end(), attention.begin(), attention.end());
    ASSERT_TRUE(assembler.Feed(two));
    EXPECT_TRUE(assembler.Next()->ignore);
    const auto second = assembler.Next();
    ASSERT_TRUE(second);
    EXPECT_EQ(second->type, PacketType::Attention);
    EXPECT_TRUE(second->payload.empty());
}

TEST(AppendPackets, CutsAtEveryPacketSize) {
    for (const std::size_t packetSize : {512u, 4096u, 32767u}) {
        const std::size_t chunk = packetSize - 8;
        for (const std::size_t length : {std::size_t{0}, chunk - 1, chunk, chunk + 1, 3 * chunk}) {
            Bytes payload(length);
            for (std::size_t i = 0; i < length; ++i) {
                payload[i] = static_cast<std::uint8_t>(i * 7);
            }
            Bytes packets;
            AppendPackets(packets, PacketType::TabularResult, payload, packetSize, 51);
            std::string error;
            const auto messages = testing::ResponseMessages(packets, packetSize, 51, &error);
            ASSERT_EQ(error, "") << packetSize << " " << length;
            ASSERT_EQ(messages.size(), 1u);
            EXPECT_EQ(messages[0], payload);
            const std::size_t expectedPackets = length == 0 ? 1 : (length + chunk - 1) / chunk;
            EXPECT_EQ(packets.size(), length + 8 * expectedPackets);
            EXPECT_EQ(packets[6], 1);  // packet ids start at 1
        }
    }
}

}  // namespace
}  // namespace catalog_server::tds
