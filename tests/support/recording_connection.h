#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "db/client.h"

namespace quillon::testing {

// Passes everything on to a real connection and notes each request on the way.
class RecordingConnection final : public DatabaseConnection {
public:
    static constexpr const char* kTablesRowset = "<tables rowset>";

    RecordingConnection(std::unique_ptr<DatabaseConnection> inner, std::vector<std::string>& sent)
        : inner_(std::move(inner)), sent_(sent) {}

    bool Open(std::string_view connectionString) override { return inner_->Open(connectionString); }
    void Close() override { inner_->Close(); }
    std::unique_ptr<DatabaseResult> TablesRowset() override {
        sent_.emplace_back(kTablesRowset);
        return inner_->TablesRowset();
    }
    std::unique_ptr<DatabaseResult> Execute(std::string_view sql) override {
        sent_.emplace_back(sql);
        return inner_->Execute(sql);
    }

private:
    std::unique_ptr<DatabaseConnection> inner_;
    std::vector<std::string>& sent_;
};

}  // namespace quillon::testing
