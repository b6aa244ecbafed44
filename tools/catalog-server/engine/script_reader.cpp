#include "script_reader.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "lexer.h"
#include "text.h"

namespace catalog_server {
namespace {

constexpr int kIdStep = 16000057;

// Thrown only inside the reader and caught at the batch boundary: a script that cannot be read.
struct ParseFailure {
    int line;
    std::string reason;
};

std::string Hex8(std::uint32_t v) {
    char buf[9];
    std::snprintf(buf, sizeof buf, "%08X", v);
    return buf;
}

std::uint32_t Fnv(std::string_view s) {
    std::uint32_t h = 2166136261u;
    for (const char c : s) {
        h ^= static_cast<unsigned char>(c);
        h *= 16777619u;
    }
    return h;
}

bool IsStatementStart(const Token& t) {
    static const char* const kWords[] = {
        "CREATE",  "ALTER",    "DROP",   "USE",    "SET",       "INSERT",     "UPDATE",
        "DELETE",  "GRANT",    "REVOKE", "DENY",   "EXEC",      "EXECUTE",    "PRINT",
        "DECLARE", "IF",       "BEGIN",  "SELECT", "RAISERROR", "CHECKPOINT", "WHILE",
        "RETURN",  "TRUNCATE", "DBCC",   "BACKUP", "RESTORE",   "COMMIT",     "ROLLBACK"};
    for (const char* w : kWords) {
        if (t.IsWord(w)) {
            return true;
        }
    }
    return false;
}

struct TypeInfo {
    const char* name;
    bool hasLength;     // char, varchar, binary ... (n | max)
    bool hasPrecision;  // decimal(p, s)
    bool hasScale;      // time(n), datetime2(n), datetimeoffset(n)
};

const TypeInfo* FindType(std::string_view name) {
    static const TypeInfo kTypes[] = {
        {"int", false, false, false},
        {"bigint", false, false, false},
        {"smallint", false, false, false},
        {"tinyint", false, false, false},
        {"bit", false, false, false},
        {"decimal", false, true, false},
        {"numeric", false, true, false},
        {"money", false, false, false},
        {"smallmoney", false, false, false},
        {"float", false, true, false},
        {"real", false, false, false},
        {"datetime", false, false, false},
        {"datetime2", false, false, true},
        {"smalldatetime", false, false, false},
        {"date", false, false, false},
        {"time", false, false, true},
        {"datetimeoffset", false, false, true},
        {"char", true, false, false},
        {"varchar", true, false, false},
        {"text", false, false, false},
        {"nchar", true, false, false},
        {"nvarchar", true, false, false},
        {"ntext", false, false, false},
        {"binary", true, false, false},
        {"varbinary", true, false, false},
        {"image", false, false, false},
        {"uniqueidentifier", false, false, false},
        {"xml", false, false, false},
        {"sql_variant", false, false, false},
        {"timestamp", false, false, false},
        {"hierarchyid", false, false, false},
        {"geography", false, false, false},
        {"geometry", false, false, false},
    };
    const std::string lower = LowerText(name);
    for (const auto& t : kTypes) {
        if (lower == t.name) {
            return &t;
        }
    }
    return nullptr;
}

}  // namespace

class ScriptReader::Impl {
public:
    explicit Impl(std::string databaseName) {
        db_.name = std::move(databaseName);
        db_.schemas = {{1, "dbo"}, {2, "guest"}, {3, "INFORMATION_SCHEMA"}, {4, "sys"}};
    }

    bool ReadText(const std::string& file, std::string_view text) {
        file_ = file;
        std::size_t pos = 0;
        int line = 1;
        std::size_t batchStart = 0;
        int batchLine = 1;
        while (pos <= text.size()) {
            std::size_t end = text.find('\n', pos);
            const bool last = end == std::string_view::npos;
            if (last) {
                end = text.size();
            }
            std::string_view content = text.substr(pos, end - pos);
            if (IsGoLine(content)) {
                if (!ReadBatch(text.substr(batchStart, pos - batchStart), batchLine)) {
                    return false;
                }
                batchStart = last ? end : end + 1;
                batchLine = line + 1;
            }
            if (last) {
                break;
            }
            pos = end + 1;
            ++line;
        }
        if (batchStart < text.size()) {
            return ReadBatch(text.substr(batchStart), batchLine);
        }
        return true;
    }

    std::optional<LoadError> error;
    std::vector<ScriptWarning> warnings;
    Database db_;

private:
    // A column, constraint or index waiting for the whole column list of its table.
    struct PendingConstraint {
        ConstraintKind kind = ConstraintKind::Check;
        std::string name;
        int line = 0;
        std::vector<std::pair<std::string, bool>> columns;  // name, descending
        std::optional<bool> clustered;
        bool columnLevel = false;
        // FOREIGN KEY
        int refSchema = 1;
        std::string refTable;
        std::vector<std::string> refColumns;
        // CHECK: names mentioned in the expression
        std::vector<std::string> words;
        std::string defaultText;
        std::string columnsOfCheck;  // a column CHECK: the column its generated name shows
    };

    static bool IsGoLine(std::string_view line) {
        std::size_t i = 0;
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) {
            ++i;
        }
        if (i + 2 > line.size() || (line[i] != 'G' && line[i] != 'g') ||
            (line[i + 1] != 'O' && line[i + 1] != 'o')) {
            return false;
        }
        i += 2;
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r' ||
                                   std::isdigit(static_cast<unsigned char>(line[i])))) {
            ++i;
        }
        return i == line.size() || line.compare(i, 2, "--") == 0;
    }

    bool ReadBatch(std::string_view batch, int firstLine) {
        LexResult lexed = Lex(batch, firstLine);
        if (lexed.error) {
            const char* what = lexed.error->kind == LexError::Kind::UnclosedComment
                                   ? "missing end comment mark '*/'"
                                   : "unclosed quotation mark";
            error = LoadError{file_, lexed.error->line, what};
            return false;
        }
        batch_ = batch;
        tokens_ = std::move(lexed.tokens);
        p_ = 0;
        try {
            while (p_ < tokens_.size()) {
                if (Peek().IsOp(";")) {
                    ++p_;
                    continue;
                }
                Statement();
            }
        } catch (const ParseFailure& f) {
            error = LoadError{file_, f.line, f.reason};
            return false;
        }
        return true;
    }

    // ---- token helpers ----
    const Token& Peek(std::size_t ahead = 0) const {
        static const Token kEnd{TokenKind::Operator, "", 0, 0, 0, false};
        return p_ + ahead < tokens_.size() ? tokens_[p_ + ahead] : kEnd;
    }
    bool AtEnd() const { return p_ >= tokens_.size(); }
    int Line() const {
        if (p_ < tokens_.size()) {
            return tokens_[p_].line;
        }
        return tokens_.empty() ? 1 : tokens_.back().line;
    }
    [[noreturn]] void Fail(const std::string& reason) const { throw ParseFailure{Line(), reason}; }
    std::string Near() const {
        return AtEnd() ? std::string("end of batch") : "'" + Peek().text + "'";
    }
    bool Accept(std::string_view word) {
        if (Peek().IsWord(word)) {
            ++p_;
            return true;
        }
        return false;
    }
    bool AcceptOp(std::string_view op) {
        if (Peek().IsOp(op)) {
            ++p_;
            return true;
        }
        return false;
    }
    void Expect(std::string_view word) {
        if (!Accept(word)) {
            Fail("expected " + std::string(word) + " near " + Near());
        }
    }
    void ExpectOp(std::string_view op) {
        if (!AcceptOp(op)) {
            Fail("expected '" + std::string(op) + "' near " + Near());
        }
    }
    std::string Name() {
        if (!Peek().IsName()) {
            Fail("expected a name near " + Near());
        }
        return tokens_[p_++].text;
    }
    // [db.][schema.]name -> schema id and name
    std::pair<int, std::string> ObjectName() {
        std::vector<std::string> parts{Name()};
        while (Peek().IsOp(".")) {
            ++p_;
            if (Peek().IsOp(".")) {
                parts.emplace_back();
                continue;
            }
            parts.push_back(Name());
        }
        if (parts.size() > 3) {
            Fail("too many name parts in '" + parts.back() + "'");
        }
        std::string schema = parts.size() >= 2 ? parts[parts.size() - 2] : std::string();
        if (schema.empty()) {
            return {1, parts.back()};
        }
        const SchemaDef* s = db_.FindSchema(schema);
        if (!s) {
            Fail("the schema '" + schema + "' does not exist");
        }
        return {s->id, parts.back()};
    }
    // Skips a balanced ( ... ) group starting at the current '('.
    void SkipParens() {
        int depth = 0;
        do {
            if (AtEnd()) {
                Fail("missing ')'");
            }
            if (Peek().IsOp("(")) {
                ++depth;
            } else if (Peek().IsOp(")")) {
                --depth;
            }
            ++p_;
        } while (depth > 0);
    }
    void SkipStatement() {
        const bool isIf = Peek().IsWord("IF") || Peek().IsWord("WHILE");
        const bool isBegin =
            Peek().IsWord("BEGIN") && !Peek(1).IsWord("TRAN") && !Peek(1).IsWord("TRANSACTION");
        // GRANT EXECUTE, DENY SELECT ...: the permission names are not new statements.
        const bool isPermission =
            Peek().IsWord("GRANT") || Peek().IsWord("DENY") || Peek().IsWord("REVOKE");
        ++p_;
        if (isBegin) {
            int depth = 1;
            while (!AtEnd() && depth > 0) {
                if (Peek().IsWord("BEGIN")) {
                    ++depth;
                } else if (Peek().IsWord("END")) {
                    --depth;
                }
                ++p_;
            }
            return;
        }
        int depth = 0;
        while (!AtEnd()) {
            const Token& t = Peek();
            if (t.IsOp("(")) {
                ++depth;
            } else if (t.IsOp(")")) {
                --depth;
            } else if (depth <= 0 && (t.IsOp(";") || IsStatementStart(t))) {
                const bool permissionName =
                    isPermission &&
                    (t.IsWord("EXEC") || t.IsWord("EXECUTE") || t.IsWord("SELECT") ||
                     t.IsWord("INSERT") || t.IsWord("UPDATE") || t.IsWord("DELETE") ||
                     t.IsWord("ALTER") || t.IsWord("CREATE"));
                if (!permissionName) {
                    break;
                }
            }
            ++p_;
        }
        if (isIf && !AtEnd() && !Peek().IsOp(";")) {
            SkipStatement();  // the statement the condition guards
            if (Accept("ELSE")) {
                SkipStatement();
            }
        }
    }
    void Warn(int line, const std::string& message) {
        warnings.push_back(ScriptWarning{file_, line, message});
    }
    void SkipWithWarning(const std::string& what) {
        Warn(Line(), "skipped " + what + " (not part of the catalog)");
        SkipStatement();
    }
    void SkipRestOfBatch(const std::string& what) {
        Warn(Line(), "skipped " + what + " (not part of the catalog)");
        p_ = tokens_.size();
    }

    // ---- statements ----
    void Statement() {
        const Token& t = Peek();
        if (t.IsWord("CREATE")) {
            Create();
        } else if (t.IsWord("ALTER") && Peek(1).IsWord("TABLE")) {
            AlterTable();
        } else if (t.kind == TokenKind::Name) {
            std::string what = UpperText(t.text);
            if (Peek(1).kind == TokenKind::Name && (t.IsWord("ALTER") || t.IsWord("DROP"))) {
                what += " " + UpperText(Peek(1).text);
            }
            SkipWithWarning("statement " + what);
        } else {
            Fail("incorrect syntax near " + Near());
        }
    }

    void Create() {
        const std::size_t start = p_;
        ++p_;
        if (Accept("OR")) {
            Expect("ALTER");
        }
        if (Accept("SCHEMA")) {
            CreateSchema();
        } else if (Accept("TABLE")) {
            CreateTable();
        } else if (Peek().IsWord("UNIQUE") || Peek().IsWord("CLUSTERED") ||
                   Peek().IsWord("NONCLUSTERED") || Peek().IsWord("INDEX")) {
            CreateIndex();
        } else if (Accept("VIEW")) {
            CreateView(start);
        } else if (Accept("PROC") || Accept("PROCEDURE")) {
            CreateProcedure(start);
        } else if (Accept("TYPE")) {
            CreateType();
        } else if (Peek().IsWord("FUNCTION") || Peek().IsWord("TRIGGER")) {
            SkipRestOfBatch("CREATE " + UpperText(Peek().text));
        } else {
            p_ = start;
            SkipWithWarning("statement CREATE " +
                            (Peek(1).kind == TokenKind::Name ? UpperText(Peek(1).text) : ""));
        }
    }

    void CreateSchema() {
        const std::string name = Name();
        if (db_.FindSchema(name)) {
            Fail("there is already a schema named '" + name + "'");
        }
        int id = 5;
        for (const auto& s : db_.schemas) {
            if (s.id >= id && s.id < 16384) {
                id = s.id + 1;
            }
        }
        db_.schemas.push_back({id, name});
        if (Accept("AUTHORIZATION")) {
            Name();
        }
        if (!AtEnd() && !Peek().IsOp(";") && !IsStatementStart(Peek())) {
            SkipWithWarning("schema elements of CREATE SCHEMA");
        }
    }

    void CreateType() {
        const auto [schemaId, name] = ObjectName();
        if (!Accept("FROM")) {
            p_ = tokens_.size();
            Warn(Line(), "skipped CREATE TYPE " + name + " (not part of the catalog)");
            return;
        }
        DataType base = ParseDataType();
        aliasTypes_[FoldName(name)] = base;
        (void)schemaId;
        Accept("NOT");
        Accept("NULL");
    }

    void CheckNewObjectName(int schemaId, const std::string& name) {
        if (db_.ObjectIdOf(schemaId, name)) {
            Fail("there is already an object named '" + name + "' in the database");
        }
    }

    ObjectDef& AddObject(int schemaId, const std::string& name, std::string xtype, int parent,
                         ObjectKind kind, std::size_t index, int id = 0) {
        ObjectDef o;
        o.id = id != 0 ? id : ids_.Next();
        o.schemaId = schemaId;
        o.name = name;
        o.xtype = std::move(xtype);
        o.parentId = parent;
        o.kind = kind;
        o.index = index;
        db_.objects.push_back(o);
        db_.objectById[o.id] = db_.objects.size() - 1;
        db_.objectIdByName[std::to_string(schemaId) + '\x1f' + FoldName(name)] = o.id;
        return db_.objects.back();
    }

    DataType ParseDataType() {
        const int line = Line();
        std::string name = Name();
        if (Peek().IsOp(".")) {  // schema-qualified type
            ++p_;
            name = Name();
        }
        DataType type;
        const std::string folded = FoldName(name);
        if (folded == "sysname") {
            type.name = "nvarchar";
            type.length = 128;
            type.sysname = true;
            return type;
        }
        if (const auto alias = aliasTypes_.find(folded); alias != aliasTypes_.end()) {
            return alias->second;
        }
        std::string canonical = folded;
        if (canonical == "integer") {
            canonical = "int";
        } else if (canonical == "dec") {
            canonical = "decimal";
        } else if (canonical == "rowversion") {
            canonical = "timestamp";
        } else if (canonical == "character") {
            canonical = "char";
        } else if (canonical == "double" && Accept("PRECISION")) {
            canonical = "float";
        }
        const TypeInfo* info = FindType(canonical);
        if (!info) {
            throw ParseFailure{line, "unknown data type '" + name + "'"};
        }
        type.name = info->name;
        std::vector<int> args;
        bool max = false;
        if (AcceptOp("(")) {
            do {
                if (Accept("MAX")) {
                    max = true;
                    args.push_back(-1);
                } else if (Peek().kind == TokenKind::Number) {
                    args.push_back(std::atoi(tokens_[p_++].text.c_str()));
                } else {
                    Fail("expected a length near " + Near());
                }
            } while (AcceptOp(","));
            ExpectOp(")");
        }
        if (info->hasLength) {
            type.explicitLength = !args.empty();
            type.length = args.empty() ? 1 : args[0];
            if (max &&
                !(type.name == "varchar" || type.name == "nvarchar" || type.name == "varbinary")) {
                Fail("'max' is not allowed with " + type.name);
            }
        } else if (type.name == "float") {
            const int n = args.empty() ? 53 : args[0];
            if (n <= 24) {
                type.name = "real";
            }
        } else if (info->hasPrecision) {
            type.precision = args.empty() ? 18 : args[0];
            type.scale = args.size() > 1 ? args[1] : 0;
        } else if (info->hasScale) {
            type.precision = args.empty() ? 7 : args[0];
        } else if (!args.empty()) {
            Fail("the type " + type.name + " takes no length");
        }
        return type;
    }

    // Text of a DEFAULT expression: a parenthesised group or one value (with a call's arguments).
    std::string DefaultExpression() {
        const std::size_t from = p_;
        if (Peek().IsOp("(")) {
            SkipParens();
        } else {
            if (Peek().IsOp("-") || Peek().IsOp("+")) {
                ++p_;
            }
            if (AtEnd()) {
                Fail("expected a default value");
            }
            ++p_;
            if (Peek().IsOp("(")) {
                SkipParens();
            }
        }
        return SourceText(from, p_);
    }

    std::string SourceText(std::size_t from, std::size_t to) const {
        if (from >= to) {
            return {};
        }
        const std::size_t begin = tokens_[from].offset;
        const std::size_t end = tokens_[to - 1].offset + tokens_[to - 1].length;
        return std::string(batch_.substr(begin, end - begin));
    }

    std::vector<std::pair<std::string, bool>> KeyColumnList(bool allowOrder) {
        ExpectOp("(");
        std::vector<std::pair<std::string, bool>> cols;
        do {
            std::string name = Name();
            bool desc = false;
            if (allowOrder) {
                if (Accept("DESC")) {
                    desc = true;
                } else {
                    Accept("ASC");
                }
            }
            cols.emplace_back(std::move(name), desc);
        } while (AcceptOp(","));
        ExpectOp(")");
        return cols;
    }

    std::optional<bool> Clustering() {
        if (Accept("CLUSTERED")) {
            return true;
        }
        if (Accept("NONCLUSTERED")) {
            return false;
        }
        return std::nullopt;
    }

    // WITH (...), ON filegroup, NOT FOR REPLICATION and similar tails that change nothing here.
    void SkipConstraintOptions() {
        while (true) {
            if (Peek().IsWord("WITH") && Peek(1).IsOp("(")) {
                ++p_;
                SkipParens();
            } else if (Peek().IsWord("WITH") && Peek(1).IsWord("FILLFACTOR")) {
                p_ += 2;
                AcceptOp("=");
                ++p_;
            } else if (Peek().IsWord("ON") && !Peek(1).IsWord("DELETE") &&
                       !Peek(1).IsWord("UPDATE")) {
                ++p_;
                if (Peek().IsName() || Peek().IsWord("PRIMARY")) {
                    ++p_;
                }
                if (Peek().IsOp("(")) {
                    SkipParens();
                }
            } else if (Peek().IsWord("NOT") && Peek(1).IsWord("FOR")) {
                p_ += 3;
            } else {
                return;
            }
        }
    }

    // PRIMARY KEY | UNIQUE | FOREIGN KEY | REFERENCES | CHECK after an optional CONSTRAINT name.
    // columnName set for a column constraint (which then names no columns itself).
    PendingConstraint ParseConstraint(std::string name, const std::string* columnName) {
        PendingConstraint c;
        c.name = std::move(name);
        c.line = Line();
        c.columnLevel = columnName != nullptr;
        if (Peek().IsWord("PRIMARY") || Peek().IsWord("UNIQUE")) {
            if (Accept("PRIMARY")) {
                Expect("KEY");
                c.kind = ConstraintKind::PrimaryKey;
            } else {
                ++p_;
                c.kind = ConstraintKind::Unique;
            }
            c.clustered = Clustering();
            if (columnName) {
                c.columns.emplace_back(*columnName, false);
            } else {
                c.columns = KeyColumnList(true);
            }
            SkipConstraintOptions();
        } else if (Peek().IsWord("FOREIGN") || Peek().IsWord("REFERENCES")) {
            c.kind = ConstraintKind::ForeignKey;
            if (Accept("FOREIGN")) {
                Expect("KEY");
                if (Peek().IsOp("(")) {
                    c.columns = KeyColumnList(false);
                }
            }
            if (columnName && c.columns.empty()) {
                c.columns.emplace_back(*columnName, false);
            }
            if (c.columns.empty()) {
                Fail("expected the foreign key's columns near " + Near());
            }
            Expect("REFERENCES");
            const auto [schemaId, table] = ObjectName();
            c.refSchema = schemaId;
            c.refTable = table;
            if (Peek().IsOp("(")) {
                for (auto& col : KeyColumnList(false)) {
                    c.refColumns.push_back(col.first);
                }
            }
            while (Peek().IsWord("ON") && (Peek(1).IsWord("DELETE") || Peek(1).IsWord("UPDATE"))) {
                p_ += 2;
                if (Accept("NO")) {
                    Expect("ACTION");
                } else if (Accept("SET")) {
                    if (!Accept("NULL")) {
                        Expect("DEFAULT");
                    }
                } else {
                    Expect("CASCADE");
                }
            }
            SkipConstraintOptions();
        } else if (Accept("CHECK")) {
            c.kind = ConstraintKind::Check;
            if (Accept("NOT")) {
                Expect("FOR");
                Expect("REPLICATION");
            }
            if (!Peek().IsOp("(")) {
                Fail("expected '(' after CHECK near " + Near());
            }
            const std::size_t from = p_;
            SkipParens();
            for (std::size_t k = from; k < p_; ++k) {
                if (tokens_[k].IsName()) {
                    c.words.push_back(tokens_[k].text);
                }
            }
        } else if (Accept("DEFAULT")) {
            c.kind = ConstraintKind::Default;
            c.defaultText = DefaultExpression();
            if (columnName) {
                c.columns.emplace_back(*columnName, false);
            } else {
                Expect("FOR");
                c.columns.emplace_back(Name(), false);
            }
        } else {
            Fail("expected a constraint near " + Near());
        }
        return c;
    }

    void ParseColumn(TableDef& table, std::vector<PendingConstraint>& pending) {
        ColumnDef col;
        col.name = Name();
        for (const auto& existing : table.columns) {
            if (EqualsNoCase(existing.name, col.name)) {
                Fail("column name '" + col.name + "' is specified more than once");
            }
        }
        if (Accept("AS")) {
            // Computed column: its type follows the expression, which we do not evaluate.
            col.computed = true;
            col.type.name = "nvarchar";
            col.type.length = 4000;
            int depth = 0;
            while (!AtEnd()) {
                if (Peek().IsOp("(")) {
                    ++depth;
                } else if (Peek().IsOp(")")) {
                    if (depth == 0) {
                        break;
                    }
                    --depth;
                } else if (depth == 0 && Peek().IsOp(",")) {
                    break;
                }
                ++p_;
            }
            table.columns.push_back(std::move(col));
            return;
        }
        col.type = ParseDataType();
        if (col.type.name == "timestamp") {
            col.nullable = false;
        }
        std::string constraintName;
        while (!AtEnd() && !Peek().IsOp(",") && !Peek().IsOp(")")) {
            if (Accept("NULL")) {
                col.nullable = true;
            } else if (Accept("NOT")) {
                if (Accept("FOR")) {
                    Expect("REPLICATION");
                } else {
                    Expect("NULL");
                    col.nullable = false;
                }
            } else if (Accept("IDENTITY")) {
                col.identity = true;
                col.nullable = false;
                if (Peek().IsOp("(")) {
                    SkipParens();
                }
            } else if (Accept("COLLATE")) {
                Name();
            } else if (Accept("ROWGUIDCOL") || Accept("SPARSE") || Accept("FILESTREAM") ||
                       Accept("PERSISTED")) {
            } else if (Accept("CONSTRAINT")) {
                constraintName = Name();
            } else if (Peek().IsWord("PRIMARY") || Peek().IsWord("UNIQUE") ||
                       Peek().IsWord("FOREIGN") || Peek().IsWord("REFERENCES") ||
                       Peek().IsWord("CHECK") || Peek().IsWord("DEFAULT")) {
                PendingConstraint c = ParseConstraint(constraintName, &col.name);
                constraintName.clear();
                if (c.kind == ConstraintKind::PrimaryKey) {
                    col.nullable = false;
                }
                if (c.kind == ConstraintKind::Default) {
                    col.defaultText = c.defaultText;
                }
                pending.push_back(std::move(c));
            } else {
                Fail("incorrect syntax near " + Near() + " in the definition of column '" +
                     col.name + "'");
            }
        }
        table.columns.push_back(std::move(col));
    }

    int ColumnId(const TableDef& table, const std::string& name, int line) const {
        for (std::size_t i = 0; i < table.columns.size(); ++i) {
            if (EqualsNoCase(table.columns[i].name, name)) {
                return static_cast<int>(i) + 1;
            }
        }
        throw ParseFailure{line,
                           "column '" + name + "' does not exist in table '" + table.name + "'"};
    }

    std::string GeneratedName(const PendingConstraint& c, const TableDef& table, int id) const {
        switch (c.kind) {
            case ConstraintKind::PrimaryKey:
            case ConstraintKind::Unique: {
                std::string keys;
                for (const auto& col : c.columns) {
                    keys += col.first;
                    keys += '\x1f';
                }
                const char* prefix = c.kind == ConstraintKind::PrimaryKey ? "PK__" : "UQ__";
                return prefix + CutToCharacters(table.name, 8) + "__" + Hex8(Fnv(keys)) +
                       Hex8(static_cast<std::uint32_t>(id - kIdStep));
            }
            case ConstraintKind::ForeignKey:
            case ConstraintKind::Check:
            case ConstraintKind::Default: {
                const char* prefix = c.kind == ConstraintKind::ForeignKey ? "FK__"
                                     : c.kind == ConstraintKind::Check    ? "CK__"
                                                                          : "DF__";
                const std::string tablePart = CutToCharacters(table.name, 9);
                std::string name = prefix + tablePart + "__";
                std::string column;
                if (c.kind == ConstraintKind::Check) {
                    if (c.columnLevel) {
                        column = c.columnsOfCheck;
                    }
                } else if (!c.columns.empty()) {
                    column = c.columns.front().first;
                }
                if (!column.empty()) {
                    name += CutToCharacters(column, 14 - CodePointCount(tablePart)) + "__";
                }
                return name + Hex8(static_cast<std::uint32_t>(id));
            }
        }
        return {};
    }

    IndexDef* FindIndex(TableDef& table, int indid) {
        for (auto& ix : table.indexes) {
            if (ix.indid == indid) {
                return &ix;
            }
        }
        return nullptr;
    }

    bool HasClustered(const TableDef& table) const {
        return std::any_of(table.indexes.begin(), table.indexes.end(),
                           [](const IndexDef& ix) { return ix.clustered; });
    }

    // Gives the table a new index: a clustered one replaces the heap row as indid 1.
    IndexDef& AddIndex(TableDef& table, IndexDef index, int line) {
        for (const auto& ix : table.indexes) {
            if (!ix.name.empty() && EqualsNoCase(ix.name, index.name)) {
                throw ParseFailure{line, "the index '" + index.name +
                                             "' already exists on table '" + table.name + "'"};
            }
        }
        if (index.clustered) {
            if (HasClustered(table)) {
                throw ParseFailure{line, "cannot create more than one clustered index on table '" +
                                             table.name + "'"};
            }
            table.indexes.erase(std::remove_if(table.indexes.begin(), table.indexes.end(),
                                               [](const IndexDef& ix) { return ix.indid == 0; }),
                                table.indexes.end());
            index.indid = 1;
        } else {
            int next = 2;
            for (const auto& ix : table.indexes) {
                next = std::max(next, ix.indid + 1);
            }
            index.indid = next;
        }
        table.indexes.push_back(std::move(index));
        std::sort(table.indexes.begin(), table.indexes.end(),
                  [](const IndexDef& a, const IndexDef& b) { return a.indid < b.indid; });
        return *std::find_if(table.indexes.begin(), table.indexes.end(),
                             [&](const IndexDef& ix) { return ix.name == index.name; });
    }

    const TableDef& FindTable(int schemaId, const std::string& name, int line) const {
        const auto id = db_.ObjectIdOf(schemaId, name);
        if (id) {
            if (const TableDef* t = db_.TableById(*id); t && !t->view) {
                return *t;
            }
        }
        throw ParseFailure{
            line, "the table '" + db_.SchemaName(schemaId) + "." + name + "' does not exist"};
    }

    // Creates the constraint objects (and their indexes) of one table, in declaration order.
    void AddConstraints(std::size_t tableIndex, std::vector<PendingConstraint>& pending,
                        bool existingTable) {
        // A PRIMARY KEY is clustered unless told otherwise or another clustered index exists.
        bool clusteredTaken = HasClustered(db_.tables[tableIndex]);
        for (const auto& c : pending) {
            if (c.clustered.value_or(false)) {
                clusteredTaken = true;
            }
        }
        (void)existingTable;
        for (auto& c : pending) {
            TableDef& table = db_.tables[tableIndex];
            ConstraintDef def;
            def.kind = c.kind;
            def.tableId = table.id;
            def.columnLevel = c.columnLevel;
            for (const auto& col : c.columns) {
                def.columns.push_back(ColumnId(table, col.first, c.line));
            }
            if (c.kind == ConstraintKind::Check) {
                std::set<int> used;
                for (const auto& w : c.words) {
                    for (std::size_t i = 0; i < table.columns.size(); ++i) {
                        if (EqualsNoCase(table.columns[i].name, w)) {
                            used.insert(static_cast<int>(i) + 1);
                        }
                    }
                }
                def.columns.assign(used.begin(), used.end());
                if (c.columnLevel && !def.columns.empty()) {
                    c.columnsOfCheck = table.columns[def.columns.front() - 1].name;
                }
            }
            if (c.kind == ConstraintKind::ForeignKey) {
                const bool self =
                    c.refSchema == table.schemaId && EqualsNoCase(c.refTable, table.name);
                const TableDef& ref = self ? table : FindTable(c.refSchema, c.refTable, c.line);
                def.refTableId = ref.id;
                const IndexDef* target = nullptr;
                if (c.refColumns.empty()) {
                    for (const auto& ix : ref.indexes) {
                        if (ix.primaryKey) {
                            target = &ix;
                        }
                    }
                    if (!target) {
                        throw ParseFailure{
                            c.line, "the table '" + ref.name + "' has no primary key to reference"};
                    }
                    for (const auto& k : target->keys) {
                        def.refColumns.push_back(k.colid);
                    }
                } else {
                    for (const auto& col : c.refColumns) {
                        def.refColumns.push_back(ColumnId(ref, col, c.line));
                    }
                    std::vector<int> wanted = def.refColumns;
                    std::sort(wanted.begin(), wanted.end());
                    for (const auto& ix : ref.indexes) {
                        std::vector<int> keys;
                        for (const auto& k : ix.keys) {
                            keys.push_back(k.colid);
                        }
                        std::sort(keys.begin(), keys.end());
                        if (ix.unique && keys == wanted) {
                            target = &ix;
                            break;
                        }
                    }
                    if (!target) {
                        throw ParseFailure{c.line,
                                           "there are no primary or candidate keys in the "
                                           "referenced table '" +
                                               ref.name + "' that match the column list"};
                    }
                }
                if (def.refColumns.size() != def.columns.size()) {
                    throw ParseFailure{c.line, "the foreign key has " +
                                                   std::to_string(def.columns.size()) +
                                                   " columns but references " +
                                                   std::to_string(def.refColumns.size())};
                }
                def.refIndid = target->indid;
            }
            const char* xtype = "C";
            switch (c.kind) {
                case ConstraintKind::PrimaryKey:
                    xtype = "PK";
                    break;
                case ConstraintKind::Unique:
                    xtype = "UQ";
                    break;
                case ConstraintKind::ForeignKey:
                    xtype = "F";
                    break;
                case ConstraintKind::Default:
                    xtype = "D";
                    break;
                case ConstraintKind::Check:
                    break;
            }
            if (c.kind == ConstraintKind::PrimaryKey) {
                for (const auto& ix : table.indexes) {
                    if (ix.primaryKey) {
                        throw ParseFailure{
                            c.line, "the table '" + table.name + "' already has a primary key"};
                    }
                }
            }
            const int id = ids_.Next();
            def.id = id;
            def.name = c.name.empty() ? GeneratedName(c, table, id) : c.name;
            CheckNewObjectName(table.schemaId, def.name);
            AddObject(table.schemaId, def.name, xtype, table.id, ObjectKind::Constraint,
                      db_.constraints.size(), id);
            if (c.kind == ConstraintKind::Default) {
                table.columns[def.columns.front() - 1].defaultId = id;
                if (table.columns[def.columns.front() - 1].defaultText.empty()) {
                    table.columns[def.columns.front() - 1].defaultText = c.defaultText;
                }
            }
            if (c.kind == ConstraintKind::PrimaryKey || c.kind == ConstraintKind::Unique) {
                IndexDef ix;
                ix.name = def.name;
                ix.unique = true;
                ix.primaryKey = c.kind == ConstraintKind::PrimaryKey;
                ix.uniqueConstraint = c.kind == ConstraintKind::Unique;
                ix.clustered =
                    c.clustered.value_or(c.kind == ConstraintKind::PrimaryKey && !clusteredTaken);
                if (ix.clustered) {
                    clusteredTaken = true;
                }
                for (std::size_t k = 0; k < def.columns.size(); ++k) {
                    ix.keys.push_back({def.columns[k], c.columns[k].second});
                    if (ix.primaryKey) {
                        table.columns[def.columns[k] - 1].nullable = false;
                    }
                }
                AddIndex(table, std::move(ix), c.line);
            }
            db_.constraints.push_back(std::move(def));
        }
    }

    void CreateTable() {
        const int line = Line();
        const auto [schemaId, name] = ObjectName();
        CheckNewObjectName(schemaId, name);
        TableDef table;
        table.schemaId = schemaId;
        table.name = name;
        table.indexes.push_back(IndexDef{"", 0, false, false, false, false, {}, {}});
        ExpectOp("(");
        std::vector<PendingConstraint> pending;
        std::vector<std::pair<IndexDef, std::vector<std::pair<std::string, bool>>>> inlineIndexes;
        do {
            if (Peek().IsWord("CONSTRAINT")) {
                ++p_;
                std::string cname = Name();
                pending.push_back(ParseConstraint(std::move(cname), nullptr));
            } else if (Peek().IsWord("PRIMARY") || Peek().IsWord("UNIQUE") ||
                       Peek().IsWord("FOREIGN") || Peek().IsWord("CHECK")) {
                pending.push_back(ParseConstraint("", nullptr));
            } else if (Accept("INDEX")) {
                IndexDef ix;
                ix.name = Name();
                if (Accept("UNIQUE")) {
                    ix.unique = true;
                }
                ix.clustered = Clustering().value_or(false);
                inlineIndexes.emplace_back(std::move(ix), KeyColumnList(true));
                SkipConstraintOptions();
            } else {
                ParseColumn(table, pending);
            }
        } while (AcceptOp(","));
        ExpectOp(")");
        if (table.columns.empty()) {
            throw ParseFailure{line, "the table '" + name + "' has no columns"};
        }
        // ON filegroup, TEXTIMAGE_ON, WITH (...): storage details without catalog effect.
        while (!AtEnd() && !Peek().IsOp(";") && !IsStatementStart(Peek())) {
            if (Peek().IsOp("(")) {
                SkipParens();
            } else {
                ++p_;
            }
        }
        table.id = ids_.Next();
        const std::size_t tableIndex = db_.tables.size();
        AddObject(schemaId, name, "U", 0, ObjectKind::Table, tableIndex, table.id);
        db_.tables.push_back(std::move(table));
        db_.tableById[db_.tables.back().id] = tableIndex;
        AddConstraints(tableIndex, pending, false);
        for (auto& [ix, cols] : inlineIndexes) {
            TableDef& t = db_.tables[tableIndex];
            for (const auto& [colName, desc] : cols) {
                ix.keys.push_back({ColumnId(t, colName, line), desc});
            }
            AddIndex(t, std::move(ix), line);
        }
    }

    void AlterTable() {
        p_ += 2;
        const int line = Line();
        const auto [schemaId, name] = ObjectName();
        const TableDef& found = FindTable(schemaId, name, line);
        const std::size_t tableIndex = db_.tableById.at(found.id);
        if (Accept("WITH")) {
            if (!Accept("CHECK")) {
                Expect("NOCHECK");
            }
        }
        if (!Accept("ADD")) {
            SkipWithWarning("ALTER TABLE " + name + " other than ADD");
            return;
        }
        std::vector<PendingConstraint> pending;
        do {
            if (Accept("CONSTRAINT")) {
                std::string cname = Name();
                pending.push_back(ParseConstraint(std::move(cname), nullptr));
            } else if (Peek().IsWord("PRIMARY") || Peek().IsWord("UNIQUE") ||
                       Peek().IsWord("FOREIGN") || Peek().IsWord("CHECK") ||
                       Peek().IsWord("DEFAULT")) {
                pending.push_back(ParseConstraint("", nullptr));
            } else {
                ParseColumn(db_.tables[tableIndex], pending);
            }
        } while (AcceptOp(","));
        AddConstraints(tableIndex, pending, true);
    }

    void CreateIndex() {
        IndexDef ix;
        const int line = Line();
        if (Accept("UNIQUE")) {
            ix.unique = true;
        }
        ix.clustered = Clustering().value_or(false);
        Expect("INDEX");
        ix.name = Name();
        Expect("ON");
        const auto [schemaId, name] = ObjectName();
        const auto id = db_.ObjectIdOf(schemaId, name);
        TableDef* table = nullptr;
        if (id) {
            if (const auto it = db_.tableById.find(*id); it != db_.tableById.end()) {
                table = &db_.tables[it->second];
            }
        }
        if (!table) {
            Fail("cannot find the object '" + name + "' for index '" + ix.name + "'");
        }
        for (const auto& [colName, desc] : KeyColumnList(true)) {
            ix.keys.push_back({ColumnId(*table, colName, line), desc});
        }
        if (Accept("INCLUDE")) {
            for (const auto& col : KeyColumnList(false)) {
                ix.included.push_back(ColumnId(*table, col.first, line));
            }
        }
        if (Accept("WHERE")) {
            while (!AtEnd() && !Peek().IsWord("WITH") && !Peek().IsWord("ON") &&
                   !Peek().IsOp(";") && !IsStatementStart(Peek())) {
                if (Peek().IsOp("(")) {
                    SkipParens();
                } else {
                    ++p_;
                }
            }
        }
        SkipConstraintOptions();
        AddIndex(*table, std::move(ix), line);
    }

    // Column list of a view from its SELECT: names and the types of the columns they show.
    std::vector<ColumnDef> ViewColumns(std::size_t selectAt, const std::string& viewName) {
        p_ = selectAt;
        Expect("SELECT");
        Accept("DISTINCT");
        Accept("ALL");
        if (Accept("TOP")) {
            if (Peek().IsOp("(")) {
                SkipParens();
            } else {
                ++p_;
            }
            Accept("PERCENT");
            if (Accept("WITH")) {
                Expect("TIES");
            }
        }
        struct Item {
            std::size_t from, to;
        };
        std::vector<Item> items;
        std::size_t from = p_;
        int depth = 0;
        while (!AtEnd()) {
            const Token& t = Peek();
            if (t.IsOp("(")) {
                ++depth;
            } else if (t.IsOp(")")) {
                --depth;
            } else if (depth == 0 && t.IsOp(",")) {
                items.push_back({from, p_});
                from = p_ + 1;
            } else if (depth == 0 && (t.IsWord("FROM") || t.IsWord("UNION") || t.IsOp(";"))) {
                break;
            }
            ++p_;
        }
        items.push_back({from, p_});
        // FROM: table references and their aliases.
        struct Source {
            std::string alias;
            const TableDef* table;
        };
        std::vector<Source> sources;
        if (Accept("FROM")) {
            bool expectTable = true;
            while (!AtEnd()) {
                const Token& t = Peek();
                if (t.IsWord("WHERE") || t.IsWord("GROUP") || t.IsWord("ORDER") ||
                    t.IsWord("HAVING") || t.IsWord("UNION") || t.IsOp(";")) {
                    break;
                }
                if (expectTable && t.IsName()) {
                    const auto [schemaId, name] = ObjectName();
                    const auto id = db_.ObjectIdOf(schemaId, name);
                    const TableDef* table = id ? db_.TableById(*id) : nullptr;
                    if (!table) {
                        Fail("invalid object name '" + name + "' in view '" + viewName + "'");
                    }
                    std::string alias = name;
                    Accept("AS");
                    if (Peek().IsName() && !IsReservedKeyword(Peek().text)) {
                        alias = Name();
                    } else if (Peek().kind == TokenKind::QuotedName) {
                        alias = Name();
                    }
                    sources.push_back({alias, table});
                    expectTable = false;
                    continue;
                }
                if (t.IsOp(",") || t.IsWord("JOIN")) {
                    expectTable = true;
                } else if (t.IsOp("(")) {
                    SkipParens();
                    continue;
                }
                ++p_;
            }
        }
        auto findColumn = [&](const std::string& qualifier,
                              const std::string& column) -> const ColumnDef* {
            for (const auto& s : sources) {
                if (!qualifier.empty() && !EqualsNoCase(s.alias, qualifier) &&
                    !EqualsNoCase(s.table->name, qualifier)) {
                    continue;
                }
                for (const auto& c : s.table->columns) {
                    if (EqualsNoCase(c.name, column)) {
                        return &c;
                    }
                }
            }
            return nullptr;
        };
        std::vector<ColumnDef> columns;
        for (const auto& item : items) {
            std::vector<const Token*> toks;
            for (std::size_t k = item.from; k < item.to; ++k) {
                toks.push_back(&tokens_[k]);
            }
            if (toks.empty()) {
                throw ParseFailure{Line(), "empty column in view '" + viewName + "'"};
            }
            // t.* and *
            if (toks.back()->IsOp("*") &&
                (toks.size() == 1 || (toks.size() == 3 && toks[1]->IsOp(".")))) {
                for (const auto& s : sources) {
                    if (toks.size() == 3 && !EqualsNoCase(s.alias, toks[0]->text)) {
                        continue;
                    }
                    for (const auto& c : s.table->columns) {
                        ColumnDef copy = c;
                        copy.identity = false;
                        copy.defaultId = 0;
                        copy.defaultText.clear();
                        columns.push_back(copy);
                    }
                }
                continue;
            }
            std::string alias;
            std::size_t exprFrom = 0;
            std::size_t exprTo = toks.size();
            if (toks.size() >= 3 && toks[0]->IsName() && toks[1]->IsOp("=")) {
                alias = toks[0]->text;
                exprFrom = 2;
            } else if (toks.size() >= 2 &&
                       (toks.back()->IsName() || toks.back()->kind == TokenKind::String) &&
                       !toks[toks.size() - 2]->IsOp(".")) {
                alias = toks.back()->text;
                exprTo = toks.size() - 1;
                if (exprTo > 0 && toks[exprTo - 1]->IsWord("AS")) {
                    --exprTo;
                }
            }
            ColumnDef col;
            col.type.name = "nvarchar";
            col.type.length = 4000;
            const std::size_t n = exprTo - exprFrom;
            const ColumnDef* source = nullptr;
            if (n == 1 && toks[exprFrom]->IsName()) {
                source = findColumn("", toks[exprFrom]->text);
                col.name = toks[exprFrom]->text;
            } else if (n == 3 && toks[exprFrom]->IsName() && toks[exprFrom + 1]->IsOp(".") &&
                       toks[exprFrom + 2]->IsName()) {
                source = findColumn(toks[exprFrom]->text, toks[exprFrom + 2]->text);
                col.name = toks[exprFrom + 2]->text;
            } else if (n >= 1 && (toks[exprFrom]->IsWord("COUNT"))) {
                col.type = DataType{"int", 0, 0, 0, false, false};
            }
            if (source) {
                col.type = source->type;
                col.nullable = source->nullable;
            }
            if (!alias.empty()) {
                col.name = alias;
            }
            if (col.name.empty()) {
                throw ParseFailure{tokens_[item.from].line,
                                   "no column name was specified for column " +
                                       std::to_string(columns.size() + 1) + " of view '" +
                                       viewName + "'"};
            }
            columns.push_back(std::move(col));
        }
        return columns;
    }

    std::string BatchText() const { return std::string(batch_); }

    void CreateView(std::size_t createAt) {
        (void)createAt;
        const int line = Line();
        const auto [schemaId, name] = ObjectName();
        CheckNewObjectName(schemaId, name);
        std::vector<std::string> names;
        if (Peek().IsOp("(")) {
            for (auto& c : KeyColumnList(false)) {
                names.push_back(c.first);
            }
        }
        if (Accept("WITH")) {
            do {
                Name();
            } while (AcceptOp(","));
        }
        Expect("AS");
        TableDef view;
        view.view = true;
        view.schemaId = schemaId;
        view.name = name;
        view.text = BatchText();
        view.columns = ViewColumns(p_, name);
        if (!names.empty()) {
            if (names.size() != view.columns.size()) {
                throw ParseFailure{line, "the view '" + name +
                                             "' names a different number of columns than its "
                                             "SELECT returns"};
            }
            for (std::size_t i = 0; i < names.size(); ++i) {
                view.columns[i].name = names[i];
            }
        }
        p_ = tokens_.size();
        view.id = ids_.Next();
        const std::size_t index = db_.tables.size();
        AddObject(schemaId, name, "V", 0, ObjectKind::View, index, view.id);
        db_.tables.push_back(std::move(view));
        db_.tableById[db_.tables.back().id] = index;
    }

    void CreateProcedure(std::size_t createAt) {
        (void)createAt;
        const auto [schemaId, name] = ObjectName();
        CheckNewObjectName(schemaId, name);
        ProcedureDef proc;
        proc.schemaId = schemaId;
        proc.name = name;
        proc.text = BatchText();
        if (AcceptOp(";")) {
            ++p_;  // group number
        }
        const bool parens = AcceptOp("(");
        while (Peek().kind == TokenKind::Variable) {
            ColumnDef param;
            param.name = tokens_[p_++].text;
            Accept("AS");
            param.type = ParseDataType();
            Accept("VARYING");
            if (AcceptOp("=")) {
                DefaultExpression();
            }
            if (Accept("OUT") || Accept("OUTPUT")) {
                param.identity = false;
                param.computed = true;  // marks an OUTPUT parameter
            }
            Accept("READONLY");
            proc.parameters.push_back(std::move(param));
            if (!AcceptOp(",")) {
                break;
            }
        }
        if (parens) {
            ExpectOp(")");
        }
        p_ = tokens_.size();
        proc.id = ids_.Next();
        AddObject(schemaId, name, "P", 0, ObjectKind::Procedure, db_.procedures.size(), proc.id);
        db_.procedures.push_back(std::move(proc));
    }

    std::string file_;
    std::string_view batch_;
    std::vector<Token> tokens_;
    std::size_t p_ = 0;
    ObjectIdSequence ids_;
    std::map<std::string, DataType> aliasTypes_;
};

ScriptReader::ScriptReader(std::string databaseName)
    : impl_(std::make_unique<Impl>(std::move(databaseName))) {}
ScriptReader::~ScriptReader() = default;

bool ScriptReader::ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        impl_->error = LoadError{path, 0, "cannot open the file"};
        return false;
    }
    std::ostringstream buffer;
    buffer << in.rdbuf();
    std::string text = buffer.str();
    if (text.size() >= 2 &&
        ((text[0] == '\xFF' && text[1] == '\xFE') || (text[0] == '\xFE' && text[1] == '\xFF'))) {
        impl_->error = LoadError{path, 1, "the script is UTF-16; save it as UTF-8"};
        return false;
    }
    if (text.size() >= 3 && text.compare(0, 3, "\xEF\xBB\xBF") == 0) {
        text.erase(0, 3);
    }
    return ReadText(path, text);
}

bool ScriptReader::ReadText(const std::string& file, std::string_view text) {
    return impl_->ReadText(file, text);
}

bool ScriptReader::AddGeneratedTables(int n) {
    return n <= 0 || impl_->ReadText("<generated tables>", GeneratedTablesScript(n));
}

const std::optional<LoadError>& ScriptReader::error() const {
    return impl_->error;
}
const std::vector<ScriptWarning>& ScriptReader::warnings() const {
    return impl_->warnings;
}

Database ScriptReader::Finish() {
    Database db = std::move(impl_->db_);
    db.Index();
    return db;
}

std::string GeneratedTablesScript(int n) {
    std::string out;
    out.reserve(static_cast<std::size_t>(n) * 400);
    char name[32];
    char parent[32];
    for (int i = 1; i <= n; ++i) {
        std::snprintf(name, sizeof name, "GenTable%05d", i);
        out += "CREATE TABLE dbo.";
        out += name;
        out +=
            " (\n    Id int NOT NULL PRIMARY KEY,\n    Code nvarchar(20) NOT NULL,\n"
            "    Title nvarchar(100) NULL,\n    Amount decimal(12, 2) NULL,\n"
            "    CreatedAt datetime NOT NULL";
        if (i > 1) {
            // Every table but the first refers to an earlier one, so relations form chains.
            std::snprintf(parent, sizeof parent, "GenTable%05d",
                          i - 1 - (i % 7 == 0 ? (i - 1) / 2 : 0));
            out += ",\n    ParentId int NULL REFERENCES dbo.";
            out += parent;
            out += " (Id)";
        }
        out += "\n)\n";
        if (i % 3 == 0) {
            out += "CREATE INDEX IX_";
            out += name;
            out += "_Code ON dbo.";
            out += name;
            out += " (Code, CreatedAt DESC)\n";
        }
        out += "GO\n";
    }
    return out;
}

}  // namespace catalog_server
