#pragma once

// What every catalog connection needs before it runs a query: the case-insensitive collation
// MSSQL, SQL Server's LIKE, and the catalog functions (object_id, object_name, ...).

#include <sqlite3.h>

#include <string>

namespace catalog_server {

struct Database;

// Per-connection values the functions answer (db_name(), @@spid).
struct SessionInfo {
    const Database* database = nullptr;
    int spid = 51;
};

// Registers collation MSSQL; enough for building a store.
bool RegisterCollation(sqlite3* db);

// Registers the collation and every T-SQL function; info must outlive the connection.
bool RegisterFunctions(sqlite3* db, const SessionInfo* info);

}  // namespace catalog_server
