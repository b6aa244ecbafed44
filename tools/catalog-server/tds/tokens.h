#pragma once

// Writers for the tokens of a tabular result: environment changes, messages, login
// acknowledgement, column metadata, rows, DONE variants, return status and return values.

#include <cstdint>
#include <string_view>

#include "../engine/engine.h"
#include "login.h"
#include "wire.h"

namespace catalog_server::tds {

enum class TokenType : std::uint8_t {
    ColMetadata = 0x81,
    Error = 0xAA,
    Info = 0xAB,
    ReturnValue = 0xAC,
    LoginAck = 0xAD,
    FeatureExtAck = 0xAE,
    ReturnStatus = 0x79,
    Row = 0xD1,
    EnvChange = 0xE3,
    Done = 0xFD,
    DoneProc = 0xFE,
    DoneInProc = 0xFF,
};

namespace done_status {
inline constexpr std::uint16_t kFinal = 0x0000;
inline constexpr std::uint16_t kMore = 0x0001;
inline constexpr std::uint16_t kError = 0x0002;
inline constexpr std::uint16_t kInTransaction = 0x0004;
inline constexpr std::uint16_t kCount = 0x0010;
inline constexpr std::uint16_t kAttention = 0x0020;
}  // namespace done_status

// CurCmd values SQL Server puts in DONE tokens (informational only).
namespace current_command {
inline constexpr std::uint16_t kNone = 0x00;
inline constexpr std::uint16_t kSelect = 0xC1;
inline constexpr std::uint16_t kExecute = 0xE0;
}  // namespace current_command

enum class EnvChangeType : std::uint8_t {
    Database = 1,
    Language = 2,
    PacketSize = 4,
    SqlCollation = 7,
    BeginTransaction = 8,
    CommitTransaction = 9,
    RollbackTransaction = 10,
    ResetConnectionAck = 18,
};

// SQL_Latin1_General_CP1_CI_AS: LCID 0x0409, case-insensitive, kana- and width-insensitive,
// sort id 52 (code page 1252).
inline constexpr std::uint8_t kCollation[5] = {0x09, 0x04, 0xD0, 0x00, 0x34};

class TokenWriter {
public:
    explicit TokenWriter(Bytes& out) : out_(out), w_(out) {}

    void EnvChange(EnvChangeType type, std::string_view newValue, std::string_view oldValue);
    // Types whose values are byte strings (collation, transaction descriptors, reset ack).
    void EnvChangeBytes(EnvChangeType type, ByteView newValue, ByteView oldValue);
    // An ERROR token for severity above 10, otherwise an INFO token, as SQL Server sends them.
    void Message(const SqlError& error, std::string_view serverName, std::string_view procName);
    // tdsVersion as LOGIN7 carries it (0x74000004); LOGINACK writes it high byte first.
    void LoginAck(std::string_view programName, std::uint32_t tdsVersion,
                  const ServerVersion& version);
    void Done(TokenType type, std::uint16_t status, std::uint16_t command, std::uint64_t rows);
    void ReturnStatus(std::int32_t value);
    // A RETURNVALUE whose type information and value are given as wire bytes.
    void ReturnValue(std::uint16_t ordinal, std::string_view name, ByteView typeInfoAndValue);
    // COLMETADATA and one ROW per row. Integer columns that are NOT NULL go out as fixed-width
    // types, nullable ones (or any column that holds a NULL) as INTN/BITN; nvarchar over 4000
    // characters or max goes out as PLP.
    void ResultSet(const catalog_server::ResultSet& result);

private:
    std::size_t BeginLengthPrefixed(TokenType type);
    void EndLengthPrefixed(std::size_t lengthAt);

    Bytes& out_;
    ByteWriter w_;
};

// The INTN type information and value of a 4-byte integer, as a RETURNVALUE carries it.
Bytes IntReturnValue(std::int32_t value);

}  // namespace catalog_server::tds
