#include "tokens.h"

#include <charconv>
#include <limits>
#include <string>
#include <variant>
#include <vector>

namespace catalog_server::tds {
namespace {

enum WireType : std::uint8_t {
    kInt1 = 0x30,
    kBit = 0x32,
    kInt2 = 0x34,
    kInt4 = 0x38,
    kInt8 = 0x7F,
    kIntN = 0x26,
    kBitN = 0x68,
    kNVarChar = 0xE7,
};

constexpr std::uint16_t kFlagNullable = 0x0001;
constexpr int kMaxNVarCharLength = 4000;
constexpr std::uint16_t kPlpMaxLength = 0xFFFF;
constexpr std::uint64_t kPlpNull = 0xFFFFFFFFFFFFFFFFull;
constexpr std::uint16_t kNVarCharNull = 0xFFFF;

// How one column goes on the wire.
struct WireColumn {
    ColumnType type;
    bool nullable;
    bool plp;              // nvarchar(max): partially length-prefixed values
    std::size_t maxUnits;  // nvarchar: UTF-16 code units a value may hold
};

int IntegerWidth(ColumnType type) {
    switch (type) {
        case ColumnType::TinyInt:
        case ColumnType::Bit:
            return 1;
        case ColumnType::SmallInt:
            return 2;
        case ColumnType::Int:
            return 4;
        case ColumnType::BigInt:
            return 8;
        case ColumnType::NVarChar:
            break;
    }
    return 0;
}

std::uint8_t FixedType(ColumnType type) {
    switch (type) {
        case ColumnType::TinyInt:
            return kInt1;
        case ColumnType::Bit:
            return kBit;
        case ColumnType::SmallInt:
            return kInt2;
        case ColumnType::Int:
            return kInt4;
        case ColumnType::BigInt:
            return kInt8;
        case ColumnType::NVarChar:
            break;
    }
    return kNVarChar;
}

// The integer a value stands for; a text that is not a whole number gives nullopt.
std::optional<std::int64_t> AsInteger(const Value& value) {
    if (const auto* n = std::get_if<std::int64_t>(&value)) {
        return *n;
    }
    if (const auto* s = std::get_if<std::string>(&value)) {
        std::int64_t n = 0;
        const auto [end, ec] = std::from_chars(s->data(), s->data() + s->size(), n);
        if (ec == std::errc() && end == s->data() + s->size()) {
            return n;
        }
    }
    return std::nullopt;
}

}  // namespace

std::size_t TokenWriter::BeginLengthPrefixed(TokenType type) {
    w_.U8(static_cast<std::uint8_t>(type));
    const std::size_t at = out_.size();
    w_.U16LE(0);
    return at;
}

void TokenWriter::EndLengthPrefixed(std::size_t lengthAt) {
    w_.PatchU16LE(lengthAt, static_cast<std::uint16_t>(out_.size() - lengthAt - 2));
}

void TokenWriter::EnvChange(EnvChangeType type, std::string_view newValue,
                            std::string_view oldValue) {
    const std::size_t at = BeginLengthPrefixed(TokenType::EnvChange);
    w_.U8(static_cast<std::uint8_t>(type));
    w_.BVarChar(newValue);
    w_.BVarChar(oldValue);
    EndLengthPrefixed(at);
}

void TokenWriter::EnvChangeBytes(EnvChangeType type, ByteView newValue, ByteView oldValue) {
    const std::size_t at = BeginLengthPrefixed(TokenType::EnvChange);
    w_.U8(static_cast<std::uint8_t>(type));
    w_.U8(static_cast<std::uint8_t>(newValue.size()));
    w_.Raw(newValue);
    w_.U8(static_cast<std::uint8_t>(oldValue.size()));
    w_.Raw(oldValue);
    EndLengthPrefixed(at);
}

void TokenWriter::Message(const SqlError& error, std::string_view serverName,
                          std::string_view procName) {
    const std::size_t at =
        BeginLengthPrefixed(error.severity > 10 ? TokenType::Error : TokenType::Info);
    w_.U32LE(static_cast<std::uint32_t>(error.number));
    w_.U8(error.state);
    w_.U8(error.severity);
    // The text is capped so that the token length still fits its 16-bit field.
    const std::size_t lengthAt = out_.size();
    w_.U16LE(0);
    w_.PatchU16LE(lengthAt, static_cast<std::uint16_t>(w_.Utf16(error.message, 30000)));
    w_.BVarChar(serverName);
    w_.BVarChar(procName);
    w_.U32LE(static_cast<std::uint32_t>(error.line));
    EndLengthPrefixed(at);
}

void TokenWriter::LoginAck(std::string_view programName, std::uint32_t tdsVersion,
                           const ServerVersion& version) {
    const std::size_t at = BeginLengthPrefixed(TokenType::LoginAck);
    w_.U8(1);  // interface: SQL (FreeTDS refuses 0)
    for (int shift = 24; shift >= 0; shift -= 8) {
        w_.U8(static_cast<std::uint8_t>(tdsVersion >> shift));
    }
    w_.BVarChar(programName);
    w_.U8(version.major);
    w_.U8(version.minor);
    w_.U8(static_cast<std::uint8_t>(version.build >> 8));
    w_.U8(static_cast<std::uint8_t>(version.build));
    EndLengthPrefixed(at);
}

void TokenWriter::Done(TokenType type, std::uint16_t status, std::uint16_t command,
                       std::uint64_t rows) {
    w_.U8(static_cast<std::uint8_t>(type));
    w_.U16LE(status);
    w_.U16LE(command);
    w_.U64LE(rows);
}

void TokenWriter::ReturnStatus(std::int32_t value) {
    w_.U8(static_cast<std::uint8_t>(TokenType::ReturnStatus));
    w_.U32LE(static_cast<std::uint32_t>(value));
}

void TokenWriter::ReturnValue(std::uint16_t ordinal, std::string_view name,
                              ByteView typeInfoAndValue) {
    w_.U8(static_cast<std::uint8_t>(TokenType::ReturnValue));
    w_.U16LE(ordinal);
    w_.BVarChar(name);
    w_.U8(0x01);  // status: output parameter
    w_.U32LE(0);  // user type
    w_.U16LE(0);  // flags
    w_.Raw(typeInfoAndValue);
}

Bytes IntReturnValue(std::int32_t value) {
    Bytes out;
    ByteWriter w(out);
    w.U8(kIntN);
    w.U8(4);
    w.U8(4);
    w.U32LE(static_cast<std::uint32_t>(value));
    return out;
}

void TokenWriter::ResultSet(const catalog_server::ResultSet& result) {
    std::vector<WireColumn> columns;
    columns.reserve(result.columns.size());
    for (std::size_t c = 0; c < result.columns.size(); ++c) {
        const Column& column = result.columns[c];
        bool nullable = column.nullable;
        for (std::size_t r = 0; !nullable && r < result.rows.size(); ++r) {
            nullable = c >= result.rows[r].size() ||
                       std::holds_alternative<std::monostate>(result.rows[r][c]);
        }
        const bool plp = column.type == ColumnType::NVarChar &&
                         (column.maxLength < 0 || column.maxLength > kMaxNVarCharLength);
        const std::size_t maxUnits = plp ? std::numeric_limits<std::uint32_t>::max() / 2
                                         : static_cast<std::size_t>(std::max(column.maxLength, 1));
        columns.push_back({column.type, nullable, plp, maxUnits});
    }

    w_.U8(static_cast<std::uint8_t>(TokenType::ColMetadata));
    w_.U16LE(static_cast<std::uint16_t>(columns.size()));
    for (std::size_t c = 0; c < columns.size(); ++c) {
        const WireColumn& column = columns[c];
        w_.U32LE(0);  // user type
        w_.U16LE(column.nullable ? kFlagNullable : 0);
        if (column.type == ColumnType::NVarChar) {
            w_.U8(kNVarChar);
            w_.U16LE(column.plp ? kPlpMaxLength : static_cast<std::uint16_t>(column.maxUnits * 2));
            w_.Raw(kCollation);
        } else if (!column.nullable) {
            w_.U8(FixedType(column.type));
        } else {
            w_.U8(column.type == ColumnType::Bit ? kBitN : kIntN);
            w_.U8(static_cast<std::uint8_t>(IntegerWidth(column.type)));
        }
        w_.BVarChar(result.columns[c].name);
    }

    static const Value kNull;
    for (const std::vector<Value>& row : result.rows) {
        w_.U8(static_cast<std::uint8_t>(TokenType::Row));
        for (std::size_t c = 0; c < columns.size(); ++c) {
            const WireColumn& column = columns[c];
            const Value& value = c < row.size() ? row[c] : kNull;
            const bool isNull = std::holds_alternative<std::monostate>(value);
            if (column.type != ColumnType::NVarChar) {
                const std::optional<std::int64_t> n = isNull ? std::nullopt : AsInteger(value);
                const int width = IntegerWidth(column.type);
                if (column.nullable) {
                    w_.U8(n ? static_cast<std::uint8_t>(width) : 0);
                }
                if (n || !column.nullable) {
                    std::int64_t v = n.value_or(0);
                    if (column.type == ColumnType::Bit) {
                        v = v != 0 ? 1 : 0;
                    }
                    for (int i = 0; i < width; ++i) {
                        w_.U8(static_cast<std::uint8_t>(static_cast<std::uint64_t>(v) >> (8 * i)));
                    }
                }
                continue;
            }
            std::string number;
            std::string_view text;
            if (const auto* s = std::get_if<std::string>(&value)) {
                text = *s;
            } else if (const auto* n = std::get_if<std::int64_t>(&value)) {
                number = std::to_string(*n);
                text = number;
            }
            if (column.plp) {
                if (isNull) {
                    w_.U64LE(kPlpNull);
                    continue;
                }
                const std::size_t totalAt = out_.size();
                w_.U64LE(0);
                const std::size_t chunkAt = out_.size();
                w_.U32LE(0);
                const std::size_t bytes = w_.Utf16(text, column.maxUnits) * 2;
                if (bytes == 0) {
                    out_.resize(chunkAt);  // no chunk for an empty value, only the terminator
                } else {
                    for (int i = 0; i < 4; ++i) {
                        out_[chunkAt + i] = static_cast<std::uint8_t>(bytes >> (8 * i));
                    }
                }
                for (int i = 0; i < 8; ++i) {
                    out_[totalAt + i] =
                        static_cast<std::uint8_t>(static_cast<std::uint64_t>(bytes) >> (8 * i));
                }
                w_.U32LE(0);  // terminator
                continue;
            }
            if (isNull) {
                w_.U16LE(kNVarCharNull);
                continue;
            }
            const std::size_t lengthAt = out_.size();
            w_.U16LE(0);
            w_.PatchU16LE(lengthAt,
                          static_cast<std::uint16_t>(w_.Utf16(text, column.maxUnits) * 2));
        }
    }
}

}  // namespace catalog_server::tds
