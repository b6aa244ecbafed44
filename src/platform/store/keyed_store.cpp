#include "platform/store/keyed_store.h"

#include <sqlite3.h>

#include <system_error>

#include "platform/core/message_box.h"
#include "platform/core/text.h"

namespace quillon {

namespace {

struct DatabaseCloser {
    void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
struct StatementFinalizer {
    void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};
using Statement = std::unique_ptr<sqlite3_stmt, StatementFinalizer>;

std::string QuotedName(std::string_view name) {
    return "\"" + DoubleEach(name, '"') + "\"";
}

}  // namespace

std::string StoreErrorText(std::string_view fileName, std::string_view detail) {
    std::string text = "Error accessing ";
    text.append(fileName).append(": ").append(detail);
    return text;
}

struct KeyedStore::Connection {
    std::unique_ptr<sqlite3, DatabaseCloser> db;

    Statement Prepare(const std::string& sql) const {
        sqlite3_stmt* statement = nullptr;
        sqlite3_prepare_v2(db.get(), sql.c_str(), static_cast<int>(sql.size()), &statement,
                           nullptr);
        return Statement(statement);
    }
};

KeyedStore::KeyedStore(std::filesystem::path path, std::string password, StoreLayout layout,
                       MessageBox& reporter)
    : path_(std::move(path)),
      password_(std::move(password)),
      layout_(std::move(layout)),
      reporter_(reporter) {}

KeyedStore::~KeyedStore() = default;

bool KeyedStore::IsOpen() const {
    return connection_ != nullptr;
}

bool KeyedStore::Open() {
    if (connection_) {
        ++openCount_;
        return true;
    }
    std::error_code ignored;
    const bool existed = std::filesystem::exists(path_, ignored);
    auto connection = std::make_unique<Connection>();
    sqlite3* raw = nullptr;
    int code =
        sqlite3_open_v2(path_.c_str(), &raw, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    connection->db.reset(raw);
    if (code == SQLITE_OK && !password_.empty()) {
        code = sqlite3_key(raw, password_.data(), static_cast<int>(password_.size()));
    }
    // Reading the schema proves the password (or that the file is a database at all) before
    // anything is written to it.
    if (code == SQLITE_OK) {
        code = sqlite3_exec(raw, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr);
    }
    if (code == SQLITE_OK) {
        std::string ddl = "CREATE TABLE IF NOT EXISTS " + QuotedName(layout_.table) + " (";
        for (std::size_t i = 0; i < layout_.columns.size(); ++i) {
            const StoreColumn& column = layout_.columns[i];
            ddl += (i ? ", " : "") + QuotedName(column.name);
            ddl += i == 0        ? " INTEGER PRIMARY KEY"
                   : column.text ? " TEXT COLLATE NOCASE"
                                 : " INTEGER";
        }
        ddl += ");";
        for (std::size_t k = 1; k < layout_.keys.size(); ++k) {
            const StoreKey& key = layout_.keys[k];
            ddl += std::string("CREATE ") + (key.unique ? "UNIQUE " : "") + "INDEX IF NOT EXISTS " +
                   QuotedName(key.name) + " ON " + QuotedName(layout_.table) + " (";
            for (std::size_t c = 0; c < key.components.size(); ++c) {
                ddl += (c ? ", " : "") + QuotedName(layout_.columns[key.components[c]].name);
            }
            ddl += ");";
        }
        code = sqlite3_exec(raw, ddl.c_str(), nullptr, nullptr, nullptr);
    }
    if (code != SQLITE_OK) {
        lastError_ = raw ? sqlite3_errmsg(raw) : sqlite3_errstr(code);
        connection.reset();
        if (!existed) {
            std::filesystem::remove(path_, ignored);  // do not leave an empty file behind
        }
        reporter_.Show("File error", StoreErrorText(path_.filename().string(), lastError_));
        return false;
    }
    sqlite3_busy_timeout(raw, 2000);  // a second copy of the program may hold a lock briefly
    connection_ = std::move(connection);
    openCount_ = 1;
    return true;
}

void KeyedStore::Close() {
    if (openCount_ > 0 && --openCount_ == 0) {
        connection_.reset();
    }
}

StoreStatus KeyedStore::Fail(int code, bool report) {
    lastError_ = connection_ ? sqlite3_errmsg(connection_->db.get()) : sqlite3_errstr(code);
    if (report) {
        reporter_.Show("File error", StoreErrorText(path_.filename().string(), lastError_));
    }
    return (code & 0xFF) == SQLITE_CONSTRAINT ? StoreStatus::DuplicateKey : StoreStatus::Failed;
}

namespace {

void Bind(sqlite3_stmt* statement, int index, const StoreValue& value) {
    if (const auto* number = std::get_if<std::int64_t>(&value)) {
        sqlite3_bind_int64(statement, index, *number);
    } else {
        const std::string& text = std::get<std::string>(value);
        sqlite3_bind_text(statement, index, text.data(), static_cast<int>(text.size()),
                          SQLITE_TRANSIENT);
    }
}

StoreRow ReadRow(sqlite3_stmt* statement, const StoreLayout& layout) {
    StoreRow row;
    row.reserve(layout.columns.size());
    for (std::size_t i = 0; i < layout.columns.size(); ++i) {
        const int column = static_cast<int>(i);
        if (layout.columns[i].text) {
            const auto* text =
                reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
            row.emplace_back(std::string(text ? text : ""));
        } else {
            row.emplace_back(static_cast<std::int64_t>(sqlite3_column_int64(statement, column)));
        }
    }
    return row;
}

}  // namespace

std::optional<StoreRow> KeyedStore::Fetch(std::size_t key, const StoreRow& probe) {
    if (!connection_ || key >= layout_.keys.size()) {
        return std::nullopt;
    }
    std::string sql = "SELECT * FROM " + QuotedName(layout_.table) + " WHERE ";
    const auto& components = layout_.keys[key].components;
    for (std::size_t c = 0; c < components.size(); ++c) {
        sql += (c ? " AND " : "") + QuotedName(layout_.columns[components[c]].name) + " = ?";
    }
    sql += " ORDER BY " + QuotedName(layout_.columns[0].name) + " LIMIT 1";
    const Statement statement = connection_->Prepare(sql);
    if (!statement) {
        Fail(SQLITE_ERROR, false);
        return std::nullopt;
    }
    for (std::size_t c = 0; c < components.size(); ++c) {
        Bind(statement.get(), static_cast<int>(c + 1), probe[components[c]]);
    }
    if (sqlite3_step(statement.get()) != SQLITE_ROW) {
        return std::nullopt;
    }
    return ReadRow(statement.get(), layout_);
}

StoreStatus KeyedStore::Insert(StoreRow& row, bool report) {
    if (!connection_) {
        return StoreStatus::NotOpen;
    }
    std::string sql = "INSERT INTO " + QuotedName(layout_.table) + " VALUES (NULL";
    for (std::size_t i = 1; i < layout_.columns.size(); ++i) {
        sql += ", ?";
    }
    sql += ")";
    const Statement statement = connection_->Prepare(sql);
    if (!statement) {
        return Fail(SQLITE_ERROR, report);
    }
    for (std::size_t i = 1; i < row.size(); ++i) {
        Bind(statement.get(), static_cast<int>(i), row[i]);
    }
    const int code = sqlite3_step(statement.get());
    if (code != SQLITE_DONE) {
        return Fail(sqlite3_extended_errcode(connection_->db.get()), report);
    }
    row[0] = static_cast<std::int64_t>(sqlite3_last_insert_rowid(connection_->db.get()));
    return StoreStatus::Ok;
}

StoreStatus KeyedStore::Update(const StoreRow& row, bool report) {
    if (!connection_) {
        return StoreStatus::NotOpen;
    }
    std::string sql = "UPDATE " + QuotedName(layout_.table) + " SET ";
    for (std::size_t i = 1; i < layout_.columns.size(); ++i) {
        sql += (i > 1 ? ", " : "") + QuotedName(layout_.columns[i].name) + " = ?";
    }
    sql += " WHERE " + QuotedName(layout_.columns[0].name) + " = ?";
    const Statement statement = connection_->Prepare(sql);
    if (!statement) {
        return Fail(SQLITE_ERROR, report);
    }
    for (std::size_t i = 1; i < row.size(); ++i) {
        Bind(statement.get(), static_cast<int>(i), row[i]);
    }
    Bind(statement.get(), static_cast<int>(row.size()), row[0]);
    if (sqlite3_step(statement.get()) != SQLITE_DONE) {
        return Fail(sqlite3_extended_errcode(connection_->db.get()), report);
    }
    if (sqlite3_changes(connection_->db.get()) == 0) {
        lastError_ = "the record no longer exists";
        if (report) {
            reporter_.Show("File error", StoreErrorText(path_.filename().string(), lastError_));
        }
        return StoreStatus::NoCurrentRecord;
    }
    return StoreStatus::Ok;
}

StoreStatus KeyedStore::Delete(std::int64_t recordNumber, bool report) {
    if (!connection_) {
        return StoreStatus::NotOpen;
    }
    const Statement statement =
        connection_->Prepare("DELETE FROM " + QuotedName(layout_.table) + " WHERE " +
                             QuotedName(layout_.columns[0].name) + " = ?");
    if (!statement) {
        return Fail(SQLITE_ERROR, report);
    }
    sqlite3_bind_int64(statement.get(), 1, recordNumber);
    if (sqlite3_step(statement.get()) != SQLITE_DONE) {
        return Fail(sqlite3_extended_errcode(connection_->db.get()), report);
    }
    return StoreStatus::Ok;
}

std::vector<StoreRow> KeyedStore::Browse(std::size_t key) {
    std::vector<StoreRow> rows;
    if (!connection_ || key >= layout_.keys.size()) {
        return rows;
    }
    std::string sql = "SELECT * FROM " + QuotedName(layout_.table) + " ORDER BY ";
    for (const std::size_t component : layout_.keys[key].components) {
        sql += QuotedName(layout_.columns[component].name) + ", ";
    }
    sql += QuotedName(layout_.columns[0].name);
    const Statement statement = connection_->Prepare(sql);
    if (!statement) {
        Fail(SQLITE_ERROR, false);
        return rows;
    }
    while (sqlite3_step(statement.get()) == SQLITE_ROW) {
        rows.push_back(ReadRow(statement.get(), layout_));
    }
    return rows;
}

}  // namespace quillon
