#include "requests.h"

#include <array>
#include <charconv>
#include <cstdio>
#include <cstring>

namespace catalog_server::tds {
namespace {

constexpr std::uint16_t kProcIdMarker = 0xFFFF;
constexpr std::uint8_t kParamOutput = 0x01;
constexpr std::uint8_t kParamEncrypted = 0x08;
constexpr std::uint64_t kPlpNull = 0xFFFFFFFFFFFFFFFFull;
constexpr std::uint32_t kLongLenNull = 0xFFFFFFFF;
constexpr std::uint16_t kUShortLenNull = 0xFFFF;
constexpr std::uint8_t kCollationUtf8Flag = 0x04;  // in the fourth collation byte

enum WireType : std::uint8_t {
    kNull = 0x1F,
    kInt1 = 0x30,
    kBit = 0x32,
    kInt2 = 0x34,
    kInt4 = 0x38,
    kDateTime4 = 0x3A,
    kFloat4 = 0x3B,
    kMoney = 0x3C,
    kDateTime = 0x3D,
    kFloat8 = 0x3E,
    kMoney4 = 0x7A,
    kInt8 = 0x7F,
    kGuid = 0x24,
    kIntN = 0x26,
    kDecimalLegacy = 0x37,
    kNumericLegacy = 0x3F,
    kBitN = 0x68,
    kDecimalN = 0x6A,
    kNumericN = 0x6C,
    kFloatN = 0x6D,
    kMoneyN = 0x6E,
    kDateTimeN = 0x6F,
    kDateN = 0x28,
    kTimeN = 0x29,
    kDateTime2N = 0x2A,
    kDateTimeOffsetN = 0x2B,
    kBigVarBinary = 0xA5,
    kBigVarChar = 0xA7,
    kBigBinary = 0xAD,
    kBigChar = 0xAF,
    kNVarChar = 0xE7,
    kNChar = 0xEF,
    kImage = 0x22,
    kText = 0x23,
    kNText = 0x63,
};

struct Failure {
    bool protocol = false;  // true: the stream is broken; false: a type we do not take
    std::string reason;
};

// Reads one RPC parameter's TYPE_INFO and value. Returns the value, or a failure.
class ParameterDecoder {
public:
    explicit ParameterDecoder(ByteReader& r) : r_(r) {}

    std::variant<Value, Failure> Decode();

private:
    std::variant<Value, Failure> Truncated() { return Failure{true, "parameter is truncated"}; }
    std::int64_t SignedLe(ByteView bytes);
    std::variant<Value, Failure> Text(ByteView bytes, bool unicode, const ByteView& collation);

    ByteReader& r_;
};

std::int64_t ParameterDecoder::SignedLe(ByteView bytes) {
    std::uint64_t v = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        v |= static_cast<std::uint64_t>(bytes[i]) << (8 * i);
    }
    if (!bytes.empty() && bytes.size() < 8 && (bytes.back() & 0x80) != 0) {
        v |= ~0ull << (8 * bytes.size());  // sign-extend
    }
    return static_cast<std::int64_t>(v);
}

std::variant<Value, Failure> ParameterDecoder::Text(ByteView bytes, bool unicode,
                                                    const ByteView& collation) {
    if (unicode) {
        return Value{Utf16LeToUtf8(bytes)};
    }
    if (collation.size() == 5 && (collation[3] & kCollationUtf8Flag) != 0) {
        return Value{std::string(bytes.begin(), bytes.end())};
    }
    return Value{Cp1252ToUtf8(bytes)};
}

std::string FormatDouble(double v) {
    std::array<char, 64> buffer{};
    const auto [end, ec] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), v);
    return ec == std::errc() ? std::string(buffer.data(), end) : std::string("0");
}

// A whole number divided by 10^scale, as decimal text.
std::string ScaledDecimal(std::string digits, bool negative, int scale) {
    if (scale > 0) {
        if (digits.size() <= static_cast<std::size_t>(scale)) {
            digits.insert(0, static_cast<std::size_t>(scale) + 1 - digits.size(), '0');
        }
        digits.insert(digits.size() - static_cast<std::size_t>(scale), ".");
    }
    return negative && digits.find_first_not_of("0.") != std::string::npos ? "-" + digits : digits;
}

// Unsigned little-endian magnitude of any length as decimal digits.
std::string MagnitudeDigits(ByteView magnitude) {
    std::vector<std::uint32_t> words;  // little-endian 32-bit words
    for (std::size_t i = 0; i < magnitude.size(); i += 4) {
        std::uint32_t w = 0;
        for (std::size_t j = 0; j < 4 && i + j < magnitude.size(); ++j) {
            w |= static_cast<std::uint32_t>(magnitude[i + j]) << (8 * j);
        }
        words.push_back(w);
    }
    std::string digits;
    for (;;) {
        while (!words.empty() && words.back() == 0) {
            words.pop_back();
        }
        if (words.empty()) {
            break;
        }
        std::uint64_t remainder = 0;
        for (std::size_t i = words.size(); i-- > 0;) {
            const std::uint64_t current = (remainder << 32) | words[i];
            words[i] = static_cast<std::uint32_t>(current / 10);
            remainder = current % 10;
        }
        digits.insert(digits.begin(), static_cast<char>('0' + remainder));
    }
    return digits.empty() ? "0" : digits;
}

// Proleptic Gregorian date of a day count from 0001-01-01.
std::string DateText(std::int64_t daysFrom0001) {
    // Days from 1970-01-01, then the civil-from-days algorithm.
    std::int64_t z = daysFrom0001 - 719162 + 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const std::int64_t doe = z - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    std::int64_t y = yoe + era * 400;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    const std::int64_t d = doy - (153 * mp + 2) / 5 + 1;
    const std::int64_t m = mp < 10 ? mp + 3 : mp - 9;
    if (m <= 2) {
        ++y;
    }
    std::array<char, 80> buffer{};
    std::snprintf(buffer.data(), buffer.size(), "%04lld-%02lld-%02lld", static_cast<long long>(y),
                  static_cast<long long>(m), static_cast<long long>(d));
    return buffer.data();
}

// Time of day from a count of 10^-scale second units, with `scale` fraction digits.
std::string TimeText(std::uint64_t units, int scale) {
    std::uint64_t perSecond = 1;
    for (int i = 0; i < scale; ++i) {
        perSecond *= 10;
    }
    const std::uint64_t seconds = units / perSecond;
    std::array<char, 48> buffer{};
    std::snprintf(buffer.data(), buffer.size(), "%02llu:%02llu:%02llu",
                  static_cast<unsigned long long>(seconds / 3600 % 24),
                  static_cast<unsigned long long>(seconds / 60 % 60),
                  static_cast<unsigned long long>(seconds % 60));
    std::string text = buffer.data();
    if (scale > 0) {
        std::string fraction = std::to_string(units % perSecond);
        fraction.insert(0, static_cast<std::size_t>(scale) - fraction.size(), '0');
        text += "." + fraction;
    }
    return text;
}

constexpr std::int64_t kDaysTo1900 = 693595;  // 0001-01-01 to 1900-01-01

std::variant<Value, Failure> ParameterDecoder::Decode() {
    const std::uint8_t type = r_.U8();
    if (!r_.Ok()) {
        return Truncated();
    }
    // Fixed-length types: no length anywhere.
    const auto fixed = [&](std::size_t size) { return r_.Take(size); };
    switch (type) {
        case kNull:
            return Value{};
        case kInt1:
            return Value{static_cast<std::int64_t>(r_.U8())};
        case kBit:
            return Value{static_cast<std::int64_t>(r_.U8() != 0)};
        case kInt2:
        case kInt4:
        case kInt8: {
            const ByteView b = fixed(type == kInt2 ? 2 : type == kInt4 ? 4 : 8);
            return r_.Ok() ? std::variant<Value, Failure>(Value{SignedLe(b)}) : Truncated();
        }
        default:
            break;
    }

    // Types whose TYPE_INFO has a one-byte maximum length and whose value has a one-byte length.
    switch (type) {
        case kDateTime4:
        case kFloat4:
        case kMoney:
        case kDateTime:
        case kFloat8:
        case kMoney4: {
            const std::size_t size =
                (type == kDateTime4 || type == kFloat4 || type == kMoney4) ? 4 : 8;
            const ByteView b = fixed(size);
            if (!r_.Ok()) {
                return Truncated();
            }
            // Re-enter with the value as if it came with a length byte.
            Bytes framed{
                static_cast<std::uint8_t>(type == kDateTime4 || type == kDateTime ? kDateTimeN
                                          : type == kFloat4 || type == kFloat8    ? kFloatN
                                                                                  : kMoneyN),
                static_cast<std::uint8_t>(size), static_cast<std::uint8_t>(size)};
            framed.insert(framed.end(), b.begin(), b.end());
            ByteReader inner(framed);
            return ParameterDecoder(inner).Decode();
        }
        case kGuid:
        case kIntN:
        case kBitN:
        case kFloatN:
        case kMoneyN:
        case kDateTimeN:
        case kDecimalN:
        case kNumericN:
        case kDecimalLegacy:
        case kNumericLegacy:
        case kDateN:
        case kTimeN:
        case kDateTime2N:
        case kDateTimeOffsetN: {
            int precisionScale = 0;
            if (type == kDecimalN || type == kNumericN || type == kDecimalLegacy ||
                type == kNumericLegacy) {
                r_.U8();  // maximum length
                r_.U8();  // precision
                precisionScale = r_.U8();
            } else if (type == kTimeN || type == kDateTime2N || type == kDateTimeOffsetN) {
                precisionScale = r_.U8();  // scale
            } else if (type != kDateN) {
                r_.U8();  // maximum length
            }
            const std::size_t length = r_.U8();
            const ByteView b = r_.Take(length);
            if (!r_.Ok()) {
                return Truncated();
            }
            if (length == 0) {
                return Value{};
            }
            switch (type) {
                case kIntN:
                    if (length != 1 && length != 2 && length != 4 && length != 8) {
                        return Failure{true, "integer parameter has an invalid length"};
                    }
                    return Value{length == 1 ? static_cast<std::int64_t>(b[0]) : SignedLe(b)};
                case kBitN:
                    return Value{static_cast<std::int64_t>(b[0] != 0)};
                case kFloatN: {
                    if (length == 4) {
                        float f = 0;
                        std::memcpy(&f, b.data(), 4);
                        return Value{FormatDouble(f)};
                    }
                    if (length == 8) {
                        double d = 0;
                        std::memcpy(&d, b.data(), 8);
                        return Value{FormatDouble(d)};
                    }
                    return Failure{true, "float parameter has an invalid length"};
                }
                case kMoneyN: {
                    std::int64_t v = 0;
                    if (length == 4) {
                        v = SignedLe(b);
                    } else if (length == 8) {
                        v = static_cast<std::int64_t>(
                            (static_cast<std::uint64_t>(SignedLe(b.first(4))) << 32) |
                            static_cast<std::uint32_t>(SignedLe(b.subspan(4))));
                    } else {
                        return Failure{true, "money parameter has an invalid length"};
                    }
                    const bool negative = v < 0;
                    const std::uint64_t magnitude = negative ? 0 - static_cast<std::uint64_t>(v)
                                                             : static_cast<std::uint64_t>(v);
                    return Value{ScaledDecimal(std::to_string(magnitude), negative, 4)};
                }
                case kDecimalN:
                case kNumericN:
                case kDecimalLegacy:
                case kNumericLegacy: {
                    const bool negative = b[0] == 0;
                    const std::string digits = MagnitudeDigits(b.subspan(1));
                    if (precisionScale == 0 && digits.size() <= 18) {
                        const std::int64_t n = std::stoll(digits);
                        return Value{negative ? -n : n};
                    }
                    return Value{ScaledDecimal(digits, negative, precisionScale)};
                }
                case kGuid: {
                    if (length != 16) {
                        return Failure{true, "uniqueidentifier parameter has an invalid length"};
                    }
                    std::array<char, 40> buffer{};
                    std::snprintf(buffer.data(), buffer.size(),
                                  "%02X%02X%02X%02X-%02X%02X-%02X%02X-%02X%02X-"
                                  "%02X%02X%02X%02X%02X%02X",
                                  b[3], b[2], b[1], b[0], b[5], b[4], b[7], b[6], b[8], b[9], b[10],
                                  b[11], b[12], b[13], b[14], b[15]);
                    return Value{std::string(buffer.data())};
                }
                case kDateTimeN: {
                    if (length == 4) {
                        const auto days = static_cast<std::uint16_t>(b[0] | (b[1] << 8));
                        const auto minutes = static_cast<std::uint16_t>(b[2] | (b[3] << 8));
                        return Value{DateText(kDaysTo1900 + days) + " " +
                                     TimeText(static_cast<std::uint64_t>(minutes) * 60, 0)};
                    }
                    if (length == 8) {
                        const std::int64_t days = SignedLe(b.first(4));
                        const auto ticks = static_cast<std::uint64_t>(
                            static_cast<std::uint32_t>(SignedLe(b.subspan(4))));
                        // 1/300 s ticks to milliseconds, rounded as SQL Server shows them.
                        return Value{DateText(kDaysTo1900 + days) + " " +
                                     TimeText((ticks * 10 + 1) / 3, 3)};
                    }
                    return Failure{true, "datetime parameter has an invalid length"};
                }
                case kDateN:
                case kTimeN:
                case kDateTime2N:
                case kDateTimeOffsetN: {
                    if (precisionScale > 7) {
                        return Failure{true, "time parameter has an invalid scale"};
                    }
                    const std::size_t timeBytes = type == kDateN ? 0
                                                                 : (precisionScale <= 2   ? 3
                                                                    : precisionScale <= 4 ? 4
                                                                                          : 5);
                    const std::size_t dateBytes = type == kTimeN ? 0 : 3;
                    const std::size_t offsetBytes = type == kDateTimeOffsetN ? 2 : 0;
                    if (length != timeBytes + dateBytes + offsetBytes) {
                        return Failure{true, "date or time parameter has an invalid length"};
                    }
                    std::uint64_t units = 0;
                    for (std::size_t i = 0; i < timeBytes; ++i) {
                        units |= static_cast<std::uint64_t>(b[i]) << (8 * i);
                    }
                    const std::int64_t days =
                        dateBytes == 0
                            ? 0
                            : static_cast<std::int64_t>(b[timeBytes] | (b[timeBytes + 1] << 8) |
                                                        (b[timeBytes + 2] << 16));
                    std::string text;
                    if (dateBytes != 0) {
                        text = DateText(days);
                    }
                    if (timeBytes != 0) {
                        text += (text.empty() ? "" : " ") + TimeText(units, precisionScale);
                    }
                    if (offsetBytes != 0) {
                        // The value is stored in UTC; the offset is kept as written.
                        const std::int64_t offset = SignedLe(b.subspan(timeBytes + dateBytes));
                        std::array<char, 48> buffer{};
                        std::snprintf(buffer.data(), buffer.size(), " %c%02lld:%02lld",
                                      offset < 0 ? '-' : '+',
                                      static_cast<long long>((offset < 0 ? -offset : offset) / 60),
                                      static_cast<long long>((offset < 0 ? -offset : offset) % 60));
                        text += buffer.data();
                    }
                    return Value{text};
                }
                default:
                    break;
            }
            break;
        }
        default:
            break;
    }

    // Types with a two-byte maximum length (PLP when it is 0xFFFF) or a four-byte one.
    switch (type) {
        case kBigVarBinary:
        case kBigVarChar:
        case kBigBinary:
        case kBigChar:
        case kNVarChar:
        case kNChar: {
            const std::uint16_t maxLength = r_.U16LE();
            const bool character = type != kBigVarBinary && type != kBigBinary;
            const ByteView collation = character ? r_.Take(5) : ByteView{};
            if (!r_.Ok()) {
                return Truncated();
            }
            Bytes data;
            bool isNull = false;
            if (maxLength == 0xFFFF) {
                // PLP: total length (or NULL), chunks, zero terminator.
                const std::uint64_t total = r_.U64LE();
                isNull = total == kPlpNull;
                if (!isNull) {
                    for (;;) {
                        const std::uint32_t chunk = r_.U32LE();
                        if (!r_.Ok() || chunk == 0) {
                            break;
                        }
                        const ByteView part = r_.Take(chunk);
                        data.insert(data.end(), part.begin(), part.end());
                    }
                }
            } else {
                const std::uint16_t length = r_.U16LE();
                isNull = length == kUShortLenNull;
                if (!isNull) {
                    const ByteView part = r_.Take(length);
                    data.assign(part.begin(), part.end());
                }
            }
            if (!r_.Ok()) {
                return Truncated();
            }
            if (isNull) {
                return Value{};
            }
            if (!character) {
                return Value{std::string(data.begin(), data.end())};
            }
            return Text(data, type == kNVarChar || type == kNChar, collation);
        }
        case kImage:
        case kText:
        case kNText: {
            r_.U32LE();  // maximum length
            const ByteView collation = type == kImage ? ByteView{} : r_.Take(5);
            const std::uint32_t length = r_.U32LE();
            if (!r_.Ok()) {
                return Truncated();
            }
            if (length == kLongLenNull) {
                return Value{};
            }
            const ByteView data = r_.Take(length);
            if (!r_.Ok()) {
                return Truncated();
            }
            if (type == kImage) {
                return Value{std::string(data.begin(), data.end())};
            }
            return Text(data, type == kNText, collation);
        }
        default:
            break;
    }
    char hex[8];
    std::snprintf(hex, sizeof hex, "0x%02X", type);
    return Failure{false, std::string("Data type ") + hex + " is unknown."};
}

// Skips ALL_HEADERS (TDS 7.2 and later), checking that it lies within the message.
bool SkipAllHeaders(ByteReader& r) {
    const std::uint32_t total = r.U32LE();
    if (!r.Ok() || total < 4) {
        return false;
    }
    ByteReader headers(r.Take(total - 4));
    while (headers.Ok() && !headers.AtEnd()) {
        const std::uint32_t length = headers.U32LE();
        if (length < 6) {
            return false;
        }
        headers.Skip(length - 4);
    }
    return r.Ok() && headers.Ok();
}

SqlError RpcStreamError(std::size_t ordinal, std::string_view name, const std::string& detail) {
    SqlError error;
    error.number = 8009;
    error.severity = 16;
    error.state = 1;
    error.message =
        "The incoming tabular data stream (TDS) remote procedure call (RPC) protocol stream is "
        "incorrect. Parameter " +
        std::to_string(ordinal) + " (\"" + std::string(name) + "\"): " + detail;
    return error;
}

}  // namespace

std::variant<SqlBatch, ProtocolError> ParseSqlBatch(ByteView payload) {
    ByteReader r(payload);
    if (!SkipAllHeaders(r)) {
        return ProtocolError{"SQL batch has malformed headers"};
    }
    return SqlBatch{Utf16LeToUtf8(r.Take(r.Remaining()))};
}

std::variant<std::vector<RpcCall>, RequestError, ProtocolError> ParseRpc(ByteView payload) {
    ByteReader r(payload);
    if (!SkipAllHeaders(r)) {
        return ProtocolError{"RPC request has malformed headers"};
    }
    std::vector<RpcCall> calls;
    while (!r.AtEnd()) {
        RpcCall call;
        const std::uint16_t nameLength = r.U16LE();
        if (nameLength == kProcIdMarker) {
            call.procId = r.U16LE();
        } else {
            call.name = Utf16LeToUtf8(r.Take(static_cast<std::size_t>(nameLength) * 2));
        }
        r.U16LE();  // option flags: recompile / no metadata hints change nothing here
        if (!r.Ok()) {
            return ProtocolError{"RPC request is truncated"};
        }
        while (!r.AtEnd()) {
            const std::uint8_t next = r.U8();
            if (next == 0x80 || next == 0xFF || next == 0xFE) {
                break;  // separator before the next call of a batched request
            }
            RpcParameter parameter;
            parameter.name = Utf16LeToUtf8(r.Take(static_cast<std::size_t>(next) * 2));
            const std::uint8_t status = r.U8();
            if (!r.Ok()) {
                return ProtocolError{"RPC parameter is truncated"};
            }
            const std::size_t ordinal = call.parameters.size() + 1;
            if ((status & kParamEncrypted) != 0) {
                return RequestError{
                    RpcStreamError(ordinal, parameter.name, "Encrypted values are not supported.")};
            }
            parameter.output = (status & kParamOutput) != 0;
            const std::size_t valueStart = r.Position();
            auto decoded = ParameterDecoder(r).Decode();
            if (auto* failure = std::get_if<Failure>(&decoded)) {
                if (failure->protocol) {
                    return ProtocolError{failure->reason};
                }
                return RequestError{RpcStreamError(ordinal, parameter.name, failure->reason)};
            }
            parameter.value = std::move(std::get<Value>(decoded));
            const ByteView wire = payload.subspan(valueStart, r.Position() - valueStart);
            parameter.wire.assign(wire.begin(), wire.end());
            call.parameters.push_back(std::move(parameter));
        }
        calls.push_back(std::move(call));
    }
    if (calls.empty()) {
        return ProtocolError{"RPC request names no procedure"};
    }
    return calls;
}

std::string ProcedureName(const RpcCall& call) {
    if (!call.procId) {
        return call.name;
    }
    static constexpr std::array<const char*, 16> kNames = {"",
                                                           "sp_cursor",
                                                           "sp_cursoropen",
                                                           "sp_cursorprepare",
                                                           "sp_cursorexecute",
                                                           "sp_cursorprepexec",
                                                           "sp_cursorunprepare",
                                                           "sp_cursorfetch",
                                                           "sp_cursoroption",
                                                           "sp_cursorclose",
                                                           "sp_executesql",
                                                           "sp_prepare",
                                                           "sp_execute",
                                                           "sp_prepexec",
                                                           "sp_prepexecrpc",
                                                           "sp_unprepare"};
    if (*call.procId > 0 && *call.procId < kNames.size()) {
        return kNames[*call.procId];
    }
    return "procedure id " + std::to_string(*call.procId);
}

std::variant<TransactionRequest, ProtocolError> ParseTransactionRequest(ByteView payload) {
    ByteReader r(payload);
    if (!SkipAllHeaders(r)) {
        return ProtocolError{"transaction request has malformed headers"};
    }
    TransactionRequest request;
    request.type = r.U16LE();
    if (!r.Ok()) {
        return ProtocolError{"transaction request is truncated"};
    }
    return request;
}

}  // namespace catalog_server::tds
