#include "login.h"

#include <array>
#include <vector>

namespace catalog_server::tds {
namespace {

// The fixed part is 86 bytes up to TDS 7.1; 7.2 added the change-password and long-SSPI fields.
constexpr std::size_t kLogin7FixedSize = 86;
constexpr std::uint32_t kTds72 = 0x72000000;
constexpr std::uint32_t kMaxLogin7Size = 128 * 1024 - 1;
constexpr std::uint8_t kIntegratedSecurityFlag = 0x80;

enum PreLoginOption : std::uint8_t {
    kVersion = 0x00,
    kEncryption = 0x01,
    kInstOpt = 0x02,
    kThreadId = 0x03,
    kMars = 0x04,
    kTerminator = 0xFF,
};

}  // namespace

std::optional<PreLoginRequest> ParsePreLogin(ByteView payload, std::string* error) {
    PreLoginRequest request;
    ByteReader table(payload);
    for (;;) {
        const std::uint8_t option = table.U8();
        if (!table.Ok()) {
            *error = "prelogin option table has no terminator";
            return std::nullopt;
        }
        if (option == kTerminator) {
            break;
        }
        const std::size_t offset = table.U16BE();
        const std::size_t length = table.U16BE();
        if (!table.Ok() || offset > payload.size() || length > payload.size() - offset) {
            *error = "prelogin option lies outside the message";
            return std::nullopt;
        }
        if (option == kEncryption && length >= 1) {
            request.encryption = payload[offset];
        }
    }
    return request;
}

Bytes BuildPreLoginReply(const ServerVersion& version) {
    struct Option {
        std::uint8_t token;
        Bytes data;
    };
    const std::array<Option, 5> options = {{
        {kVersion,
         {version.major, version.minor, static_cast<std::uint8_t>(version.build >> 8),
          static_cast<std::uint8_t>(version.build), 0, 0}},
        {kEncryption, {encryption::kNotSupported}},
        {kInstOpt, {0x00}},
        {kThreadId, {}},
        {kMars, {0x00}},
    }};
    Bytes out;
    ByteWriter w(out);
    std::size_t offset = options.size() * 5 + 1;
    for (const Option& option : options) {
        w.U8(option.token);
        w.U16BE(static_cast<std::uint16_t>(offset));
        w.U16BE(static_cast<std::uint16_t>(option.data.size()));
        offset += option.data.size();
    }
    w.U8(kTerminator);
    for (const Option& option : options) {
        w.Raw(option.data);
    }
    return out;
}

std::string DecodeLoginPassword(ByteView scrambled) {
    std::vector<std::uint8_t> plain(scrambled.begin(), scrambled.end());
    for (std::uint8_t& b : plain) {
        const std::uint8_t x = b ^ 0xA5;
        b = static_cast<std::uint8_t>((x << 4) | (x >> 4));
    }
    return Utf16LeToUtf8(plain);
}

std::optional<Login7> ParseLogin7(ByteView payload, std::string* error) {
    ByteReader r(payload);
    const std::uint32_t declaredLength = r.U32LE();
    if (!r.Ok() || payload.size() < kLogin7FixedSize) {
        *error = "login message is shorter than its fixed part";
        return std::nullopt;
    }
    if (declaredLength > kMaxLogin7Size || declaredLength > payload.size() ||
        declaredLength < kLogin7FixedSize) {
        *error = "login message length field is invalid";
        return std::nullopt;
    }
    // Strings are only read inside the declared structure.
    const ByteView body = payload.first(declaredLength);

    Login7 login;
    login.tdsVersion = r.U32LE();
    login.packetSize = r.U32LE();
    r.Skip(4 + 4 + 4);  // client program version, process id, connection id
    r.Skip(1);          // option flags 1
    login.optionFlags2 = r.U8();
    r.Skip(1 + 1 + 4 + 4);  // type flags, option flags 3, time zone, LCID

    bool fieldsOk = true;
    const auto text = [&](bool scrambled = false) {
        const std::size_t offset = r.U16LE();
        const std::size_t units = r.U16LE();
        if (units == 0) {
            return std::string();
        }
        if (offset > body.size() || units * 2 > body.size() - offset) {
            fieldsOk = false;
            return std::string();
        }
        const ByteView bytes = body.subspan(offset, units * 2);
        return scrambled ? DecodeLoginPassword(bytes) : Utf16LeToUtf8(bytes);
    };
    login.hostName = text();
    login.userName = text();
    login.password = text(true);
    login.appName = text();
    login.serverName = text();
    r.Skip(4);  // extension (FeatureExt pointer): nothing in it changes our answer
    login.libraryName = text();
    login.language = text();
    login.database = text();
    r.Skip(6);  // client MAC address
    r.Skip(2);  // SSPI offset
    const std::uint16_t sspiLength = r.U16LE();
    text();  // attach-database file
    std::uint32_t sspiLongLength = 0;
    if (login.tdsVersion >= kTds72) {
        text();  // change-password
        sspiLongLength = r.U32LE();
    }
    if (!r.Ok() || !fieldsOk) {
        *error = "login field lies outside the message";
        return std::nullopt;
    }
    login.integratedSecurity = (login.optionFlags2 & kIntegratedSecurityFlag) != 0 ||
                               sspiLength != 0 || sspiLongLength != 0;
    return login;
}

}  // namespace catalog_server::tds
