#include "odbc_client.h"

namespace catalog_server::testing {

std::string FreeTdsConnectionString(const std::string& driver, int port,
                                    const std::string& database, const std::string& user,
                                    const std::string& password) {
    return "DRIVER={" + driver + "};SERVER=127.0.0.1;PORT=" + std::to_string(port) +
           ";DATABASE=" + database + ";UID=" + user + ";PWD={" + password +
           "};TDS_Version=7.4;ClientCharset=UTF-8";
}

std::string OdbcDiagnostics(SQLSMALLINT type, SQLHANDLE handle) {
    std::string text;
    for (SQLSMALLINT i = 1;; ++i) {
        SQLCHAR state[6] = {};
        SQLINTEGER native = 0;
        SQLCHAR message[1024] = {};
        SQLSMALLINT length = 0;
        const SQLRETURN rc =
            SQLGetDiagRec(type, handle, i, state, &native, message, sizeof message, &length);
        if (!SQL_SUCCEEDED(rc)) {
            break;
        }
        text += std::string(reinterpret_cast<char*>(state)) + ": " +
                reinterpret_cast<char*>(message) + "\n";
    }
    return text;
}

OdbcConnection::OdbcConnection() {
    SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env_);
    SQLSetEnvAttr(env_, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    SQLAllocHandle(SQL_HANDLE_DBC, env_, &dbc_);
}

OdbcConnection::~OdbcConnection() {
    if (connected_) {
        SQLDisconnect(dbc_);
    }
    SQLFreeHandle(SQL_HANDLE_DBC, dbc_);
    SQLFreeHandle(SQL_HANDLE_ENV, env_);
}

bool OdbcConnection::Connect(const std::string& connectionString, unsigned packetSize) {
    if (packetSize != 0) {
        SQLSetConnectAttr(dbc_, SQL_ATTR_PACKET_SIZE,
                          reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(packetSize)), 0);
    }
    SQLSetConnectAttr(dbc_, SQL_ATTR_LOGIN_TIMEOUT, reinterpret_cast<SQLPOINTER>(10), 0);
    SQLCHAR out[1024];
    SQLSMALLINT outLength = 0;
    const SQLRETURN rc = SQLDriverConnect(
        dbc_, nullptr, reinterpret_cast<SQLCHAR*>(const_cast<char*>(connectionString.c_str())),
        SQL_NTS, out, sizeof out, &outLength, SQL_DRIVER_NOPROMPT);
    connected_ = SQL_SUCCEEDED(rc);
    if (!connected_) {
        error_ = OdbcDiagnostics(SQL_HANDLE_DBC, dbc_);
    }
    return connected_;
}

std::string OdbcConnection::Info(SQLUSMALLINT type) {
    char buffer[512] = {};
    SQLSMALLINT length = 0;
    SQLGetInfo(dbc_, type, buffer, sizeof buffer, &length);
    return buffer;
}

OdbcStatement::OdbcStatement(OdbcConnection& connection) {
    SQLAllocHandle(SQL_HANDLE_STMT, connection.Handle(), &stmt_);
    indicators_.resize(16);
}

OdbcStatement::~OdbcStatement() {
    SQLFreeHandle(SQL_HANDLE_STMT, stmt_);
}

bool OdbcStatement::Check(SQLRETURN rc) {
    if (SQL_SUCCEEDED(rc) || rc == SQL_NO_DATA) {
        return true;
    }
    error_ = OdbcDiagnostics(SQL_HANDLE_STMT, stmt_);
    return false;
}

bool OdbcStatement::ExecDirect(const std::string& sql) {
    return Check(
        SQLExecDirect(stmt_, reinterpret_cast<SQLCHAR*>(const_cast<char*>(sql.c_str())), SQL_NTS));
}

bool OdbcStatement::Prepare(const std::string& sql) {
    return Check(
        SQLPrepare(stmt_, reinterpret_cast<SQLCHAR*>(const_cast<char*>(sql.c_str())), SQL_NTS));
}

bool OdbcStatement::Execute() {
    return Check(SQLExecute(stmt_));
}

bool OdbcStatement::BindText(SQLUSMALLINT number, const std::string& value) {
    indicators_[number] = static_cast<SQLLEN>(value.size());
    return Check(SQLBindParameter(stmt_, number, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_WVARCHAR, 128, 0,
                                  const_cast<char*>(value.data()),
                                  static_cast<SQLLEN>(value.size()), &indicators_[number]));
}

bool OdbcStatement::BindTextBuffer(SQLUSMALLINT number, char* buffer, std::size_t size) {
    indicators_[number] = SQL_NTS;
    return Check(SQLBindParameter(stmt_, number, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_WVARCHAR, 128, 0,
                                  buffer, static_cast<SQLLEN>(size), &indicators_[number]));
}

bool OdbcStatement::BindInt(SQLUSMALLINT number, const SQLINTEGER& value) {
    indicators_[number] = 0;
    return Check(SQLBindParameter(stmt_, number, SQL_PARAM_INPUT, SQL_C_SLONG, SQL_INTEGER, 0, 0,
                                  const_cast<SQLINTEGER*>(&value), 0, &indicators_[number]));
}

bool OdbcStatement::Tables(const char* catalog, const char* schema, const char* table,
                           const char* type) {
    const auto arg = [](const char* s) { return reinterpret_cast<SQLCHAR*>(const_cast<char*>(s)); };
    const auto length = [](const char* s) -> SQLSMALLINT { return s == nullptr ? 0 : SQL_NTS; };
    return Check(SQLTables(stmt_, arg(catalog), length(catalog), arg(schema), length(schema),
                           arg(table), length(table), arg(type), length(type)));
}

std::vector<std::string> OdbcStatement::ColumnNames() {
    SQLSMALLINT count = 0;
    SQLNumResultCols(stmt_, &count);
    std::vector<std::string> names;
    for (SQLSMALLINT i = 1; i <= count; ++i) {
        SQLCHAR name[256] = {};
        SQLSMALLINT nameLength = 0;
        SQLSMALLINT type = 0;
        SQLULEN size = 0;
        SQLSMALLINT digits = 0;
        SQLSMALLINT nullable = 0;
        SQLDescribeCol(stmt_, static_cast<SQLUSMALLINT>(i), name, sizeof name, &nameLength, &type,
                       &size, &digits, &nullable);
        names.emplace_back(reinterpret_cast<char*>(name));
    }
    return names;
}

std::vector<OdbcRow> OdbcStatement::Fetch(std::size_t maxRows) {
    SQLSMALLINT count = 0;
    SQLNumResultCols(stmt_, &count);
    std::vector<OdbcRow> rows;
    while (maxRows == 0 || rows.size() < maxRows) {
        const SQLRETURN rc = SQLFetch(stmt_);
        if (rc == SQL_NO_DATA) {
            break;
        }
        if (!Check(rc)) {
            break;
        }
        OdbcRow row;
        for (SQLSMALLINT i = 1; i <= count; ++i) {
            std::string value;
            bool isNull = false;
            for (;;) {
                char buffer[4096];
                SQLLEN indicator = 0;
                const SQLRETURN got = SQLGetData(stmt_, static_cast<SQLUSMALLINT>(i), SQL_C_CHAR,
                                                 buffer, sizeof buffer, &indicator);
                if (got == SQL_NO_DATA || !SQL_SUCCEEDED(got)) {
                    break;
                }
                if (indicator == SQL_NULL_DATA) {
                    isNull = true;
                    break;
                }
                const std::size_t available =
                    indicator == SQL_NO_TOTAL || indicator >= static_cast<SQLLEN>(sizeof buffer)
                        ? sizeof buffer - 1
                        : static_cast<std::size_t>(indicator);
                value.append(buffer, available);
                if (got == SQL_SUCCESS) {
                    break;
                }
            }
            row.push_back(isNull ? std::nullopt : std::optional<std::string>(value));
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

bool OdbcStatement::CloseCursor() {
    return Check(SQLCloseCursor(stmt_));
}

SQLLEN OdbcStatement::RowCount() {
    SQLLEN count = -1;
    SQLRowCount(stmt_, &count);
    return count;
}

}  // namespace catalog_server::testing
