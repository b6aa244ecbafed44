#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace quillon {

// One value of the current row: null, text (UTF-8) or a number.
using FieldValue = std::variant<std::monostate, std::string, std::int64_t, double>;

// A result read forwards, row by row. It is released (destroyed) as soon as its rows are read.
class DatabaseResult {
public:
    virtual ~DatabaseResult() = default;

    // Moves to the first row; false when the result has no rows or the move failed.
    virtual bool MoveFirst() = 0;
    // Moves on by one row; false when the move failed. After the last row either this fails or
    // EndOfData() is true.
    virtual bool MoveNext() = 0;
    // True past the last row; nullopt when the test itself failed.
    virtual std::optional<bool> EndOfData() = 0;

    // The columns of the current row, by zero-based index.
    virtual int FieldCount() = 0;
    virtual std::string FieldName(int index) = 0;
    virtual FieldValue Value(int index) = 0;
};

// One connection to a server. Every failure is a value: false or a null result.
class DatabaseConnection {
public:
    virtual ~DatabaseConnection() = default;

    virtual bool Open(std::string_view connectionString) = 0;
    // Closes an open connection; nothing happens when it is not open.
    virtual void Close() = 0;

    // The tables rowset: columns TABLE_CATALOG, TABLE_SCHEMA, TABLE_NAME and TABLE_TYPE (and
    // perhaps more); TABLE_TYPE is "TABLE" for user tables and "VIEW" for views.
    virtual std::unique_ptr<DatabaseResult> TablesRowset() = 0;
    // Runs an SQL text; null when that failed.
    virtual std::unique_ptr<DatabaseResult> Execute(std::string_view sql) = 0;
};

// The client library of the thread. Connections are attempted only when it is initialised.
class DatabaseClient {
public:
    virtual ~DatabaseClient() = default;

    virtual bool Initialised() const = 0;
    virtual std::unique_ptr<DatabaseConnection> NewConnection() = 0;
};

}  // namespace quillon
