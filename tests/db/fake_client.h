#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "db/client.h"
#include "db/connection_context.h"

namespace quillon::testing {

// A result as the fake server hands it out.
struct FakeAnswer {
    std::vector<std::string> names;
    std::vector<std::vector<FieldValue>> rows;
};

// An in-memory server: answers texts from a table (or a function), records what was sent, and
// counts the results that are still alive.
struct FakeServer {
    static constexpr const char* kTablesRowset = "<tables rowset>";

    std::map<std::string, FakeAnswer> answers;
    std::function<std::optional<FakeAnswer>(const std::string&)> answerOf;  // asked first
    std::optional<FakeAnswer> tables;  // the tables rowset; nullopt fails it
    bool acceptOpen = true;
    std::function<void()> onOpen;  // runs as each open is attempted
    bool endByFailedMove = false;  // after the last row the move fails instead of setting EOF

    std::vector<std::string> sent;
    std::vector<std::string> opened;
    int liveResults = 0;
    int liveResultsAtLastRequest = 0;
    int closes = 0;
};

class FakeResult final : public DatabaseResult {
public:
    FakeResult(FakeServer& server, FakeAnswer answer)
        : server_(server), answer_(std::move(answer)) {
        ++server_.liveResults;
    }
    ~FakeResult() override { --server_.liveResults; }

    bool MoveFirst() override {
        row_ = 0;
        return !answer_.rows.empty();
    }
    bool MoveNext() override {
        if (row_ + 1 >= answer_.rows.size() && server_.endByFailedMove) {
            return false;
        }
        ++row_;
        return true;
    }
    std::optional<bool> EndOfData() override { return row_ >= answer_.rows.size(); }
    int FieldCount() override { return static_cast<int>(answer_.names.size()); }
    std::string FieldName(int index) override { return answer_.names.at(index); }
    FieldValue Value(int index) override {
        const auto& row = answer_.rows.at(row_);
        return static_cast<std::size_t>(index) < row.size() ? row[index] : FieldValue();
    }

private:
    FakeServer& server_;
    FakeAnswer answer_;
    std::size_t row_ = 0;
};

class FakeConnection final : public DatabaseConnection {
public:
    explicit FakeConnection(FakeServer& server) : server_(server) {}

    bool Open(std::string_view connectionString) override {
        server_.opened.emplace_back(connectionString);
        if (server_.onOpen) {
            server_.onOpen();
        }
        return server_.acceptOpen;
    }
    void Close() override { ++server_.closes; }

    std::unique_ptr<DatabaseResult> TablesRowset() override {
        Note(FakeServer::kTablesRowset);
        if (!server_.tables) {
            return nullptr;
        }
        return std::make_unique<FakeResult>(server_, *server_.tables);
    }

    std::unique_ptr<DatabaseResult> Execute(std::string_view sql) override {
        const std::string text(sql);
        Note(text);
        std::optional<FakeAnswer> answer;
        if (server_.answerOf) {
            answer = server_.answerOf(text);
        }
        if (!answer) {
            const auto found = server_.answers.find(text);
            if (found == server_.answers.end()) {
                return nullptr;
            }
            answer = found->second;
        }
        return std::make_unique<FakeResult>(server_, *answer);
    }

private:
    void Note(const std::string& text) {
        server_.sent.push_back(text);
        server_.liveResultsAtLastRequest = server_.liveResults;
    }

    FakeServer& server_;
};

class FakeClient final : public DatabaseClient {
public:
    explicit FakeClient(FakeServer& server, bool initialised = true)
        : server_(server), initialised_(initialised) {}

    bool Initialised() const override { return initialised_; }
    std::unique_ptr<DatabaseConnection> NewConnection() override {
        return std::make_unique<FakeConnection>(server_);
    }

private:
    FakeServer& server_;
    bool initialised_;
};

// A context whose connection talks to the fake server.
inline std::unique_ptr<ConnectionContext> FakeContext(FakeServer& server,
                                                      EngineYield* yield = nullptr) {
    auto context = std::make_unique<ConnectionContext>();
    context->CONN = std::make_unique<FakeConnection>(server);
    context->yield = yield;
    return context;
}

}  // namespace quillon::testing
