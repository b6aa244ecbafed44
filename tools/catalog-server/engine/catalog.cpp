// First cut of the engine: every database answers simple SELECTs through an in-memory SQLite
// connection. The catalog objects follow.
#include <sqlite3.h>

#include <algorithm>
#include <cctype>
#include <fstream>

#include "engine.h"

namespace catalog_server {
namespace {

bool EqualNoCase(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) ==
               std::tolower(static_cast<unsigned char>(y));
    });
}

class SimpleSession : public Session {
public:
    SimpleSession(std::vector<std::string> databases, std::string current)
        : databases_(std::move(databases)), current_(std::move(current)) {
        sqlite3_open(":memory:", &db_);
        sqlite3_create_function(db_, "db_name", 0, SQLITE_UTF8, this, &DbName, nullptr, nullptr);
    }
    ~SimpleSession() override { sqlite3_close(db_); }

    std::string CurrentDatabase() const override { return current_; }
    bool UseDatabase(std::string_view name) override {
        for (const auto& d : databases_) {
            if (EqualNoCase(d, name)) {
                current_ = d;
                return true;
            }
        }
        return false;
    }
    std::vector<StatementResult> ExecuteBatch(std::string_view sql, const Parameters&) override {
        StatementResult result;
        sqlite3_stmt* stmt = nullptr;
        std::string text(sql);
        if (sqlite3_prepare_v2(db_, text.c_str(), -1, &stmt, nullptr) != SQLITE_OK || !stmt) {
            result.error = SqlError{102, 1, 15, 1, "Incorrect syntax."};
            return {result};
        }
        ResultSet rs;
        const int n = sqlite3_column_count(stmt);
        for (int i = 0; i < n; ++i) {
            rs.columns.push_back(Column{sqlite3_column_name(stmt, i), ColumnType::NVarChar, 128});
        }
        while (sqlite3_step(stmt) == SQLITE_ROW) {
            std::vector<Value> row;
            for (int i = 0; i < n; ++i) {
                switch (sqlite3_column_type(stmt, i)) {
                    case SQLITE_INTEGER:
                        row.emplace_back(static_cast<std::int64_t>(sqlite3_column_int64(stmt, i)));
                        rs.columns[i].type = ColumnType::Int;
                        break;
                    case SQLITE_NULL:
                        row.emplace_back(std::monostate{});
                        break;
                    default:
                        row.emplace_back(std::string(
                            reinterpret_cast<const char*>(sqlite3_column_text(stmt, i))));
                }
            }
            rs.rows.push_back(std::move(row));
        }
        sqlite3_finalize(stmt);
        result.rowCount = static_cast<std::int64_t>(rs.rows.size());
        result.resultSet = std::move(rs);
        return {result};
    }
    std::vector<StatementResult> ExecuteProcedure(std::string_view name,
                                                  const Parameters&) override {
        StatementResult result;
        result.error = SqlError{2812, 62, 16, 1,
                                "Could not find stored procedure '" + std::string(name) + "'."};
        return {result};
    }

private:
    static void DbName(sqlite3_context* ctx, int, sqlite3_value**) {
        auto* self = static_cast<SimpleSession*>(sqlite3_user_data(ctx));
        sqlite3_result_text(ctx, self->current_.c_str(), -1, SQLITE_TRANSIENT);
    }
    sqlite3* db_ = nullptr;
    std::vector<std::string> databases_;
    std::string current_;
};

class SimpleCatalog : public Catalog {
public:
    explicit SimpleCatalog(std::vector<std::string> names) : names_(std::move(names)) {}
    std::unique_ptr<Session> OpenSession(std::string_view database) const override {
        for (const auto& d : names_) {
            if (EqualNoCase(d, database)) {
                return std::make_unique<SimpleSession>(names_, d);
            }
        }
        return nullptr;
    }
    std::vector<std::string> DatabaseNames() const override { return names_; }

private:
    std::vector<std::string> names_;
};

}  // namespace

LoadResult LoadCatalog(const std::vector<ScriptSource>& sources) {
    LoadResult result;
    std::vector<std::string> names;
    for (const auto& source : sources) {
        for (const auto& file : source.files) {
            std::ifstream in(file);
            if (!in) {
                result.error = LoadError{file, 0, "cannot open the file"};
                return result;
            }
        }
        names.push_back(source.database);
    }
    result.catalog = std::make_unique<SimpleCatalog>(std::move(names));
    return result;
}

}  // namespace catalog_server
