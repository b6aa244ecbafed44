#pragma once

// The two messages of a connection's start: PRELOGIN (answered with "encryption not available")
// and LOGIN7 (user, password, database, packet size).

#include <cstdint>
#include <optional>
#include <string>

#include "wire.h"

namespace catalog_server::tds {

namespace encryption {
inline constexpr std::uint8_t kOff = 0x00;
inline constexpr std::uint8_t kOn = 0x01;
inline constexpr std::uint8_t kNotSupported = 0x02;
inline constexpr std::uint8_t kRequired = 0x03;
}  // namespace encryption

struct PreLoginRequest {
    std::optional<std::uint8_t> encryption;
};

// The server's product version, sent in PRELOGIN and LOGINACK.
struct ServerVersion {
    std::uint8_t major = 15;
    std::uint8_t minor = 0;
    std::uint16_t build = 2000;
};

// Parses the option table of a PRELOGIN request; nullopt with a reason when it is malformed.
std::optional<PreLoginRequest> ParsePreLogin(ByteView payload, std::string* error);
// VERSION, ENCRYPTION = not supported, INSTOPT = 0 (instance OK), THREADID empty, MARS off.
Bytes BuildPreLoginReply(const ServerVersion& version);

struct Login7 {
    std::uint32_t tdsVersion = 0;  // as the client sent it, e.g. 0x74000004
    std::uint32_t packetSize = 0;
    std::uint8_t optionFlags2 = 0;
    std::string hostName;
    std::string userName;
    std::string password;
    std::string appName;
    std::string serverName;
    std::string libraryName;
    std::string language;
    std::string database;
    bool integratedSecurity = false;  // SSPI / Windows login requested
};

// Parses a LOGIN7 message by its offset table, every field bounds-checked; nullopt with a
// reason when it is malformed.
std::optional<Login7> ParseLogin7(ByteView payload, std::string* error);

// Undoes the client's password scrambling (XOR 0xA5, then swap the nibbles of each byte) and
// decodes the UTF-16LE result.
std::string DecodeLoginPassword(ByteView scrambled);

}  // namespace catalog_server::tds
