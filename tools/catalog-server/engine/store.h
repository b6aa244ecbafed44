#pragma once

// The SQLite image of one database's catalog: tables named and shaped like SQL Server's
// compatibility and INFORMATION_SCHEMA views, filled from a Database. Sessions open read-only
// copies of the serialized image.

#include <sqlite3.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "model.h"

namespace catalog_server {

struct SqliteCloser {
    void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
using SqliteHandle = std::unique_ptr<sqlite3, SqliteCloser>;

struct StatementCloser {
    void operator()(sqlite3_stmt* s) const { sqlite3_finalize(s); }
};
using StatementHandle = std::unique_ptr<sqlite3_stmt, StatementCloser>;

// Builds the catalog tables for db and returns the serialized database, or nullopt with a
// reason when SQLite refuses.
std::optional<std::vector<unsigned char>> BuildStore(const Database& db, std::string& error);

// The SQLite table that holds a system view (sysobjects, INFORMATION_SCHEMA.COLUMNS, ...).
const std::vector<std::string>& StoreTableNames();

}  // namespace catalog_server
