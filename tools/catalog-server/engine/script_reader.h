#pragma once

// Reads T-SQL DDL scripts into a Database: GO-separated batches; CREATE SCHEMA, TABLE, INDEX,
// VIEW, PROCEDURE and TYPE ... FROM; ALTER TABLE ... ADD. Other statements are skipped with a
// warning; a script it cannot make sense of stops loading with file, line and reason.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine.h"
#include "model.h"

namespace catalog_server {

class ScriptReader {
public:
    explicit ScriptReader(std::string databaseName);
    ~ScriptReader();
    ScriptReader(const ScriptReader&) = delete;
    ScriptReader& operator=(const ScriptReader&) = delete;

    // Reads one script file; false with error() set when it cannot be read.
    bool ReadFile(const std::string& path);
    // Reads script text; file names the source in warnings and errors.
    bool ReadText(const std::string& file, std::string_view text);
    // Adds n generated tables with keys, indexes and foreign keys between them.
    bool AddGeneratedTables(int n);

    const std::optional<LoadError>& error() const;
    const std::vector<ScriptWarning>& warnings() const;
    // The finished database (indexed for lookups); the reader is spent afterwards.
    Database Finish();

private:
    class Impl;
    std::unique_ptr<Impl> impl_;
};

// The text of --generate-tables n, as a DDL script.
std::string GeneratedTablesScript(int n);

}  // namespace catalog_server
