#pragma once

// The two keyed data files in the program's folder: saved connections ("conns.db", encrypted
// with the owner password) and table aliases ("tAliases.db", in the clear).

#include <cstdint>
#include <filesystem>
#include <string>

#include "platform/store/keyed_file.h"

namespace quillon {

struct ConnectionRecord {
    std::int32_t RECORDID = 0;
    std::string SERVER;    // STRING(255)
    std::string DATABASE;  // STRING(255)
    std::string USERNAME;  // STRING(255)
    std::string PWD;       // STRING(255), readable only inside the encrypted file
    std::uint8_t FLAGTRUSTEDCONN = 0;

    bool operator==(const ConnectionRecord&) const = default;
};

enum class ConnectionKey : std::size_t {
    KeyPrimary,  // RECORDID, auto-numbered
    KeyUnique,   // SERVER, DATABASE, USERNAME; unique, letter case ignored
};

struct AliasRecord {
    std::int32_t TA_ID = 0;
    std::int32_t OBJECTID = 0;
    std::string CATALOG;    // STRING(255)
    std::string SCHEMA;     // STRING(255)
    std::string TABLENAME;  // STRING(20): a longer name is kept and matched on its first 20
    std::string ALIASNAME;  // STRING(255); blank = no alias

    bool operator==(const AliasRecord&) const = default;
};

enum class AliasKey : std::size_t {
    KeyPrimary,  // TA_ID, auto-numbered
    KeyFind,     // OBJECTID, CATALOG, SCHEMA, TABLENAME; duplicates allowed, letter case ignored
};

using DBConnectionsFile = KeyedFile<ConnectionRecord, ConnectionKey>;
using TablesAliasesFile = KeyedFile<AliasRecord, AliasKey>;

inline constexpr std::string_view kConnectionsFileName = "conns.db";
inline constexpr std::string_view kAliasesFileName = "tAliases.db";

// The managers of both files, created at start-up; no file is opened until a window opens it.
struct DataFiles {
    DataFiles(const std::filesystem::path& folder, const std::string& ownerPassword,
              MessageBox& reporter);

    DBConnectionsFile DBConnections;
    TablesAliasesFile TablesAliases;
};

}  // namespace quillon
