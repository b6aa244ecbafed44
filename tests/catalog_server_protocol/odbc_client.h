#pragma once

// A small RAII client over unixODBC, used by the peer tests and the benchmark to talk to
// catalog-server through the FreeTDS ODBC driver, exactly as the program's database layer does.

#include <sql.h>
#include <sqlext.h>

#include <optional>
#include <string>
#include <vector>

namespace catalog_server::testing {

using OdbcRow = std::vector<std::optional<std::string>>;

// FreeTDS connection string without a DSN: the driver by path, TDS 7.4, UTF-8 to the application.
std::string FreeTdsConnectionString(const std::string& driver, int port,
                                    const std::string& database, const std::string& user,
                                    const std::string& password);

class OdbcStatement;

class OdbcConnection {
public:
    OdbcConnection();
    ~OdbcConnection();
    OdbcConnection(const OdbcConnection&) = delete;
    OdbcConnection& operator=(const OdbcConnection&) = delete;

    // packetSize 0 leaves the driver's default.
    bool Connect(const std::string& connectionString, unsigned packetSize = 0);
    std::string Info(SQLUSMALLINT type);
    const std::string& Error() const { return error_; }
    SQLHDBC Handle() const { return dbc_; }

private:
    SQLHENV env_ = SQL_NULL_HENV;
    SQLHDBC dbc_ = SQL_NULL_HDBC;
    bool connected_ = false;
    std::string error_;
};

class OdbcStatement {
public:
    explicit OdbcStatement(OdbcConnection& connection);
    ~OdbcStatement();
    OdbcStatement(const OdbcStatement&) = delete;
    OdbcStatement& operator=(const OdbcStatement&) = delete;

    bool ExecDirect(const std::string& sql);
    bool Prepare(const std::string& sql);
    bool Execute();
    // Binds a text input parameter (1-based); the value must outlive the execution.
    bool BindText(SQLUSMALLINT number, const std::string& value);
    // Binds a NUL-terminated text buffer; changing its contents between executions keeps the
    // binding (the driver then reuses the prepared statement).
    bool BindTextBuffer(SQLUSMALLINT number, char* buffer, std::size_t size);
    bool BindInt(SQLUSMALLINT number, const SQLINTEGER& value);
    bool Tables(const char* catalog, const char* schema, const char* table, const char* type);
    std::vector<std::string> ColumnNames();
    // Fetches up to maxRows rows (all when 0), every column as text.
    std::vector<OdbcRow> Fetch(std::size_t maxRows = 0);
    bool CloseCursor();
    SQLLEN RowCount();
    const std::string& Error() const { return error_; }
    SQLHSTMT Handle() const { return stmt_; }

private:
    bool Check(SQLRETURN rc);

    SQLHSTMT stmt_ = SQL_NULL_HSTMT;
    std::vector<SQLLEN> indicators_;
    std::string error_;
};

// Diagnostics of a handle: "SQLSTATE: message" lines.
std::string OdbcDiagnostics(SQLSMALLINT type, SQLHANDLE handle);

}  // namespace catalog_server::testing
