// One connection's view of the catalog: runs batches (SELECT over the catalog, SET, USE, EXEC)
// and sp_tables against a read-only SQLite copy of the current database.

#include <algorithm>
#include <cstdio>
#include <map>
#include <unordered_map>

#include "catalog_impl.h"
#include "functions.h"
#include "lexer.h"
#include "store.h"
#include "text.h"
#include "translator.h"

namespace catalog_server {
namespace {

constexpr const char* kVersion =
    "Microsoft SQL Server 2019 (RTM-CU22) (KB5027702) - 15.0.4322.2 (X64) \n"
    "\tJul 27 2023 18:11:00 \n"
    "\tCopyright (C) 2019 Microsoft Corporation\n"
    "\tDeveloper Edition (64-bit) on Linux (Debian GNU/Linux 12 (bookworm)) <X64>";

SqlError Error(std::int32_t number, std::uint8_t severity, int line, std::string message,
               std::uint8_t state = 1) {
    return SqlError{number, state, severity, line, std::move(message)};
}

StatementResult ErrorResult(SqlError e) {
    StatementResult r;
    r.error = std::move(e);
    return r;
}

Column MakeColumn(const std::string& name, ColumnType type, int length, bool nullable) {
    Column c;
    c.name = name;
    c.type = type;
    c.maxLength = length;
    c.nullable = nullable;
    return c;
}

// Maps a declared SQL Server type of a store column to the wire type.
std::optional<Column> ColumnFromDecl(const char* decl) {
    if (!decl) {
        return std::nullopt;
    }
    const std::string d = LowerText(decl);
    Column c;
    auto length = [&](int fallback) {
        const auto open = d.find('(');
        return open == std::string::npos ? fallback : std::atoi(d.c_str() + open + 1);
    };
    if (d == "int") {
        c.type = ColumnType::Int;
    } else if (d == "smallint") {
        c.type = ColumnType::SmallInt;
    } else if (d == "tinyint") {
        c.type = ColumnType::TinyInt;
    } else if (d == "bigint") {
        c.type = ColumnType::BigInt;
    } else if (d == "bit") {
        c.type = ColumnType::Bit;
    } else if (d == "sysname") {
        c.maxLength = 128;
    } else if (d == "datetime") {
        c.maxLength = 23;  // sent as its text, yyyy-mm-dd hh:mi:ss.mmm
    } else if (d == "image") {
        c.maxLength = -1;
    } else {
        c.maxLength = std::max(1, length(1));
    }
    return c;
}

Value ReadValue(sqlite3_stmt* stmt, int i) {
    switch (sqlite3_column_type(stmt, i)) {
        case SQLITE_INTEGER:
            return Value{static_cast<std::int64_t>(sqlite3_column_int64(stmt, i))};
        case SQLITE_NULL:
            return Value{};
        case SQLITE_FLOAT: {
            char buf[64];
            std::snprintf(buf, sizeof buf, "%.15g", sqlite3_column_double(stmt, i));
            return Value{std::string(buf)};
        }
        default: {
            const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(stmt, i));
            return Value{
                std::string(p ? p : "", static_cast<std::size_t>(sqlite3_column_bytes(stmt, i)))};
        }
    }
}

// Statements that produce nothing (SET, USE, BEGIN TRAN) send no token of their own; a batch
// of only such statements still answers with one empty result (a plain DONE).
std::vector<StatementResult> WithoutEmptyResults(std::vector<StatementResult> results) {
    std::vector<StatementResult> kept;
    for (auto& r : results) {
        if (r.resultSet || r.rowCount || r.error) {
            kept.push_back(std::move(r));
        }
    }
    if (kept.empty()) {
        kept.emplace_back();
    }
    return kept;
}

struct Prepared {
    StatementHandle stmt;
    Translation translation;
};

class SessionImpl : public Session {
public:
    SessionImpl(const CatalogImpl& catalog, const LoadedDatabase& database) : catalog_(catalog) {
        Open(database);
    }

    bool ok() const { return sqlite_ != nullptr; }

    std::string CurrentDatabase() const override { return current_->model.name; }
    void SetSpid(std::uint16_t spid) override { info_.spid = spid; }

    bool UseDatabase(std::string_view name) override {
        const LoadedDatabase* db = catalog_.Find(name);
        if (!db) {
            return false;
        }
        if (db != current_) {
            Open(*db);
        }
        return sqlite_ != nullptr;
    }

    std::vector<StatementResult> ExecuteBatch(std::string_view sql,
                                              const Parameters& parameters) override;
    std::vector<StatementResult> ExecuteProcedure(std::string_view name,
                                                  const Parameters& parameters) override;

private:
    enum class Kind { Select, Set, Use, Exec, Transaction, ReadOnly, Unsupported, Empty };

    struct Statement {
        Kind kind;
        std::size_t begin;
        std::size_t end;
        Prepared* prepared = nullptr;
    };

    void Open(const LoadedDatabase& db) {
        cache_.clear();
        sqlite_.reset();
        current_ = &db;
        info_.database = &db.model;
        sqlite3* raw = nullptr;
        if (sqlite3_open_v2(":memory:", &raw, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX,
                            nullptr) != SQLITE_OK) {
            sqlite3_close_v2(raw);
            return;
        }
        SqliteHandle handle(raw);
        auto* data = const_cast<unsigned char*>(db.image.data());
        const auto size = static_cast<sqlite3_int64>(db.image.size());
        if (sqlite3_deserialize(raw, "main", data, size, size, SQLITE_DESERIALIZE_READONLY) !=
            SQLITE_OK) {
            return;
        }
        // Double-quoted names must never turn into strings when no column matches.
        sqlite3_db_config(raw, SQLITE_DBCONFIG_DQS_DML, 0, nullptr);
        sqlite3_db_config(raw, SQLITE_DBCONFIG_DQS_DDL, 0, nullptr);
        if (!RegisterFunctions(raw, &info_)) {
            return;
        }
        sqlite3_exec(raw, "PRAGMA query_only = 1", nullptr, nullptr, nullptr);
        sqlite_ = std::move(handle);
    }

    std::optional<std::string> ResolveTable(const std::vector<std::string>& parts) const {
        std::vector<std::string> p = parts;
        if (p.size() == 3) {
            if (!EqualsNoCase(p[0], current_->model.name)) {
                return std::nullopt;
            }
            p.erase(p.begin());
        }
        if (p.size() > 2 || p.empty()) {
            return std::nullopt;
        }
        const std::string schema = p.size() == 2 ? p[0] : std::string();
        for (const auto& v : SystemViews()) {
            if (!EqualsNoCase(v.name, p.back())) {
                continue;
            }
            if (v.schema == "sys") {
                // Compatibility views answer under sys, dbo or no schema at all.
                if (schema.empty() || EqualsNoCase(schema, "sys") || EqualsNoCase(schema, "dbo")) {
                    return v.storeTable;
                }
            } else if (EqualsNoCase(schema, v.schema)) {
                return v.storeTable;
            }
        }
        return std::nullopt;
    }

    std::optional<GlobalValue> Global(const std::string& name) const {
        auto text = [](const std::string& v, int length) {
            return GlobalValue{"'" + quillon::DoubleEach(v, '\'') + "'",
                               MakeColumn("", ColumnType::NVarChar, length, false)};
        };
        auto number = [](std::int64_t v, ColumnType type) {
            return GlobalValue{std::to_string(v), MakeColumn("", type, 0, false)};
        };
        if (name == "@@version") {
            return text(kVersion, 300);
        }
        if (name == "@@spid") {
            return number(info_.spid, ColumnType::SmallInt);
        }
        if (name == "@@servername" || name == "@@servicename") {
            return text(name == "@@servername" ? "catalog-server" : "MSSQLSERVER", 128);
        }
        if (name == "@@language") {
            return text("us_english", 128);
        }
        if (name == "@@trancount" || name == "@@error" || name == "@@rowcount") {
            return number(0, ColumnType::Int);
        }
        if (name == "@@microsoftversion") {
            return number(251662562, ColumnType::Int);
        }
        if (name == "@@textsize") {
            return number(2147483647, ColumnType::Int);
        }
        if (name == "@@datefirst") {
            return number(7, ColumnType::TinyInt);
        }
        if (name == "@@max_precision") {
            return number(38, ColumnType::TinyInt);
        }
        if (name == "@@langid") {
            return number(0, ColumnType::SmallInt);
        }
        if (name == "@@options") {
            return number(5496, ColumnType::Int);
        }
        return std::nullopt;
    }

    // Splits a batch into statements at ';' and where a new statement keyword begins.
    std::vector<Statement> Split(const std::vector<Token>& t) const {
        std::vector<Statement> out;
        std::size_t start = 0;
        int depth = 0;
        auto isStart = [&](std::size_t k) {
            const Token& tok = t[k];
            if (tok.kind != TokenKind::Name) {
                return false;
            }
            static const char* const kWords[] = {
                "SELECT",    "SET",    "USE",      "EXEC",   "EXECUTE",  "DECLARE", "IF",
                "BEGIN",     "COMMIT", "ROLLBACK", "PRINT",  "INSERT",   "UPDATE",  "DELETE",
                "CREATE",    "ALTER",  "DROP",     "GRANT",  "TRUNCATE", "RETURN",  "WHILE",
                "RAISERROR", "MERGE",  "DENY",     "REVOKE", "SAVE"};
            bool word = false;
            for (const char* w : kWords) {
                word = word || tok.IsWord(w);
            }
            if (tok.IsWord("WITH")) {
                word = k + 2 < t.size() && t[k + 1].IsName() &&
                       (t[k + 2].IsWord("AS") || t[k + 2].IsOp("("));
            }
            if (!word) {
                return false;
            }
            if (tok.IsWord("SELECT") && k > 0 &&
                (t[k - 1].IsWord("UNION") || t[k - 1].IsWord("ALL") || t[k - 1].IsWord("EXCEPT") ||
                 t[k - 1].IsWord("INTERSECT") || t[k - 1].IsWord("AS"))) {
                return false;
            }
            return true;
        };
        for (std::size_t k = 0; k < t.size(); ++k) {
            if (t[k].IsOp("(")) {
                ++depth;
            } else if (t[k].IsOp(")")) {
                --depth;
            } else if (depth == 0 && t[k].IsOp(";")) {
                if (k > start) {
                    out.push_back({Kind::Empty, start, k});
                }
                start = k + 1;
                continue;
            }
            if (depth == 0 && k > start && isStart(k) && !ContinuesStatement(t, start, k)) {
                out.push_back({Kind::Empty, start, k});
                start = k;
            }
        }
        if (start < t.size()) {
            out.push_back({Kind::Empty, start, t.size()});
        }
        for (auto& s : out) {
            s.kind = Classify(t, s.begin, out.size() == 1 || &s == &out.front());
        }
        return out;
    }

    // A keyword that does not start a new statement: INSERT ... SELECT, UPDATE ... SET,
    // BEGIN TRAN, SET TRANSACTION ... and the like stay inside the statement before them.
    static bool ContinuesStatement(const std::vector<Token>& t, std::size_t start, std::size_t k) {
        const Token& first = t[start];
        const Token& tok = t[k];
        if (tok.IsWord("SELECT") &&
            (first.IsWord("INSERT") || first.IsWord("DECLARE") || first.IsWord("IF") ||
             first.IsWord("WHILE") || first.IsWord("CREATE") || first.IsWord("ALTER") ||
             (first.IsWord("WITH") && k > start))) {
            return first.IsWord("WITH") ? !t[k - 1].IsOp(")") : true;
        }
        if (tok.IsWord("SET") &&
            (first.IsWord("UPDATE") || first.IsWord("CREATE") || first.IsWord("ALTER"))) {
            return true;
        }
        if ((tok.IsWord("DELETE") || tok.IsWord("UPDATE") || tok.IsWord("INSERT") ||
             tok.IsWord("SELECT")) &&
            (first.IsWord("GRANT") || first.IsWord("DENY") || first.IsWord("REVOKE"))) {
            return true;
        }
        return false;
    }

    static Kind Classify(const std::vector<Token>& t, std::size_t begin, bool firstOfBatch) {
        const Token& tok = t[begin];
        if (tok.IsWord("SELECT") || tok.IsWord("WITH") || tok.IsOp("(")) {
            return Kind::Select;
        }
        if (tok.IsWord("SET")) {
            return Kind::Set;
        }
        if (tok.IsWord("USE")) {
            return Kind::Use;
        }
        if (tok.IsWord("EXEC") || tok.IsWord("EXECUTE")) {
            return Kind::Exec;
        }
        if (tok.IsWord("BEGIN") || tok.IsWord("COMMIT") || tok.IsWord("ROLLBACK") ||
            tok.IsWord("SAVE")) {
            return (begin + 1 < t.size() &&
                    (t[begin + 1].IsWord("TRAN") || t[begin + 1].IsWord("TRANSACTION") ||
                     t[begin + 1].IsWord("WORK"))) ||
                           !tok.IsWord("BEGIN")
                       ? Kind::Transaction
                       : Kind::Unsupported;
        }
        if (tok.IsWord("INSERT") || tok.IsWord("UPDATE") || tok.IsWord("DELETE") ||
            tok.IsWord("CREATE") || tok.IsWord("ALTER") || tok.IsWord("DROP") ||
            tok.IsWord("GRANT") || tok.IsWord("TRUNCATE") || tok.IsWord("MERGE") ||
            tok.IsWord("DENY") || tok.IsWord("REVOKE")) {
            return Kind::ReadOnly;
        }
        if (firstOfBatch && tok.IsName() && !IsReservedKeyword(tok.text)) {
            return Kind::Exec;  // a procedure name alone as the first statement runs it
        }
        return Kind::Unsupported;
    }

    std::variant<Prepared*, SqlError> Prepare(const std::vector<Token>& t, std::string_view sql,
                                              const Statement& s, const Parameters& parameters) {
        const std::size_t from = t[s.begin].offset;
        const std::size_t to = t[s.end - 1].offset + t[s.end - 1].length;
        std::string key(sql.substr(from, to - from));
        for (const auto& [name, value] : parameters) {
            key += '\x1f';  // the same text with other parameter names translates differently
            key += name;
        }
        if (const auto it = cache_.find(key); it != cache_.end()) {
            return it->second.get();
        }
        const TableResolver tables = [this](const std::vector<std::string>& parts) {
            return ResolveTable(parts);
        };
        const GlobalResolver globals = [this](const std::string& name) { return Global(name); };
        auto translated = TranslateSelect(t, s.begin, s.end, tables, globals, parameters);
        if (auto* e = std::get_if<SqlError>(&translated)) {
            return *e;
        }
        auto prepared = std::make_unique<Prepared>();
        prepared->translation = std::move(std::get<Translation>(translated));
        sqlite3_stmt* raw = nullptr;
        const std::string& text = prepared->translation.sql;
        if (sqlite3_prepare_v3(sqlite_.get(), text.c_str(), static_cast<int>(text.size()),
                               SQLITE_PREPARE_PERSISTENT, &raw, nullptr) != SQLITE_OK ||
            !raw) {
            sqlite3_finalize(raw);
            return MapPrepareError(t, s, prepared->translation);
        }
        prepared->stmt.reset(raw);
        if (cache_.size() >= 256) {
            cache_.clear();
        }
        Prepared* result = prepared.get();
        cache_.emplace(std::move(key), std::move(prepared));
        return result;
    }

    SqlError MapPrepareError(const std::vector<Token>& t, const Statement& s,
                             const Translation& tr) const {
        const std::string message = sqlite3_errmsg(sqlite_.get());
        const int line = t[s.begin].line;
        auto after = [&](const std::string& prefix) { return message.substr(prefix.size()); };
        auto lastPart = [](std::string name) {
            const auto dot = name.rfind('.');
            return dot == std::string::npos ? name : name.substr(dot + 1);
        };
        if (message.rfind("no such column: ", 0) == 0) {
            const std::string name = after("no such column: ");
            const auto dot = name.rfind('.');
            if (dot != std::string::npos) {
                const std::string qualifier = name.substr(0, dot);
                if (std::find(tr.exposedNames.begin(), tr.exposedNames.end(),
                              FoldName(qualifier)) == tr.exposedNames.end()) {
                    return Error(4104, 16, line,
                                 "The multi-part identifier \"" + name + "\" could not be bound.");
                }
            }
            return Error(207, 16, line, "Invalid column name '" + lastPart(name) + "'.");
        }
        if (message.rfind("ambiguous column name: ", 0) == 0) {
            return Error(
                209, 16, line,
                "Ambiguous column name '" + lastPart(after("ambiguous column name: ")) + "'.");
        }
        if (message.rfind("no such table: ", 0) == 0) {
            return Error(208, 16, line, "Invalid object name '" + after("no such table: ") + "'.");
        }
        if (message.rfind("no such function: ", 0) == 0) {
            return Error(195, 15, line,
                         "'" + after("no such function: ") +
                             "' is not a recognized built-in function name.");
        }
        if (message.rfind("wrong number of arguments to function ", 0) == 0) {
            std::string fn = after("wrong number of arguments to function ");
            fn = fn.substr(0, fn.find('('));
            return Error(174, 15, line,
                         "The " + fn + " function requires a different number of arguments.");
        }
        const int offset = sqlite3_error_offset(sqlite_.get());
        std::size_t token = s.end;
        if (offset >= 0) {
            for (const auto& [at, index] : tr.offsets) {
                if (at <= static_cast<std::size_t>(offset)) {
                    token = index;
                }
            }
        }
        if (message.find("syntax error") != std::string::npos ||
            message.find("incomplete input") != std::string::npos ||
            message.find("unrecognized token") != std::string::npos) {
            return SyntaxErrorNear(t, token, s.end);
        }
        return Error(50000, 16, line, "catalog-server cannot run this statement: " + message);
    }

    StatementResult Run(Prepared& p, const Parameters& parameters, int line) {
        sqlite3_stmt* stmt = p.stmt.get();
        sqlite3_reset(stmt);
        sqlite3_clear_bindings(stmt);
        for (const auto& name : p.translation.variables) {
            const int index = sqlite3_bind_parameter_index(stmt, name.c_str());
            const auto it = parameters.find(name);
            if (index <= 0 || it == parameters.end()) {
                continue;
            }
            if (const auto* v = std::get_if<std::int64_t>(&it->second)) {
                sqlite3_bind_int64(stmt, index, *v);
            } else if (const auto* s = std::get_if<std::string>(&it->second)) {
                sqlite3_bind_text(stmt, index, s->c_str(), static_cast<int>(s->size()),
                                  SQLITE_TRANSIENT);
            }
        }
        ResultSet rs;
        const int n = sqlite3_column_count(stmt);
        std::vector<bool> inferred(static_cast<std::size_t>(n), false);
        const auto& hints = p.translation.outputs;
        const std::size_t starAt = static_cast<std::size_t>(
            std::find_if(hints.begin(), hints.end(), [](const OutputHint& h) { return h.star; }) -
            hints.begin());
        const std::size_t tail = starAt == hints.size() ? 0 : hints.size() - starAt - 1;
        for (int i = 0; i < n; ++i) {
            const auto ui = static_cast<std::size_t>(i);
            const OutputHint* hint = nullptr;
            if (starAt == hints.size()) {
                hint = ui < hints.size() ? &hints[ui] : nullptr;
            } else if (ui < starAt) {
                hint = &hints[ui];
            } else if (ui >= static_cast<std::size_t>(n) - tail) {
                hint = &hints[hints.size() - (static_cast<std::size_t>(n) - ui)];
                if (hint->star) {
                    hint = nullptr;
                }
            }
            Column column;
            const char* origin = sqlite3_column_origin_name(stmt, i);
            const char* table = sqlite3_column_table_name(stmt, i);
            if (auto declared = ColumnFromDecl(sqlite3_column_decltype(stmt, i))) {
                column = *declared;
                int notNull = 0;
                if (origin && table &&
                    sqlite3_table_column_metadata(sqlite_.get(), "main", table, origin, nullptr,
                                                  nullptr, &notNull, nullptr,
                                                  nullptr) == SQLITE_OK) {
                    column.nullable = notNull == 0;
                }
            } else if (hint && hint->type) {
                column = *hint->type;
            } else {
                inferred[ui] = true;
            }
            if (hint && !hint->star) {
                column.name = hint->named ? hint->name : std::string();
                if (hint->named && origin && !hint->type && EqualsNoCase(hint->name, origin)) {
                    column.name = origin;  // SQL Server shows the column's own spelling
                }
            } else {
                column.name = origin ? origin : sqlite3_column_name(stmt, i);
            }
            rs.columns.push_back(std::move(column));
        }
        int rc;
        while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
            std::vector<Value> row;
            row.reserve(static_cast<std::size_t>(n));
            for (int i = 0; i < n; ++i) {
                row.push_back(ReadValue(stmt, i));
            }
            rs.rows.push_back(std::move(row));
        }
        if (rc != SQLITE_DONE) {
            const std::string message = sqlite3_errmsg(sqlite_.get());
            sqlite3_reset(stmt);
            return ErrorResult(Error(50000, 16, line, message));
        }
        sqlite3_reset(stmt);
        for (int i = 0; i < n; ++i) {
            if (!inferred[static_cast<std::size_t>(i)]) {
                continue;
            }
            InferColumn(rs, static_cast<std::size_t>(i));
        }
        StatementResult result;
        if (!nocount_) {
            result.rowCount = static_cast<std::int64_t>(rs.rows.size());
        }
        result.resultSet = std::move(rs);
        return result;
    }

    // A column SQLite cannot type (an expression): its values decide, as narrowly as they allow.
    static void InferColumn(ResultSet& rs, std::size_t i) {
        Column& c = rs.columns[i];
        bool anyText = false;
        bool anyNumber = false;
        bool wide = false;
        int longest = 1;
        for (const auto& row : rs.rows) {
            if (const auto* v = std::get_if<std::int64_t>(&row[i])) {
                anyNumber = true;
                wide = wide || *v > 2147483647LL || *v < -2147483648LL;
            } else if (const auto* s = std::get_if<std::string>(&row[i])) {
                anyText = true;
                longest = std::max(longest, static_cast<int>(CodePointCount(*s)));
            }
        }
        if (anyNumber && !anyText) {
            c.type = wide ? ColumnType::BigInt : ColumnType::Int;
        } else if (anyText || !anyNumber) {
            c.type = anyText ? ColumnType::NVarChar : ColumnType::Int;
            c.maxLength = longest > 4000 ? -1 : std::max(longest, anyText ? longest : 0);
            if (anyText && anyNumber) {
                for (auto& row : rs.rows) {
                    if (const auto* v = std::get_if<std::int64_t>(&row[i])) {
                        row[i] = std::to_string(*v);
                    }
                }
            }
        }
        c.nullable = true;
    }

    StatementResult RunSet(const std::vector<Token>& t, const Statement& s) {
        if (s.end - s.begin >= 2 && t[s.begin + 1].kind == TokenKind::Variable) {
            return ErrorResult(
                Error(50000, 16, t[s.begin].line, "catalog-server does not support variables."));
        }
        if (s.end - s.begin >= 3 && t[s.begin + 1].IsWord("NOCOUNT")) {
            nocount_ = t[s.begin + 2].IsWord("ON");
        }
        return {};
    }

    std::vector<StatementResult> RunExec(const std::vector<Token>& t, const Statement& s,
                                         const Parameters& parameters) {
        std::size_t k = s.begin;
        if (t[k].IsWord("EXEC") || t[k].IsWord("EXECUTE")) {
            ++k;
        }
        if (k < s.end && t[k].kind == TokenKind::Variable && k + 1 < s.end && t[k + 1].IsOp("=")) {
            return {ErrorResult(
                Error(50000, 16, t[k].line, "catalog-server does not support return values."))};
        }
        if (k >= s.end || !t[k].IsName()) {
            return {ErrorResult(SyntaxErrorNear(t, k, s.end))};
        }
        std::string name;
        while (k < s.end && (t[k].IsName() || t[k].IsOp("."))) {
            name += t[k].IsOp(".") ? "." : t[k].text;
            ++k;
        }
        static const char* const kPositional[] = {"@table_name", "@table_owner", "@table_qualifier",
                                                  "@table_type", "@fusepattern"};
        Parameters args;
        std::size_t position = 0;
        while (k < s.end) {
            std::string argName;
            if (t[k].kind == TokenKind::Variable && k + 1 < s.end && t[k + 1].IsOp("=")) {
                argName = LowerText(t[k].text);
                k += 2;
            } else if (position < std::size(kPositional)) {
                argName = kPositional[position];
            }
            ++position;
            if (k >= s.end) {
                return {ErrorResult(SyntaxErrorNear(t, k, s.end))};
            }
            Value value;
            const Token& v = t[k];
            bool negative = false;
            if (v.IsOp("-") && k + 1 < s.end && t[k + 1].kind == TokenKind::Number) {
                negative = true;
                ++k;
            }
            const Token& w = t[k];
            if (w.kind == TokenKind::String) {
                value = w.text;
            } else if (w.kind == TokenKind::Number) {
                value = static_cast<std::int64_t>(std::atoll(w.text.c_str())) * (negative ? -1 : 1);
            } else if (w.IsWord("NULL") || w.IsWord("DEFAULT")) {
                value = std::monostate{};
            } else if (w.kind == TokenKind::Variable) {
                const auto it = parameters.find(LowerText(w.text));
                if (it == parameters.end()) {
                    return {ErrorResult(
                        Error(137, 15, w.line,
                              "Must declare the scalar variable \"" + w.text + "\".", 2))};
                }
                value = it->second;
            } else if (w.IsName()) {
                value = w.text;  // bare words are strings in procedure arguments
            } else {
                return {ErrorResult(SyntaxErrorNear(t, k, s.end))};
            }
            ++k;
            if (k < s.end && (t[k].IsWord("OUTPUT") || t[k].IsWord("OUT"))) {
                ++k;
            }
            if (!argName.empty()) {
                args[argName] = value;
            }
            if (k < s.end) {
                if (!t[k].IsOp(",")) {
                    return {ErrorResult(SyntaxErrorNear(t, k, s.end))};
                }
                ++k;
            }
        }
        return ExecuteProcedure(name, args);
    }

    std::vector<StatementResult> SpTables(const Parameters& parameters);

    // Reports a text broken by an unclosed quote the way SQL Server does: the syntax error
    // the parser met first, and the unclosed quotation mark.
    std::vector<StatementResult> UnclosedQuote(const LexResult& lexed, std::string_view sql,
                                               const Parameters& parameters) {
        const LexError& e = *lexed.error;
        if (e.kind == LexError::Kind::UnclosedComment) {
            return {ErrorResult(Error(113, 15, e.line, "Missing end comment mark '*/'."))};
        }
        const SqlError unclosed =
            Error(105, 15, e.line,
                  "Unclosed quotation mark after the character string '" + e.rest + "'.");
        // Parse as if the string had been closed: the first syntax error before it comes first.
        std::optional<SqlError> before;
        std::vector<Token> closed = lexed.tokens;
        Token rest;
        rest.kind = TokenKind::String;
        rest.text = e.rest;
        rest.offset = e.offset;
        rest.length = sql.size() - e.offset;
        rest.line = e.line;
        closed.push_back(rest);
        const SqlError atString = SyntaxErrorNear(closed, closed.size() - 1, closed.size());
        // A quote spliced into a string leaves a name right after a string where an operand
        // ended: ... = 'O' Neil ... or f('a.O' Neil ...). The parser stops at that name.
        for (std::size_t k = 1; k + 1 < closed.size() && !before; ++k) {
            const Token& prev = closed[k - 1];
            const bool operandPosition = prev.IsOp("=") || prev.IsOp("(") || prev.IsOp("<") ||
                                         prev.IsOp(">") || prev.IsOp("<>") || prev.IsOp("!=") ||
                                         prev.IsOp("<=") || prev.IsOp(">=") || prev.IsOp("+") ||
                                         prev.IsWord("LIKE");
            if (operandPosition && closed[k].kind == TokenKind::String &&
                closed[k + 1].kind == TokenKind::Name && !IsReservedKeyword(closed[k + 1].text) &&
                k + 1 < closed.size() - 1) {
                before = SyntaxErrorNear(closed, k + 1, closed.size());
            }
        }
        for (const auto& s : before ? std::vector<Statement>{} : Split(closed)) {
            if (s.kind != Kind::Select) {
                continue;
            }
            auto prepared = Prepare(closed, sql, s, parameters);
            if (auto* err = std::get_if<SqlError>(&prepared);
                err && (err->number == 102 || err->number == 156) &&
                err->message != atString.message) {
                before = *err;
                break;
            }
        }
        // Both messages end one statement: a single result carries them.
        StatementResult result;
        if (before) {
            result.error = *before;
            result.moreErrors.push_back(unclosed);
        } else {
            result.error = unclosed;
            result.moreErrors.push_back(
                Error(102, 15, e.line, "Incorrect syntax near '" + e.rest + "'."));
        }
        return {result};
    }

    const CatalogImpl& catalog_;
    const LoadedDatabase* current_ = nullptr;
    SessionInfo info_;
    SqliteHandle sqlite_;
    std::unordered_map<std::string, std::unique_ptr<Prepared>> cache_;
    bool nocount_ = false;
};

std::vector<StatementResult> SessionImpl::ExecuteBatch(std::string_view sql,
                                                       const Parameters& parameters) {
    if (!sqlite_) {
        return {ErrorResult(Error(50000, 16, 1, "catalog-server: the catalog is not available."))};
    }
    const LexResult lexed = Lex(sql);
    if (lexed.error) {
        return UnclosedQuote(lexed, sql, parameters);
    }
    const auto& t = lexed.tokens;
    auto statements = Split(t);
    // SQL Server compiles the whole batch first: a syntax error or an unknown column stops it
    // before anything runs. Unknown tables are found when the statement runs.
    std::optional<std::pair<std::size_t, SqlError>> deferred;
    for (std::size_t k = 0; k < statements.size(); ++k) {
        auto& s = statements[k];
        if (s.kind != Kind::Select) {
            continue;
        }
        auto prepared = Prepare(t, sql, s, parameters);
        if (auto* e = std::get_if<SqlError>(&prepared)) {
            if (e->number == 208) {
                deferred = {k, *e};
                break;
            }
            return {ErrorResult(*e)};
        }
        s.prepared = std::get<Prepared*>(prepared);
    }
    std::vector<StatementResult> results;
    for (std::size_t k = 0; k < statements.size(); ++k) {
        if (deferred && deferred->first == k) {
            results.push_back(ErrorResult(deferred->second));
            break;
        }
        const auto& s = statements[k];
        const Token& first = t[s.begin];
        switch (s.kind) {
            case Kind::Select:
                if (!s.prepared) {
                    // Prepared after a USE in the same batch switched the database.
                    auto prepared = Prepare(t, sql, s, parameters);
                    if (auto* e = std::get_if<SqlError>(&prepared)) {
                        results.push_back(ErrorResult(*e));
                        return WithoutEmptyResults(std::move(results));
                    }
                    results.push_back(Run(*std::get<Prepared*>(prepared), parameters, first.line));
                } else {
                    results.push_back(Run(*s.prepared, parameters, first.line));
                }
                break;
            case Kind::Set:
                results.push_back(RunSet(t, s));
                break;
            case Kind::Use: {
                if (s.end - s.begin != 2 || !t[s.begin + 1].IsName()) {
                    results.push_back(ErrorResult(SyntaxErrorNear(t, s.begin + 1, s.end)));
                    return WithoutEmptyResults(std::move(results));
                }
                const std::string& name = t[s.begin + 1].text;
                if (!UseDatabase(name)) {
                    results.push_back(ErrorResult(Error(
                        911, 16, first.line,
                        "Database '" + name +
                            "' does not exist. Make sure that the name is entered correctly.")));
                    return WithoutEmptyResults(std::move(results));
                }
                // Statements after USE are prepared against the new database.
                for (std::size_t j = k + 1; j < statements.size(); ++j) {
                    statements[j].prepared = nullptr;
                }
                results.push_back({});
                break;
            }
            case Kind::Exec: {
                auto more = RunExec(t, s, parameters);
                results.insert(results.end(), more.begin(), more.end());
                break;
            }
            case Kind::Transaction:
                results.push_back({});
                break;
            case Kind::ReadOnly:
                results.push_back(
                    ErrorResult(Error(3906, 16, first.line,
                                      "Failed to update database \"" + current_->model.name +
                                          "\" because the database is read-only.")));
                return WithoutEmptyResults(std::move(results));
            case Kind::Unsupported:
            case Kind::Empty:
                results.push_back(
                    ErrorResult(first.kind == TokenKind::Name
                                    ? Error(50000, 16, first.line,
                                            "catalog-server does not support " +
                                                UpperText(first.text) + " statements.")
                                    : SyntaxErrorNear(t, s.begin, s.end)));
                return WithoutEmptyResults(std::move(results));
        }
        if (results.back().error && results.back().error->severity >= 16) {
            return WithoutEmptyResults(std::move(results));
        }
    }
    return WithoutEmptyResults(std::move(results));
}

std::vector<StatementResult> SessionImpl::ExecuteProcedure(std::string_view name,
                                                           const Parameters& parameters) {
    const auto parts = SplitMultipartName(name);
    if (!parts) {
        return {ErrorResult(Error(
            2812, 16, 1, "Could not find stored procedure '" + std::string(name) + "'.", 62))};
    }
    if (parts->size() >= 3 && !(*parts)[parts->size() - 3].empty() &&
        !EqualsNoCase((*parts)[parts->size() - 3], current_->model.name)) {
        if (!catalog_.Find((*parts)[parts->size() - 3])) {
            return {ErrorResult(
                Error(911, 16, 1,
                      "Database '" + (*parts)[parts->size() - 3] +
                          "' does not exist. Make sure that the name is entered correctly."))};
        }
    }
    const std::string proc = LowerText(parts->back());
    if (proc == "sp_tables") {
        return SpTables(parameters);
    }
    if (proc == "sp_executesql") {
        const auto it = parameters.find("@statement");
        if (it == parameters.end() || !std::holds_alternative<std::string>(it->second)) {
            return {ErrorResult(Error(
                214, 16, 1,
                "Procedure expects parameter '@statement' of type 'ntext/nchar/nvarchar'.", 2))};
        }
        Parameters rest = parameters;
        rest.erase("@statement");
        rest.erase("@params");
        return ExecuteBatch(std::get<std::string>(it->second), rest);
    }
    const std::string schema = parts->size() >= 2 ? (*parts)[parts->size() - 2] : "";
    if (ResolveObjectId(current_->model,
                        (schema.empty() ? "" : "[" + schema + "].") + "[" + parts->back() + "]",
                        "P")) {
        return {ErrorResult(
            Error(50000, 16, 1, "catalog-server keeps procedure texts but does not run them."))};
    }
    return {ErrorResult(
        Error(2812, 16, 1, "Could not find stored procedure '" + parts->back() + "'.", 62))};
}

std::vector<StatementResult> SessionImpl::SpTables(const Parameters& parameters) {
    auto text = [&](const char* key) -> std::optional<std::string> {
        const auto it = parameters.find(key);
        if (it == parameters.end()) {
            return std::nullopt;
        }
        if (const auto* s = std::get_if<std::string>(&it->second)) {
            return *s;
        }
        if (const auto* n = std::get_if<std::int64_t>(&it->second)) {
            return std::to_string(*n);
        }
        return std::nullopt;
    };
    bool usePattern = true;
    if (const auto it = parameters.find("@fusepattern"); it != parameters.end()) {
        if (const auto* n = std::get_if<std::int64_t>(&it->second)) {
            usePattern = *n != 0;
        } else if (const auto* s = std::get_if<std::string>(&it->second)) {
            usePattern = *s != "0";
        }
    }
    const auto tableName = text("@table_name");
    const auto owner = text("@table_owner");
    const auto qualifier = text("@table_qualifier");
    const auto types = text("@table_type");
    const std::string& dbName = current_->model.name;

    ResultSet rs;
    rs.columns = {MakeColumn("TABLE_QUALIFIER", ColumnType::NVarChar, 128, true),
                  MakeColumn("TABLE_OWNER", ColumnType::NVarChar, 128, true),
                  MakeColumn("TABLE_NAME", ColumnType::NVarChar, 128, false),
                  MakeColumn("TABLE_TYPE", ColumnType::NVarChar, 32, true),
                  MakeColumn("REMARKS", ColumnType::NVarChar, 254, true)};
    auto matches = [&](const std::optional<std::string>& pattern, const std::string& value) {
        if (!pattern) {
            return true;
        }
        return usePattern ? LikeMatch(*pattern, value) : EqualsNoCase(*pattern, value);
    };
    if (qualifier && !qualifier->empty() && !EqualsNoCase(*qualifier, dbName) &&
        !(usePattern && LikeMatch(*qualifier, dbName))) {
        return {ErrorResult(Error(15250, 16, 1,
                                  "The database name component of the object qualifier must be "
                                  "the name of the current database.",
                                  1))};
    }
    std::vector<std::string> wantedTypes;
    if (types) {
        std::string current;
        bool quoted = false;
        for (const char c : *types) {
            if (c == '\'') {
                quoted = !quoted;
            } else if (c == ',' && !quoted) {
                wantedTypes.emplace_back(TrimTrailingBlanks(current));
                current.clear();
            } else if (c != ' ' || quoted) {
                current += c;
            }
        }
        wantedTypes.emplace_back(TrimTrailingBlanks(current));
    }
    auto typeWanted = [&](const std::string& type) {
        return !types || std::any_of(wantedTypes.begin(), wantedTypes.end(),
                                     [&](const std::string& w) { return EqualsNoCase(w, type); });
    };
    struct Row {
        std::string owner, name, type;
    };
    std::vector<Row> rows;
    if (!qualifier || !qualifier->empty()) {
        for (const auto& tbl : current_->model.tables) {
            rows.push_back(
                {current_->model.SchemaName(tbl.schemaId), tbl.name, tbl.view ? "VIEW" : "TABLE"});
        }
        for (const auto& v : SystemViews()) {
            rows.push_back({v.schema, v.name, "VIEW"});
        }
    }
    rows.erase(std::remove_if(rows.begin(), rows.end(),
                              [&](const Row& r) {
                                  return !matches(tableName, r.name) || !matches(owner, r.owner) ||
                                         !typeWanted(r.type);
                              }),
               rows.end());
    std::sort(rows.begin(), rows.end(), [](const Row& a, const Row& b) {
        if (const int c = CompareNoCase(a.type, b.type)) {
            return c < 0;
        }
        if (const int c = CompareNoCase(a.owner, b.owner)) {
            return c < 0;
        }
        return CompareNoCase(a.name, b.name) < 0;
    });
    for (auto& r : rows) {
        rs.rows.push_back({Value{dbName}, Value{r.owner}, Value{r.name}, Value{r.type}, Value{}});
    }
    StatementResult result;
    result.rowCount = static_cast<std::int64_t>(rs.rows.size());
    result.resultSet = std::move(rs);
    return {result};
}

}  // namespace

std::unique_ptr<Session> MakeSession(const CatalogImpl& catalog, const LoadedDatabase& database) {
    auto session = std::make_unique<SessionImpl>(catalog, database);
    if (!session->ok()) {
        return nullptr;
    }
    return session;
}

}  // namespace catalog_server
