#pragma once

// Turns one T-SQL SELECT into SQLite text over the catalog tables: [names] and "names" become
// quoted identifiers, INFORMATION_SCHEMA.X and sys.X become their store tables, TOP n becomes
// LIMIT n, N'..' loses its N, T-SQL-only operators and functions get SQLite spellings, and
// alias = expr becomes expr AS alias. It also notes what SQL Server would name and type each
// output column, which SQLite cannot say for expressions.

#include <functional>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "engine.h"
#include "lexer.h"

namespace catalog_server {

// Resolves a table reference (name parts as written, "" for an omitted part) to its store
// table, or nullopt when it names nothing the engine serves.
using TableResolver = std::function<std::optional<std::string>(const std::vector<std::string>&)>;

// A global variable (@@version, @@spid ...): its value as an SQLite literal and its type.
struct GlobalValue {
    std::string literal;
    Column column;
};
using GlobalResolver = std::function<std::optional<GlobalValue>(const std::string& lowerName)>;

// What SQL Server would call and type one output column; type unset when SQLite's declared type
// or the values must decide.
struct OutputHint {
    std::string name;
    bool named = false;  // false: SQL Server sends an empty column name
    bool star = false;   // * or t.*: names and types come from SQLite
    std::optional<Column> type;
};

struct Translation {
    std::string sql;
    std::vector<OutputHint> outputs;
    std::vector<std::string> variables;     // lower-cased @names used, for binding
    std::vector<std::string> exposedNames;  // table aliases and names in FROM, for error texts
    // Maps offsets in sql back to token indexes (sorted by offset) for SQLite's error offsets.
    std::vector<std::pair<std::size_t, std::size_t>> offsets;
};

// Translates tokens [begin, end) of a statement that starts with SELECT (or WITH).
std::variant<Translation, SqlError> TranslateSelect(const std::vector<Token>& tokens,
                                                    std::size_t begin, std::size_t end,
                                                    const TableResolver& tables,
                                                    const GlobalResolver& globals,
                                                    const Parameters& parameters);

// The SQL Server error for a syntax problem at token index i (or at the end when i == end).
SqlError SyntaxErrorNear(const std::vector<Token>& tokens, std::size_t i, std::size_t end);

}  // namespace catalog_server
