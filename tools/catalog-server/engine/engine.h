#pragma once

// The SQL side of catalog-server: databases built from T-SQL scripts, and sessions that run
// batches and procedure calls against them. It knows nothing of the wire protocol; the TDS
// layer turns requests into these calls and the results into tokens.

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace catalog_server {

// Column types that go on the wire. Lengths are in characters for NVarChar (-1 = max).
enum class ColumnType { Int, SmallInt, TinyInt, Bit, BigInt, NVarChar };

struct Column {
    std::string name;  // UTF-8
    ColumnType type = ColumnType::NVarChar;
    int maxLength = 128;  // NVarChar only: characters, -1 = nvarchar(max)
    bool nullable = true;
};

// A NULL, a whole number, or a UTF-8 text.
using Value = std::variant<std::monostate, std::int64_t, std::string>;

struct ResultSet {
    std::vector<Column> columns;
    std::vector<std::vector<Value>> rows;
};

// A SQL Server error, as it goes into an ERROR token.
struct SqlError {
    std::int32_t number = 0;
    std::uint8_t state = 1;
    std::uint8_t severity = 16;
    std::int32_t line = 1;
    std::string message;  // UTF-8
};

// The outcome of one statement of a batch: a result set, or a row count (DONE without columns),
// or an error. A batch stops at an error with severity >= 16 only where SQL Server would (a
// syntax error aborts the whole batch before anything runs).
struct StatementResult {
    std::optional<ResultSet> resultSet;
    std::optional<std::int64_t> rowCount;  // DONE_COUNT when set
    std::optional<SqlError> error;
    // Further messages of the same statement, sent after `error` and before its one DONE: SQL
    // Server reports an unclosed quote as 102 and 105 together, ending one statement.
    std::vector<SqlError> moreErrors;
};

// Parameter values of sp_executesql, sp_execute and procedure calls, by name with '@'
// (for example "@P1"), lower-cased.
using Parameters = std::map<std::string, Value>;

class Catalog;

// One connection's state: current database, SET options. Not thread-safe; one per connection.
class Session {
public:
    virtual ~Session() = default;
    virtual std::string CurrentDatabase() const = 0;
    // The connection's server process id, answered by @@spid; the TDS layer sets it once after
    // login (the same number it puts in packet headers).
    virtual void SetSpid(std::uint16_t spid) { (void)spid; }
    // Switches database like USE; false when the database does not exist (error 911).
    virtual bool UseDatabase(std::string_view name) = 0;
    // Runs a batch of one or more statements, with parameters for sp_executesql-style calls.
    virtual std::vector<StatementResult> ExecuteBatch(std::string_view sql,
                                                      const Parameters& parameters = {}) = 0;
    // Runs a stored procedure by name ("sp_tables", ...), with named parameters.
    virtual std::vector<StatementResult> ExecuteProcedure(std::string_view name,
                                                          const Parameters& parameters) = 0;
};

// A warning met while loading scripts: file, line and what was skipped.
struct ScriptWarning {
    std::string file;
    int line = 0;
    std::string message;
};

struct ScriptSource {
    std::string database;            // database name, e.g. "Orders"
    std::vector<std::string> files;  // script paths, loaded in order
    int generatedTables = 0;         // --generate-tables N for this database
};

struct LoadError {
    std::string file;
    int line = 0;
    std::string reason;
};

// All databases of the server. Built once at start, then read-only and safe to share between
// connection threads; each Session has its own reader.
class Catalog {
public:
    virtual ~Catalog() = default;
    virtual std::unique_ptr<Session> OpenSession(std::string_view database) const = 0;
    virtual std::vector<std::string> DatabaseNames() const = 0;
};

struct LoadResult {
    std::unique_ptr<Catalog> catalog;  // null on error
    std::optional<LoadError> error;
    std::vector<ScriptWarning> warnings;
};

LoadResult LoadCatalog(const std::vector<ScriptSource>& sources);

}  // namespace catalog_server
