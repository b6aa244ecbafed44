#include "platform/odbc/odbc_client.h"

#include <sql.h>
#include <sqlext.h>
#include <sqlucode.h>

#include <array>
#include <string>
#include <utility>
#include <vector>

#include "platform/core/unicode.h"

namespace quillon {

namespace {

constexpr SQLULEN kLoginTimeoutSeconds = 15;
constexpr SQLULEN kQueryTimeoutSeconds = 30;

bool Succeeded(SQLRETURN code) {
    return code == SQL_SUCCESS || code == SQL_SUCCESS_WITH_INFO;
}

// One ODBC handle, freed when this goes.
class Handle {
public:
    Handle(SQLSMALLINT type, SQLHANDLE parent) : type_(type) {
        if (!Succeeded(SQLAllocHandle(type, parent, &handle_))) {
            handle_ = SQL_NULL_HANDLE;
        }
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    ~Handle() {
        if (handle_ != SQL_NULL_HANDLE) {
            SQLFreeHandle(type_, handle_);
        }
    }

    SQLHANDLE get() const { return handle_; }
    explicit operator bool() const { return handle_ != SQL_NULL_HANDLE; }

private:
    SQLSMALLINT type_ = 0;
    SQLHANDLE handle_ = SQL_NULL_HANDLE;
};

std::basic_string<SQLWCHAR> Wide(std::string_view text) {
    static_assert(sizeof(SQLWCHAR) == sizeof(char16_t), "unixODBC wide characters are UTF-16");
    const std::u16string utf16 = Utf8ToUtf16(text);
    return {utf16.begin(), utf16.end()};
}

// SQLWCHAR is unsigned short, not char16_t: the units are copied, not reinterpreted.
std::string Narrow(const SQLWCHAR* text, std::size_t length) {
    return Utf16ToUtf8(std::u16string(text, text + length));
}

}  // namespace

// The environment handle; connections keep it alive until they are gone.
class OdbcEnvironment {
public:
    OdbcEnvironment()
        : env_(SQL_HANDLE_ENV, SQL_NULL_HANDLE),
          ready_(env_ && Succeeded(SQLSetEnvAttr(env_.get(), SQL_ATTR_ODBC_VERSION,
                                                 reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0))) {}

    bool ready() const { return ready_; }
    SQLHENV get() const { return env_.get(); }

private:
    Handle env_;
    bool ready_ = false;
};

namespace {

// The connection handle and its environment; results keep it alive, so a result released after
// its connection never frees a statement of a vanished connection.
class ConnectionHandles {
public:
    explicit ConnectionHandles(std::shared_ptr<OdbcEnvironment> environment)
        : environment_(std::move(environment)), dbc_(SQL_HANDLE_DBC, environment_->get()) {}
    ConnectionHandles(const ConnectionHandles&) = delete;
    ConnectionHandles& operator=(const ConnectionHandles&) = delete;
    ~ConnectionHandles() {
        if (connected_) {
            SQLDisconnect(dbc_.get());
        }
    }

    bool Connect(const std::string& odbcConnectionString) {
        if (!dbc_ || connected_) {
            return false;
        }
        // A server that does not answer gives up after the usual 15 seconds, not the driver's
        // own (much longer) default.
        SQLSetConnectAttr(dbc_.get(), SQL_ATTR_LOGIN_TIMEOUT,
                          reinterpret_cast<SQLPOINTER>(kLoginTimeoutSeconds), 0);
        auto text = Wide(odbcConnectionString);
        connected_ = Succeeded(SQLDriverConnectW(dbc_.get(), nullptr, text.data(),
                                                 static_cast<SQLSMALLINT>(text.size()), nullptr, 0,
                                                 nullptr, SQL_DRIVER_NOPROMPT));
        return connected_;
    }

    SQLHDBC get() const { return dbc_.get(); }

private:
    std::shared_ptr<OdbcEnvironment> environment_;
    Handle dbc_;
    bool connected_ = false;
};

// A forward-only result. Each fetched row is read whole, so its values can be asked for in any
// order and more than once.
class OdbcResult final : public DatabaseResult {
public:
    OdbcResult(std::shared_ptr<ConnectionHandles> connection, std::unique_ptr<Handle> statement,
               std::vector<std::string> fixedNames)
        : connection_(std::move(connection)), statement_(std::move(statement)) {
        Describe(std::move(fixedNames));
    }

    bool MoveFirst() override { return Fetch() == SQL_SUCCESS && !end_; }

    bool MoveNext() override {
        const SQLRETURN code = Fetch();
        return code == SQL_SUCCESS || code == SQL_NO_DATA;
    }

    std::optional<bool> EndOfData() override { return end_; }

    int FieldCount() override { return static_cast<int>(columns_.size()); }

    std::string FieldName(int index) override {
        return Valid(index) ? columns_[index].name : std::string();
    }

    FieldValue Value(int index) override {
        return Valid(index) && !end_ ? values_[index] : FieldValue();
    }

private:
    enum class Kind { Text, Whole, Real };
    struct Column {
        std::string name;
        Kind kind = Kind::Text;
    };

    bool Valid(int index) const {
        return index >= 0 && static_cast<std::size_t>(index) < columns_.size();
    }

    void Describe(std::vector<std::string> fixedNames) {
        SQLHSTMT stmt = statement_->get();
        SQLSMALLINT count = 0;
        // A text may start with statements that return no rows; its first row set counts.
        while (Succeeded(SQLNumResultCols(stmt, &count)) && count == 0) {
            if (!Succeeded(SQLMoreResults(stmt))) {
                return;
            }
        }
        for (SQLSMALLINT i = 1; i <= count; ++i) {
            std::array<SQLWCHAR, 256> name{};
            SQLSMALLINT nameLength = 0;
            SQLSMALLINT type = 0;
            SQLULEN size = 0;
            SQLSMALLINT digits = 0;
            SQLSMALLINT nullable = 0;
            if (!Succeeded(SQLDescribeColW(stmt, i, name.data(), name.size(), &nameLength, &type,
                                           &size, &digits, &nullable))) {
                columns_.clear();
                return;
            }
            Column column;
            const auto index = static_cast<std::size_t>(i - 1);
            column.name =
                index < fixedNames.size()
                    ? fixedNames[index]
                    : Narrow(name.data(), std::min<std::size_t>(nameLength, name.size() - 1));
            column.kind = KindOf(type);
            columns_.push_back(std::move(column));
        }
    }

    static Kind KindOf(SQLSMALLINT type) {
        switch (type) {
            case SQL_INTEGER:
            case SQL_SMALLINT:
            case SQL_TINYINT:
            case SQL_BIGINT:
            case SQL_BIT:
                return Kind::Whole;
            case SQL_REAL:
            case SQL_FLOAT:
            case SQL_DOUBLE:
            case SQL_DECIMAL:
            case SQL_NUMERIC:
                return Kind::Real;
            default:
                return Kind::Text;
        }
    }

    SQLRETURN Fetch() {
        if (columns_.empty() || end_) {
            end_ = true;
            return SQL_NO_DATA;
        }
        const SQLRETURN code = SQLFetch(statement_->get());
        if (code == SQL_NO_DATA) {
            end_ = true;
            return SQL_NO_DATA;
        }
        if (!Succeeded(code)) {
            return SQL_ERROR;
        }
        values_.clear();
        for (std::size_t i = 0; i < columns_.size(); ++i) {
            values_.push_back(Read(static_cast<SQLUSMALLINT>(i + 1), columns_[i].kind));
        }
        return SQL_SUCCESS;
    }

    FieldValue Read(SQLUSMALLINT column, Kind kind) {
        SQLHSTMT stmt = statement_->get();
        SQLLEN indicator = 0;
        if (kind == Kind::Whole) {
            SQLBIGINT number = 0;
            if (!Succeeded(SQLGetData(stmt, column, SQL_C_SBIGINT, &number, 0, &indicator)) ||
                indicator == SQL_NULL_DATA) {
                return {};
            }
            return static_cast<std::int64_t>(number);
        }
        if (kind == Kind::Real) {
            double number = 0;
            if (!Succeeded(SQLGetData(stmt, column, SQL_C_DOUBLE, &number, 0, &indicator)) ||
                indicator == SQL_NULL_DATA) {
                return {};
            }
            return number;
        }
        // Text comes in pieces as wide characters, whatever the driver's own character set.
        std::basic_string<SQLWCHAR> text;
        std::array<SQLWCHAR, 2048> buffer;  // filled by the driver; no need to clear it per field
        constexpr std::size_t kPiece = buffer.size() - 1;  // one place for the terminator
        for (;;) {
            const SQLRETURN code =
                SQLGetData(stmt, column, SQL_C_WCHAR, buffer.data(), sizeof buffer, &indicator);
            if (code == SQL_NO_DATA) {
                break;
            }
            if (!Succeeded(code)) {
                return {};
            }
            if (indicator == SQL_NULL_DATA) {
                return {};
            }
            const bool more = code == SQL_SUCCESS_WITH_INFO &&
                              (indicator == SQL_NO_TOTAL ||
                               static_cast<std::size_t>(indicator) / sizeof(SQLWCHAR) > kPiece);
            const std::size_t units =
                more ? kPiece : static_cast<std::size_t>(indicator) / sizeof(SQLWCHAR);
            text.append(buffer.data(), buffer.data() + units);
            if (!more) {
                break;
            }
        }
        return Narrow(text.data(), text.size());
    }

    std::shared_ptr<ConnectionHandles> connection_;  // outlives the statement
    std::unique_ptr<Handle> statement_;
    std::vector<Column> columns_;
    std::vector<FieldValue> values_;
    bool end_ = false;
};

class OdbcConnection final : public DatabaseConnection {
public:
    OdbcConnection(std::shared_ptr<OdbcEnvironment> environment, const OdbcDriver& driver)
        : environment_(std::move(environment)), driver_(driver) {}

    bool Open(std::string_view connectionString) override {
        if (handles_) {
            return false;
        }
        const auto translated = TranslateConnectionString(connectionString, driver_);
        if (!translated) {
            return false;
        }
        auto handles = std::make_shared<ConnectionHandles>(environment_);
        if (!handles->Connect(*translated)) {
            return false;
        }
        handles_ = std::move(handles);
        return true;
    }

    void Close() override { handles_.reset(); }

    std::unique_ptr<DatabaseResult> TablesRowset() override {
        auto statement = NewStatement();
        if (!statement || !Succeeded(SQLTablesW(statement->get(), nullptr, 0, nullptr, 0, nullptr,
                                                0, nullptr, 0))) {
            return nullptr;
        }
        // ODBC names the first columns TABLE_CAT and TABLE_SCHEM (ODBC 2: TABLE_QUALIFIER,
        // TABLE_OWNER); the program knows them by the names of the tables schema rowset.
        return std::make_unique<OdbcResult>(
            handles_, std::move(statement),
            std::vector<std::string>{"TABLE_CATALOG", "TABLE_SCHEMA", "TABLE_NAME", "TABLE_TYPE"});
    }

    std::unique_ptr<DatabaseResult> Execute(std::string_view sql) override {
        auto statement = NewStatement();
        if (!statement) {
            return nullptr;
        }
        auto text = Wide(sql);
        const SQLRETURN code =
            SQLExecDirectW(statement->get(), text.data(), static_cast<SQLINTEGER>(text.size()));
        if (!Succeeded(code) && code != SQL_NO_DATA) {
            return nullptr;
        }
        return std::make_unique<OdbcResult>(handles_, std::move(statement),
                                            std::vector<std::string>{});
    }

private:
    std::unique_ptr<Handle> NewStatement() {
        if (!handles_) {
            return nullptr;
        }
        auto statement = std::make_unique<Handle>(SQL_HANDLE_STMT, handles_->get());
        if (!*statement) {
            return nullptr;
        }
        // A query the server never finishes fails after 30 seconds instead of blocking for good.
        SQLSetStmtAttr(statement->get(), SQL_ATTR_QUERY_TIMEOUT,
                       reinterpret_cast<SQLPOINTER>(kQueryTimeoutSeconds), 0);
        return statement;
    }

    std::shared_ptr<OdbcEnvironment> environment_;
    OdbcDriver driver_;
    std::shared_ptr<ConnectionHandles> handles_;  // set while open
};

}  // namespace

OdbcClient::OdbcClient(OdbcDriver driver)
    : driver_(std::move(driver)), environment_(std::make_shared<OdbcEnvironment>()) {}

OdbcClient::~OdbcClient() = default;

bool OdbcClient::Initialised() const {
    return environment_->ready();
}

std::unique_ptr<DatabaseConnection> OdbcClient::NewConnection() {
    if (!Initialised()) {
        return nullptr;
    }
    return std::make_unique<OdbcConnection>(environment_, driver_);
}

}  // namespace quillon
