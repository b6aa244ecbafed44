#pragma once

// An in-memory stand-in for the SQL engine, for unit tests of the protocol layer: two databases,
// answers scripted per SQL text or procedure name, and a record of what the protocol layer
// passed in.

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "engine/engine.h"

namespace catalog_server::testing {

struct FakeCalls {
    std::vector<std::string> batches;
    std::vector<Parameters> batchParameters;
    std::vector<std::string> procedures;
    std::vector<std::string> procedureDatabases;  // current database during each call
    std::vector<Parameters> procedureParameters;
    int sessionsOpened = 0;
};

class FakeCatalog : public Catalog {
public:
    FakeCatalog();

    std::unique_ptr<Session> OpenSession(std::string_view database) const override;
    std::vector<std::string> DatabaseNames() const override { return {"Orders", "Second"}; }

    // Answers to SQL texts (exact match) and to procedures (lower-cased name).
    std::map<std::string, std::vector<StatementResult>> batches;
    std::map<std::string, std::vector<StatementResult>> procedures;
    std::shared_ptr<FakeCalls> calls = std::make_shared<FakeCalls>();
};

// Small builders for scripted answers.
StatementResult Rows(std::vector<Column> columns, std::vector<std::vector<Value>> rows);
StatementResult Count(std::int64_t n);
StatementResult Failure(std::int32_t number, std::uint8_t severity, std::string message);

}  // namespace catalog_server::testing
