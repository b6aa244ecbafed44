#pragma once

// The client side of TDS, written independently of the server code for its tests: builders for
// the requests real clients send, and a decoder for the tokens that come back.

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace catalog_server::testing {

using Bytes = std::vector<std::uint8_t>;

Bytes Hex(std::string_view hex);  // "fd 00 01" -> bytes; blanks and '|' ignored
std::string ToHex(const Bytes& bytes);
Bytes Utf16(std::string_view utf8);

// --- requests ---
Bytes PreLoginPayload(std::uint8_t encryption);
struct LoginFields {
    std::string user = "demo";
    std::string password = "demo";
    std::string database;
    std::uint32_t packetSize = 4096;
    std::uint32_t tdsVersion = 0x74000004;
    std::uint8_t optionFlags2 = 0x03;
};
// Laid out as FreeTDS does: strings after the fixed part, the FeatureExt pointer between the
// server name and the library name, the FeatureExt block last.
Bytes Login7Payload(const LoginFields& fields);
Bytes ScramblePassword(std::string_view password);

Bytes AllHeaders();
Bytes BatchPayload(std::string_view sql);

struct RpcParam {
    std::string name;  // "@x" or ""
    bool output = false;
    Bytes typeAndValue;
};
RpcParam NVarChar(std::string name, std::optional<std::string> value,
                  std::uint16_t maxChars = 4000);
RpcParam NVarCharMax(std::string name, std::optional<std::string> value, std::size_t chunkBytes);
RpcParam VarChar(std::string name, std::optional<Bytes> value, bool utf8Collation = false);
RpcParam NText(std::string name, std::optional<std::string> value);
RpcParam IntN(std::string name, std::optional<std::int64_t> value, std::uint8_t width = 4,
              bool output = false);
RpcParam BitN(std::string name, std::optional<bool> value);
Bytes RpcCallBody(std::variant<std::uint16_t, std::string> procedure,
                  const std::vector<RpcParam>& params);
Bytes RpcPayload(std::variant<std::uint16_t, std::string> procedure,
                 const std::vector<RpcParam>& params);

// Cuts a payload into packets (status EOM on the last, plus extra bits on the first).
Bytes Packets(std::uint8_t type, const Bytes& payload, std::size_t packetSize = 4096,
              std::uint8_t firstStatusBits = 0);

// --- responses ---
// Checks the packet headers of one or more response messages and returns their payloads.
// Every packet must be type 0x04 with the given SPID and at most packetSize bytes, and all but
// the last packet of a message must be full.
std::vector<Bytes> ResponseMessages(const Bytes& packets, std::size_t packetSize,
                                    std::uint16_t spid, std::string* error);

struct ColumnInfo {
    std::uint8_t type = 0;
    std::uint32_t maxLength = 0;
    std::uint16_t flags = 0;
    std::string name;
};

struct Token {
    std::uint8_t type = 0;
    // DONE, DONEPROC, DONEINPROC
    std::uint16_t status = 0;
    std::uint64_t rowCount = 0;
    // ERROR, INFO
    std::int32_t number = 0;
    std::uint8_t state = 0;
    std::uint8_t severity = 0;
    std::string message;
    std::int32_t line = 0;
    // ENVCHANGE (text or bytes in newValue/oldValue), LOGINACK (program in newValue)
    std::uint8_t envType = 0;
    std::string newValue;
    std::string oldValue;
    std::uint32_t tdsVersion = 0;
    // COLMETADATA
    std::vector<ColumnInfo> columns;
    // ROW: each value as text (integers in decimal); nullopt for NULL
    std::vector<std::optional<std::string>> values;
    // RETURNSTATUS, RETURNVALUE (ordinal in number, name in message)
    std::int64_t returnValue = 0;
};

// Decodes a whole response payload; on malformed input returns what it could and sets error.
std::vector<Token> DecodeTokens(const Bytes& payload, std::string* error);
// The token types in order, e.g. "COLMETADATA ROW DONE".
std::string TokenNames(const std::vector<Token>& tokens);

}  // namespace catalog_server::testing
