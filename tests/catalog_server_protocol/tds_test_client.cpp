#include "tds_test_client.h"

#include "platform/core/unicode.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <stdexcept>

namespace catalog_server::testing {
namespace {

void Put16(Bytes& b, std::uint16_t v) {
    b.push_back(static_cast<std::uint8_t>(v));
    b.push_back(static_cast<std::uint8_t>(v >> 8));
}
void Put32(Bytes& b, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    }
}
void Put64(Bytes& b, std::uint64_t v) {
    for (int i = 0; i < 8; ++i) {
        b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    }
}
void Append(Bytes& b, const Bytes& more) {
    b.insert(b.end(), more.begin(), more.end());
}

const Bytes kCollation = {0x09, 0x04, 0xD0, 0x00, 0x34};

std::string FromUtf16(const std::uint8_t* p, std::size_t bytes) {
    return quillon::DecodeUtf16(bytes / 2, [p](std::size_t i) {
        return static_cast<char16_t>(p[2 * i] | (p[2 * i + 1] << 8));
    });
}

RpcParam Param(std::string name, bool output, Bytes typeAndValue) {
    return RpcParam{std::move(name), output, std::move(typeAndValue)};
}

}  // namespace

Bytes Hex(std::string_view hex) {
    Bytes out;
    int pending = -1;
    for (const char c : hex) {
        int v = -1;
        if (c >= '0' && c <= '9') {
            v = c - '0';
        } else if (c >= 'a' && c <= 'f') {
            v = c - 'a' + 10;
        } else if (c >= 'A' && c <= 'F') {
            v = c - 'A' + 10;
        } else {
            continue;
        }
        if (pending < 0) {
            pending = v;
        } else {
            out.push_back(static_cast<std::uint8_t>(pending * 16 + v));
            pending = -1;
        }
    }
    return out;
}

std::string ToHex(const Bytes& bytes) {
    std::string out;
    char buffer[4];
    for (const std::uint8_t b : bytes) {
        std::snprintf(buffer, sizeof buffer, "%02x ", b);
        out += buffer;
    }
    if (!out.empty()) {
        out.pop_back();
    }
    return out;
}

Bytes Utf16(std::string_view utf8) {
    Bytes out;
    for (const char16_t unit : quillon::Utf8ToUtf16(utf8)) {
        Put16(out, unit);
    }
    return out;
}

Bytes PreLoginPayload(std::uint8_t encryption) {
    // FreeTDS' request: VERSION, ENCRYPTION, INSTOPT, THREADID, MARS.
    Bytes out = Hex("00 001a 0006 01 0020 0001 02 0021 000c 03 002d 0004 04 0031 0001 ff");
    Append(out, Hex("09 00 00 00 00 00"));
    out.push_back(encryption);
    Append(out, Bytes{'M', 'S', 'S', 'Q', 'L', 'S', 'e', 'r', 'v', 'e', 'r', 0});
    Append(out, Hex("01 02 03 04 00"));
    return out;
}

Bytes ScramblePassword(std::string_view password) {
    Bytes bytes = Utf16(password);
    for (std::uint8_t& b : bytes) {
        b = static_cast<std::uint8_t>(((b << 4) | (b >> 4)) ^ 0xA5);
    }
    return bytes;
}

Bytes Login7Payload(const LoginFields& f) {
    const bool tds72 = f.tdsVersion >= 0x72000000;
    const std::size_t fixed = tds72 ? 94 : 86;
    struct Field {
        Bytes data;
        std::size_t units;
    };
    const auto text = [](std::string_view s) { return Field{Utf16(s), Utf16(s).size() / 2}; };
    const std::vector<Field> strings = {
        text("client-host"),
        text(f.user),
        {ScramblePassword(f.password), Utf16(f.password).size() / 2},
        text("TSQL"),
        text("server"),
    };
    const std::vector<Field> later = {text("TDS-Library"), text("us_english"), text(f.database)};

    Bytes variable;
    std::vector<std::pair<std::uint16_t, std::uint16_t>> table;
    for (const Field& s : strings) {
        table.emplace_back(static_cast<std::uint16_t>(fixed + variable.size()), s.units);
        Append(variable, s.data);
    }
    const std::size_t extensionAt = fixed + variable.size();
    Put32(variable, 0);  // patched: absolute offset of FeatureExt
    for (const Field& s : later) {
        table.emplace_back(static_cast<std::uint16_t>(fixed + variable.size()), s.units);
        Append(variable, s.data);
    }
    const std::size_t featureAt = fixed + variable.size();
    Append(variable, Hex("0a 01000000 01 ff"));
    for (int i = 0; i < 4; ++i) {
        variable[extensionAt - fixed + i] = static_cast<std::uint8_t>(featureAt >> (8 * i));
    }

    Bytes out;
    Put32(out, static_cast<std::uint32_t>(fixed + variable.size()));
    Put32(out, f.tdsVersion);
    Put32(out, f.packetSize);
    Put32(out, 0xF8F28306);
    Put32(out, 1234);
    Put32(out, 0);
    out.push_back(0xE0);
    out.push_back(f.optionFlags2);
    out.push_back(0x00);
    out.push_back(0x18);
    Put32(out, 0);
    Put32(out, 0x0436);
    for (std::size_t i = 0; i < 5; ++i) {
        Put16(out, table[i].first);
        Put16(out, table[i].second);
    }
    Put16(out, static_cast<std::uint16_t>(extensionAt));
    Put16(out, 4);
    for (std::size_t i = 5; i < 8; ++i) {
        Put16(out, table[i].first);
        Put16(out, table[i].second);
    }
    Append(out, Hex("00 11 22 33 44 55"));  // client id
    Put16(out, static_cast<std::uint16_t>(featureAt));
    Put16(out, 0);  // SSPI
    Put16(out, static_cast<std::uint16_t>(featureAt));
    Put16(out, 0);  // attach db file
    if (tds72) {
        Put16(out, static_cast<std::uint16_t>(featureAt));
        Put16(out, 0);  // change password
        Put32(out, 0);  // SSPI long
    }
    Append(out, variable);
    return out;
}

Bytes AllHeaders() {
    return Hex("16000000 12000000 0200 0000000000000000 01000000");
}

Bytes BatchPayload(std::string_view sql) {
    Bytes out = AllHeaders();
    Append(out, Utf16(sql));
    return out;
}

RpcParam NVarChar(std::string name, std::optional<std::string> value, std::uint16_t maxChars) {
    Bytes b{0xE7};
    Put16(b, static_cast<std::uint16_t>(maxChars * 2));
    Append(b, kCollation);
    if (!value) {
        Put16(b, 0xFFFF);
    } else {
        const Bytes text = Utf16(*value);
        Put16(b, static_cast<std::uint16_t>(text.size()));
        Append(b, text);
    }
    return Param(std::move(name), false, b);
}

RpcParam NVarCharMax(std::string name, std::optional<std::string> value, std::size_t chunkBytes) {
    Bytes b{0xE7, 0xFF, 0xFF};
    Append(b, kCollation);
    if (!value) {
        Put64(b, ~0ull);
    } else {
        const Bytes text = Utf16(*value);
        Put64(b, 0xFFFFFFFFFFFFFFFEull);  // unknown length, as tedious sends it
        for (std::size_t at = 0; at < text.size(); at += chunkBytes) {
            const std::size_t n = std::min(chunkBytes, text.size() - at);
            Put32(b, static_cast<std::uint32_t>(n));
            b.insert(b.end(), text.begin() + static_cast<std::ptrdiff_t>(at),
                     text.begin() + static_cast<std::ptrdiff_t>(at + n));
        }
        Put32(b, 0);
    }
    return Param(std::move(name), false, b);
}

RpcParam VarChar(std::string name, std::optional<Bytes> value, bool utf8Collation) {
    Bytes b{0xA7};
    Put16(b, 8000);
    Append(b, utf8Collation ? Hex("09 04 d0 24 00") : kCollation);
    if (!value) {
        Put16(b, 0xFFFF);
    } else {
        Put16(b, static_cast<std::uint16_t>(value->size()));
        Append(b, *value);
    }
    return Param(std::move(name), false, b);
}

RpcParam NText(std::string name, std::optional<std::string> value) {
    Bytes b{0x63};
    if (!value) {
        Put32(b, 0xFFFFFFFF);
        Append(b, kCollation);
        Put32(b, 0xFFFFFFFF);
    } else {
        const Bytes text = Utf16(*value);
        Put32(b, static_cast<std::uint32_t>(text.size()));
        Append(b, kCollation);
        Put32(b, static_cast<std::uint32_t>(text.size()));
        Append(b, text);
    }
    return Param(std::move(name), false, b);
}

RpcParam IntN(std::string name, std::optional<std::int64_t> value, std::uint8_t width,
              bool output) {
    Bytes b{0x26, width};
    if (!value) {
        b.push_back(0);
    } else {
        b.push_back(width);
        for (int i = 0; i < width; ++i) {
            b.push_back(static_cast<std::uint8_t>(static_cast<std::uint64_t>(*value) >> (8 * i)));
        }
    }
    return Param(std::move(name), output, b);
}

RpcParam BitN(std::string name, std::optional<bool> value) {
    Bytes b{0x68, 1};
    if (!value) {
        b.push_back(0);
    } else {
        b.push_back(1);
        b.push_back(*value ? 1 : 0);
    }
    return Param(std::move(name), false, b);
}

Bytes RpcCallBody(std::variant<std::uint16_t, std::string> procedure,
                  const std::vector<RpcParam>& params) {
    Bytes out;
    if (const auto* id = std::get_if<std::uint16_t>(&procedure)) {
        Put16(out, 0xFFFF);
        Put16(out, *id);
    } else {
        const Bytes name = Utf16(std::get<std::string>(procedure));
        Put16(out, static_cast<std::uint16_t>(name.size() / 2));
        Append(out, name);
    }
    Put16(out, 0);
    for (const RpcParam& p : params) {
        const Bytes name = Utf16(p.name);
        out.push_back(static_cast<std::uint8_t>(name.size() / 2));
        Append(out, name);
        out.push_back(p.output ? 0x01 : 0x00);
        Append(out, p.typeAndValue);
    }
    return out;
}

Bytes RpcPayload(std::variant<std::uint16_t, std::string> procedure,
                 const std::vector<RpcParam>& params) {
    Bytes out = AllHeaders();
    Append(out, RpcCallBody(std::move(procedure), params));
    return out;
}

Bytes Packets(std::uint8_t type, const Bytes& payload, std::size_t packetSize,
              std::uint8_t firstStatusBits) {
    Bytes out;
    const std::size_t chunk = packetSize - 8;
    std::size_t at = 0;
    std::uint8_t id = 1;
    do {
        const std::size_t n = std::min(chunk, payload.size() - at);
        const bool last = at + n == payload.size();
        out.push_back(type);
        out.push_back(static_cast<std::uint8_t>((last ? 1 : 0) | (at == 0 ? firstStatusBits : 0)));
        out.push_back(static_cast<std::uint8_t>((n + 8) >> 8));
        out.push_back(static_cast<std::uint8_t>(n + 8));
        out.push_back(0);
        out.push_back(0);
        out.push_back(id++);
        out.push_back(0);
        out.insert(out.end(), payload.begin() + static_cast<std::ptrdiff_t>(at),
                   payload.begin() + static_cast<std::ptrdiff_t>(at + n));
        at += n;
    } while (at < payload.size());
    return out;
}

std::vector<Bytes> ResponseMessages(const Bytes& packets, std::size_t packetSize,
                                    std::uint16_t spid, std::string* error) {
    std::vector<Bytes> messages;
    Bytes current;
    std::size_t at = 0;
    while (at < packets.size()) {
        if (packets.size() - at < 8) {
            *error = "truncated packet header";
            return messages;
        }
        const std::uint8_t* h = packets.data() + at;
        const std::size_t length = static_cast<std::size_t>((h[2] << 8) | h[3]);
        const std::uint16_t packetSpid = static_cast<std::uint16_t>((h[4] << 8) | h[5]);
        if (h[0] != 0x04 || length < 8 || length > packetSize || at + length > packets.size() ||
            packetSpid != spid) {
            *error = "bad packet header at offset " + std::to_string(at);
            return messages;
        }
        const bool last = (h[1] & 0x01) != 0;
        if (!last && length != packetSize) {
            *error = "a packet before the last one is not full";
            return messages;
        }
        current.insert(current.end(), h + 8, h + length);
        at += length;
        if (last) {
            messages.push_back(std::move(current));
            current.clear();
        }
    }
    if (!current.empty()) {
        *error = "last message has no end-of-message packet";
    }
    return messages;
}

std::vector<Token> DecodeTokens(const Bytes& payload, std::string* error) {
    std::vector<Token> tokens;
    std::size_t at = 0;
    std::vector<ColumnInfo> columns;
    const auto need = [&](std::size_t n) {
        if (payload.size() - at < n) {
            throw std::out_of_range("token runs past the end");
        }
    };
    const auto u8 = [&] {
        need(1);
        return payload[at++];
    };
    const auto u16 = [&] {
        need(2);
        const auto v = static_cast<std::uint16_t>(payload[at] | (payload[at + 1] << 8));
        at += 2;
        return v;
    };
    const auto u32 = [&] {
        need(4);
        std::uint32_t v = 0;
        for (int i = 0; i < 4; ++i) {
            v |= static_cast<std::uint32_t>(payload[at + i]) << (8 * i);
        }
        at += 4;
        return v;
    };
    const auto u64 = [&] {
        const std::uint64_t lo = u32();
        return lo | (static_cast<std::uint64_t>(u32()) << 32);
    };
    const auto text = [&](std::size_t units) {
        need(units * 2);
        std::string s = FromUtf16(payload.data() + at, units * 2);
        at += units * 2;
        return s;
    };
    const auto signedValue = [](std::uint64_t v, int width) {
        if (width < 8 && (v >> (8 * width - 1)) & 1) {
            v |= ~0ull << (8 * width);
        }
        return std::to_string(static_cast<std::int64_t>(v));
    };
    const auto readInt = [&](int width) {
        std::uint64_t v = 0;
        for (int i = 0; i < width; ++i) {
            v |= static_cast<std::uint64_t>(u8()) << (8 * i);
        }
        return width == 1 ? std::to_string(v) : signedValue(v, width);
    };
    const std::map<std::uint8_t, int> fixedWidths = {
        {0x30, 1}, {0x32, 1}, {0x34, 2}, {0x38, 4}, {0x7F, 8}};
    try {
        while (at < payload.size()) {
            Token t;
            t.type = u8();
            switch (t.type) {
                case 0xFD:
                case 0xFE:
                case 0xFF:
                    t.status = u16();
                    u16();
                    t.rowCount = u64();
                    break;
                case 0xAA:
                case 0xAB: {
                    const std::size_t end = u16() + at;
                    t.number = static_cast<std::int32_t>(u32());
                    t.state = u8();
                    t.severity = u8();
                    t.message = text(u16());
                    t.newValue = text(u8());  // server
                    t.oldValue = text(u8());  // procedure
                    t.line = static_cast<std::int32_t>(u32());
                    if (at != end) {
                        throw std::out_of_range("message token length is wrong");
                    }
                    break;
                }
                case 0xE3: {
                    const std::size_t end = u16() + at;
                    t.envType = u8();
                    if (t.envType == 7 || t.envType >= 8) {
                        const std::size_t n = u8();
                        need(n);
                        t.newValue =
                            ToHex(Bytes(payload.begin() + static_cast<std::ptrdiff_t>(at),
                                        payload.begin() + static_cast<std::ptrdiff_t>(at + n)));
                        at += n;
                        const std::size_t m = u8();
                        need(m);
                        t.oldValue =
                            ToHex(Bytes(payload.begin() + static_cast<std::ptrdiff_t>(at),
                                        payload.begin() + static_cast<std::ptrdiff_t>(at + m)));
                        at += m;
                    } else {
                        t.newValue = text(u8());
                        t.oldValue = text(u8());
                    }
                    if (at != end) {
                        throw std::out_of_range("ENVCHANGE length is wrong");
                    }
                    break;
                }
                case 0xAD: {
                    const std::size_t length = u16();
                    const std::size_t end = length + at;
                    t.state = u8();  // interface
                    t.tdsVersion = 0;
                    for (int i = 0; i < 4; ++i) {
                        t.tdsVersion = (t.tdsVersion << 8) | u8();
                    }
                    const std::size_t units = u8();
                    // FreeTDS derives the name's length from the token length.
                    if (length != 10 + 2 * units) {
                        throw std::out_of_range("LOGINACK length does not match its name");
                    }
                    t.newValue = text(units);
                    at = end;
                    break;
                }
                case 0x81: {
                    columns.clear();
                    const std::size_t count = u16();
                    for (std::size_t i = 0; i < count; ++i) {
                        ColumnInfo c;
                        u32();
                        c.flags = u16();
                        c.type = u8();
                        if (c.type == 0xE7) {
                            c.maxLength = u16();
                            need(5);
                            at += 5;
                        } else if (c.type == 0x26 || c.type == 0x68) {
                            c.maxLength = u8();
                        } else if (fixedWidths.contains(c.type)) {
                            c.maxLength = static_cast<std::uint32_t>(fixedWidths.at(c.type));
                        } else {
                            throw std::out_of_range("unexpected column type");
                        }
                        c.name = text(u8());
                        columns.push_back(c);
                    }
                    t.columns = columns;
                    break;
                }
                case 0xD1:
                    for (const ColumnInfo& c : columns) {
                        if (c.type == 0xE7 && c.maxLength == 0xFFFF) {
                            const std::uint64_t total = u64();
                            if (total == ~0ull) {
                                t.values.emplace_back();
                                continue;
                            }
                            std::string value;
                            std::size_t bytes = 0;
                            for (std::uint32_t n = u32(); n != 0; n = u32()) {
                                value += text(n / 2);
                                bytes += n;
                            }
                            if (total != 0xFFFFFFFFFFFFFFFEull && total != bytes) {
                                throw std::out_of_range("PLP total does not match its chunks");
                            }
                            t.values.emplace_back(value);
                        } else if (c.type == 0xE7) {
                            const std::uint16_t n = u16();
                            if (n == 0xFFFF) {
                                t.values.emplace_back();
                            } else {
                                if (n > c.maxLength) {
                                    throw std::out_of_range("value longer than its column");
                                }
                                t.values.emplace_back(text(n / 2));
                            }
                        } else if (c.type == 0x26 || c.type == 0x68) {
                            const std::uint8_t n = u8();
                            if (n == 0) {
                                t.values.emplace_back();
                            } else {
                                t.values.emplace_back(readInt(n));
                            }
                        } else {
                            t.values.emplace_back(readInt(fixedWidths.at(c.type)));
                        }
                    }
                    break;
                case 0x79:
                    t.returnValue = static_cast<std::int32_t>(u32());
                    break;
                case 0xAC: {
                    t.number = u16();
                    t.message = text(u8());
                    t.status = u8();
                    u32();
                    u16();
                    const std::uint8_t type = u8();
                    if (type == 0x26) {
                        u8();
                        const std::uint8_t n = u8();
                        t.returnValue = n == 0 ? 0 : std::stoll(readInt(n));
                    } else if (type == 0xE7) {
                        u16();
                        need(5);
                        at += 5;
                        const std::uint16_t n = u16();
                        t.newValue = n == 0xFFFF ? "" : text(n / 2);
                    } else {
                        throw std::out_of_range("unexpected return value type");
                    }
                    break;
                }
                default:
                    throw std::out_of_range("unknown token " + std::to_string(t.type));
            }
            tokens.push_back(std::move(t));
        }
    } catch (const std::exception& e) {
        *error = e.what();
    }
    return tokens;
}

std::string TokenNames(const std::vector<Token>& tokens) {
    static const std::map<std::uint8_t, const char*> kNames = {
        {0x81, "COLMETADATA"}, {0xAA, "ERROR"},        {0xAB, "INFO"},      {0xAC, "RETURNVALUE"},
        {0xAD, "LOGINACK"},    {0x79, "RETURNSTATUS"}, {0xD1, "ROW"},       {0xE3, "ENVCHANGE"},
        {0xFD, "DONE"},        {0xFE, "DONEPROC"},     {0xFF, "DONEINPROC"}};
    std::string out;
    for (const Token& t : tokens) {
        out += (out.empty() ? "" : " ") + std::string(kNames.at(t.type));
    }
    return out;
}

}  // namespace catalog_server::testing
