#pragma once

// Shared helpers of the engine tests: the Orders sample database, loaded once, and results as
// rows of text ("NULL" for a null) that tables of expected rows compare against.

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "engine.h"

namespace catalog_server::testing {

using Rows = std::vector<std::vector<std::string>>;

inline std::string SamplePath() {
    const char* source = std::getenv("QUILLON_SOURCE_DIR");
    return std::string(source ? source : ".") + "/samples/orders.sql";
}

// The catalog of samples/orders.sql, shared by all tests of the process (it is read-only).
inline const Catalog& OrdersCatalog() {
    static const LoadResult loaded = LoadCatalog({ScriptSource{"Orders", {SamplePath()}, 0}});
    if (!loaded.catalog) {
        ADD_FAILURE() << "samples/orders.sql did not load: "
                      << (loaded.error
                              ? loaded.error->file + ":" + std::to_string(loaded.error->line) +
                                    " " + loaded.error->reason
                              : std::string("no reason"));
        std::abort();
    }
    return *loaded.catalog;
}

inline std::string ToText(const Value& v) {
    if (const auto* i = std::get_if<std::int64_t>(&v)) {
        return std::to_string(*i);
    }
    if (const auto* s = std::get_if<std::string>(&v)) {
        return *s;
    }
    return "NULL";
}

inline Rows ToRows(const ResultSet& rs) {
    Rows rows;
    for (const auto& row : rs.rows) {
        std::vector<std::string> texts;
        for (const auto& v : row) {
            texts.push_back(ToText(v));
        }
        rows.push_back(std::move(texts));
    }
    return rows;
}

// Runs a batch expected to give exactly one result set.
inline ResultSet Single(Session& session, const std::string& sql, const Parameters& p = {}) {
    auto results = session.ExecuteBatch(sql, p);
    if (results.size() != 1 || !results[0].resultSet) {
        ADD_FAILURE() << "no single result set for: " << sql
                      << (results.size() == 1 && results[0].error
                              ? " (error " + std::to_string(results[0].error->number) + ": " +
                                    results[0].error->message + ")"
                              : std::string());
        return {};
    }
    return *results[0].resultSet;
}

inline Rows Query(Session& session, const std::string& sql) {
    return ToRows(Single(session, sql));
}

// The id of an object by its two-part name, as text for splicing into SQL.
inline std::string IdOf(Session& session, const std::string& twoPartName) {
    std::string literal;
    for (const char c : twoPartName) {
        literal += c;
        if (c == '\'') {
            literal += c;
        }
    }
    const Rows rows = Query(session, "select object_id(N'" + literal + "')");
    return rows.empty() ? "?" : rows[0][0];
}

}  // namespace catalog_server::testing
