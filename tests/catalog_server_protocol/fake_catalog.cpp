#include "fake_catalog.h"

#include <algorithm>
#include <cctype>
#include <stdexcept>

namespace catalog_server::testing {
namespace {

std::string Lower(std::string_view s) {
    std::string out(s);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

class FakeSession : public Session {
public:
    FakeSession(const FakeCatalog& catalog, std::string database)
        : catalog_(catalog), database_(std::move(database)) {}

    std::string CurrentDatabase() const override { return database_; }

    bool UseDatabase(std::string_view name) override {
        for (const std::string& known : catalog_.DatabaseNames()) {
            if (Lower(known) == Lower(name)) {
                database_ = known;
                return true;
            }
        }
        return false;
    }

    std::vector<StatementResult> ExecuteBatch(std::string_view sql,
                                              const Parameters& parameters) override {
        catalog_.calls->batches.emplace_back(sql);
        catalog_.calls->batchParameters.push_back(parameters);
        const std::string text(sql);
        if (Lower(text).starts_with("use ")) {
            if (UseDatabase(text.substr(4))) {
                return {StatementResult{}};
            }
            return {Failure(911, 16, "Database '" + text.substr(4) + "' does not exist.")};
        }
        if (text == "throw") {
            throw std::runtime_error("engine fault");
        }
        const auto found = catalog_.batches.find(text);
        if (found != catalog_.batches.end()) {
            return found->second;
        }
        return {Failure(102, 15, "Incorrect syntax near '" + text + "'.")};
    }

    std::vector<StatementResult> ExecuteProcedure(std::string_view name,
                                                  const Parameters& parameters) override {
        catalog_.calls->procedures.emplace_back(name);
        catalog_.calls->procedureDatabases.push_back(database_);
        catalog_.calls->procedureParameters.push_back(parameters);
        const auto found = catalog_.procedures.find(Lower(name));
        if (found != catalog_.procedures.end()) {
            return found->second;
        }
        return {Failure(2812, 16, "Could not find stored procedure '" + std::string(name) + "'.")};
    }

private:
    const FakeCatalog& catalog_;
    std::string database_;
};

}  // namespace

FakeCatalog::FakeCatalog() = default;

std::unique_ptr<Session> FakeCatalog::OpenSession(std::string_view database) const {
    for (const std::string& known : DatabaseNames()) {
        if (Lower(known) == Lower(database)) {
            ++calls->sessionsOpened;
            return std::make_unique<FakeSession>(*this, known);
        }
    }
    return nullptr;
}

StatementResult Rows(std::vector<Column> columns, std::vector<std::vector<Value>> rows) {
    StatementResult result;
    result.resultSet = ResultSet{std::move(columns), std::move(rows)};
    return result;
}

StatementResult Count(std::int64_t n) {
    StatementResult result;
    result.rowCount = n;
    return result;
}

StatementResult Failure(std::int32_t number, std::uint8_t severity, std::string message) {
    StatementResult result;
    SqlError error;
    error.number = number;
    error.severity = severity;
    error.message = std::move(message);
    result.error = error;
    return result;
}

}  // namespace catalog_server::testing
