#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace quillon {

// The ODBC driver that connections go through.
struct OdbcDriver {
    std::string name;      // a driver library's path or a driver name registered with unixODBC
    bool freeTds = false;  // takes FreeTDS's own keys (Port, TDS_Version, ClientCharset)
};

// The FreeTDS driver of Debian's tdsodbc package, by path, so it needs no registration.
inline constexpr std::string_view kFreeTdsDriverPath =
    "/usr/lib/x86_64-linux-gnu/odbc/libtdsodbc.so";

// QUILLON_ODBC_DRIVER when it is set (a path or a registered name), otherwise the FreeTDS driver.
OdbcDriver ConfiguredOdbcDriver();
OdbcDriver DriverNamed(std::string_view name);

// Translates the program's connection string (Provider, Server, Database, UID, Pwd,
// Trusted_connection) into the driver's keys:
//   Provider            dropped
//   Server=host         Server=host
//   Server=host,port    FreeTDS: Server=host;Port=port   others: unchanged
//   Server=host\inst    Server=host\inst (the driver asks the server's browser for the port)
//   Database, UID, Pwd  Database, UID, PWD
//   Trusted_connection=YES   Trusted_Connection=Yes (Kerberos with FreeTDS, integrated login with
//                            Microsoft's driver)
// FreeTDS also gets TDS_Version=7.4 and ClientCharset=UTF-8. Values are quoted the way the driver
// reads them. nullopt when the string cannot be translated (a port that is no number, a value
// that the driver cannot read back whole): the open then fails.
std::optional<std::string> TranslateConnectionString(std::string_view connectionString,
                                                     const OdbcDriver& driver);

}  // namespace quillon
