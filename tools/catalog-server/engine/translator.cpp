#include "translator.h"

#include <algorithm>
#include <set>

#include "text.h"

namespace catalog_server {
namespace {

enum class Clause { None, Select, From, Where, GroupBy, Having, OrderBy, On };

struct Level {
    Clause clause = Clause::None;
    bool tableExpected = false;
    std::optional<std::string> limit;
    std::string closeSuffix;  // CONVERT(type, x) closes as CAST(x AS type)
    bool dropRest = false;    // CONVERT's style argument
    bool cast = false;        // inside CAST( ... ), the type after AS is raw
};

// Words this translator understands as SQL keywords; they go through as written.
bool IsHandledKeyword(const Token& t) {
    static const char* const kWords[] = {
        "SELECT", "FROM",  "WHERE",    "AND",    "OR",       "NOT",         "IN",      "IS",
        "NULL",   "LIKE",  "ESCAPE",   "ORDER",  "BY",       "ASC",         "DESC",    "GROUP",
        "HAVING", "AS",    "ON",       "JOIN",   "INNER",    "LEFT",        "RIGHT",   "FULL",
        "OUTER",  "CROSS", "UNION",    "ALL",    "DISTINCT", "EXISTS",      "BETWEEN", "CASE",
        "WHEN",   "THEN",  "ELSE",     "END",    "CAST",     "TOP",         "COLLATE", "INTERSECT",
        "EXCEPT", "WITH",  "COALESCE", "NULLIF", "CONVERT",  "CURRENT_USER"};
    for (const char* w : kWords) {
        if (t.IsWord(w)) {
            return true;
        }
    }
    return false;
}

std::string Quote(const std::string& name) {
    return "\"" + quillon::DoubleEach(name, '"') + "\"";
}

std::string StringLiteral(const std::string& value) {
    return "'" + quillon::DoubleEach(value, '\'') + "'";
}

Column MakeColumn(ColumnType type, int length = 0) {
    Column c;
    c.type = type;
    c.maxLength = length;
    return c;
}

// SQL Server's result type for a call of a known function.
std::optional<Column> FunctionType(const std::string& upperName) {
    if (upperName == "OBJECT_ID" || upperName == "SCHEMA_ID" || upperName == "INDEXPROPERTY" ||
        upperName == "INDEXKEY_PROPERTY" || upperName == "OBJECTPROPERTY" || upperName == "LEN" ||
        upperName == "DATALENGTH" || upperName == "COUNT" || upperName == "CHARINDEX") {
        return MakeColumn(ColumnType::Int);
    }
    if (upperName == "COUNT_BIG") {
        return MakeColumn(ColumnType::BigInt);
    }
    if (upperName == "DB_ID") {
        return MakeColumn(ColumnType::SmallInt);
    }
    if (upperName == "OBJECT_NAME" || upperName == "SCHEMA_NAME" || upperName == "DB_NAME" ||
        upperName == "COL_NAME" || upperName == "USER_NAME" || upperName == "CURRENT_USER") {
        return MakeColumn(ColumnType::NVarChar, 128);
    }
    if (upperName == "QUOTENAME") {
        return MakeColumn(ColumnType::NVarChar, 258);
    }
    return std::nullopt;
}

std::optional<Column> CastType(const std::vector<const Token*>& typeTokens) {
    if (typeTokens.empty()) {
        return std::nullopt;
    }
    const std::string name = UpperText(typeTokens[0]->text);
    int length = 30;
    if (typeTokens.size() >= 3 && typeTokens[1]->IsOp("(")) {
        length = typeTokens[2]->IsWord("MAX") ? -1 : std::atoi(typeTokens[2]->text.c_str());
    }
    if (name == "INT" || name == "INTEGER") {
        return MakeColumn(ColumnType::Int);
    }
    if (name == "SMALLINT") {
        return MakeColumn(ColumnType::SmallInt);
    }
    if (name == "TINYINT") {
        return MakeColumn(ColumnType::TinyInt);
    }
    if (name == "BIGINT") {
        return MakeColumn(ColumnType::BigInt);
    }
    if (name == "BIT") {
        return MakeColumn(ColumnType::Bit);
    }
    if (name == "SYSNAME") {
        return MakeColumn(ColumnType::NVarChar, 128);
    }
    if (name == "NVARCHAR" || name == "VARCHAR" || name == "NCHAR" || name == "CHAR") {
        return MakeColumn(ColumnType::NVarChar, typeTokens.size() >= 3 ? length : 1);
    }
    return std::nullopt;
}

class Translator {
public:
    Translator(const std::vector<Token>& tokens, std::size_t begin, std::size_t end,
               const TableResolver& tables, const GlobalResolver& globals,
               const Parameters& parameters)
        : t_(tokens),
          begin_(begin),
          end_(end),
          tables_(tables),
          globals_(globals),
          parameters_(parameters) {}

    std::variant<Translation, SqlError> Run() {
        levels_.push_back(Level{});
        CollectCommonTableNames();
        for (i_ = begin_; i_ < end_;) {
            if (error_) {
                return *error_;
            }
            Step();
        }
        if (error_) {
            return *error_;
        }
        if (levels_.size() != 1) {
            return SyntaxErrorNear(t_, end_, end_);
        }
        EndOuterSelectList();
        CloseSelectScope(levels_.back());
        out_.outputs = AnalyzeOutputs();
        return std::move(out_);
    }

private:
    const Token& T(std::size_t k) const {
        static const Token kEnd;
        return k < end_ ? t_[k] : kEnd;
    }
    bool Has(std::size_t k) const { return k < end_; }

    void Emit(const std::string& text, std::size_t tokenIndex) {
        if (!out_.sql.empty()) {
            out_.sql += ' ';
        }
        out_.offsets.emplace_back(out_.sql.size(), tokenIndex);
        out_.sql += text;
    }

    void Fail(SqlError e) {
        if (!error_) {
            error_ = std::move(e);
        }
    }

    void CollectCommonTableNames() {
        if (!T(begin_).IsWord("WITH")) {
            return;
        }
        int depth = 0;
        bool expectName = true;
        for (std::size_t k = begin_ + 1; k < end_; ++k) {
            const Token& tok = t_[k];
            if (tok.IsOp("(")) {
                ++depth;
            } else if (tok.IsOp(")")) {
                --depth;
            } else if (depth == 0 && expectName && tok.IsName()) {
                cteNames_.insert(FoldName(tok.text));
                expectName = false;
            } else if (depth == 0 && tok.IsOp(",")) {
                expectName = true;
            } else if (depth == 0 && tok.IsWord("SELECT")) {
                break;
            }
        }
    }

    void CloseSelectScope(Level& level) {
        if (level.limit) {
            Emit("LIMIT " + *level.limit, i_ < end_ ? i_ : end_);
            level.limit.reset();
        }
    }

    std::vector<std::string> ReadChain() {
        std::vector<std::string> parts{T(i_).text};
        ++i_;
        while (Has(i_) && T(i_).IsOp(".")) {
            if (Has(i_ + 1) && T(i_ + 1).IsOp(".")) {
                parts.emplace_back();
                ++i_;
                continue;
            }
            if (Has(i_ + 1) && (T(i_ + 1).IsName() || T(i_ + 1).IsOp("*"))) {
                parts.push_back(T(i_ + 1).IsOp("*") ? "*" : T(i_ + 1).text);
                i_ += 2;
                continue;
            }
            break;
        }
        return parts;
    }

    static std::string Written(const std::vector<std::string>& parts) {
        std::string s;
        for (std::size_t k = 0; k < parts.size(); ++k) {
            s += (k ? "." : "") + parts[k];
        }
        return s;
    }

    bool IsAliasToken(const Token& tok) const {
        return tok.kind == TokenKind::QuotedName ||
               (tok.kind == TokenKind::Name && !IsHandledKeyword(tok) &&
                !IsReservedKeyword(tok.text));
    }

    void TableReference() {
        const std::size_t at = i_;
        const auto parts = ReadChain();
        std::string store;
        if (parts.size() == 1 && cteNames_.count(FoldName(parts[0]))) {
            store = parts[0];
        } else if (auto resolved = tables_(parts)) {
            store = *resolved;
        } else {
            Fail(SqlError{208, 1, 16, T(at).line, "Invalid object name '" + Written(parts) + "'."});
            return;
        }
        Emit(Quote(store), at);
        std::string alias = parts.back();
        if (T(i_).IsWord("AS") && IsAliasToken(T(i_ + 1))) {
            alias = T(i_ + 1).text;
            i_ += 2;
        } else if (Has(i_) && IsAliasToken(T(i_))) {
            alias = T(i_).text;
            ++i_;
        }
        Emit("AS " + Quote(alias), at);
        out_.exposedNames.push_back(FoldName(alias));
        // Table hints change nothing on a read-only catalog.
        if (T(i_).IsWord("WITH") && T(i_ + 1).IsOp("(")) {
            ++i_;
            SkipParens();
        } else if (T(i_).IsOp("(") && T(i_ + 1).IsWord("NOLOCK")) {
            SkipParens();
        }
        levels_.back().tableExpected = false;
    }

    void SkipParens() {
        int depth = 0;
        do {
            if (T(i_).IsOp("(")) {
                ++depth;
            } else if (T(i_).IsOp(")")) {
                --depth;
            }
            ++i_;
        } while (depth > 0 && Has(i_));
    }

    void ColumnChain() {
        const std::size_t at = i_;
        auto parts = ReadChain();
        std::string text;
        if (parts.size() >= 3) {
            std::vector<std::string> prefix(parts.begin(), parts.end() - 1);
            if (tables_(prefix)) {
                parts = {prefix.back(), parts.back()};
            }
        }
        for (std::size_t k = 0; k < parts.size(); ++k) {
            if (k) {
                text += '.';
            }
            text += parts[k] == "*" ? "*" : Quote(parts[k]);
        }
        Emit(text, at);
    }

    void Top() {
        const std::size_t at = i_;
        ++i_;
        std::string limit;
        if (T(i_).IsOp("(")) {
            const std::size_t open = i_;
            SkipParens();
            for (std::size_t k = open + 1; k + 1 < i_; ++k) {
                if (T(k).kind == TokenKind::Number) {
                    limit += T(k).text;
                } else if (T(k).kind == TokenKind::Variable) {
                    limit += LowerText(T(k).text);
                    Variable(T(k).text, k, false);
                } else {
                    Fail(SqlError{50000, 1, 16, T(at).line,
                                  "catalog-server supports TOP with a number only."});
                }
            }
        } else if (T(i_).kind == TokenKind::Number) {
            limit = T(i_).text;
            ++i_;
        } else {
            Fail(SyntaxErrorNear(t_, i_, end_));
            return;
        }
        if (T(i_).IsWord("PERCENT") || (T(i_).IsWord("WITH") && T(i_ + 1).IsWord("TIES"))) {
            Fail(SqlError{50000, 1, 16, T(at).line,
                          "catalog-server does not support TOP ... PERCENT or WITH TIES."});
            return;
        }
        levels_.back().limit = limit;
    }

    void Variable(const std::string& written, std::size_t at, bool emit) {
        const std::string lower = LowerText(written);
        if (lower.rfind("@@", 0) == 0) {
            const auto g = globals_(lower);
            if (!g) {
                Fail(SqlError{137, 2, 15, T(at).line,
                              "Must declare the scalar variable \"" + written + "\"."});
                return;
            }
            if (emit) {
                Emit(g->literal, at);
            }
            return;
        }
        if (!parameters_.count(lower)) {
            Fail(SqlError{137, 2, 15, T(at).line,
                          "Must declare the scalar variable \"" + written + "\"."});
            return;
        }
        if (std::find(out_.variables.begin(), out_.variables.end(), lower) ==
            out_.variables.end()) {
            out_.variables.push_back(lower);
        }
        if (emit) {
            Emit(lower, at);
        }
    }

    // Reads a CONVERT/CAST target type [name [(n[, m])]] and returns its tokens.
    std::vector<const Token*> ReadType() {
        std::vector<const Token*> type;
        if (!T(i_).IsName()) {
            Fail(SyntaxErrorNear(t_, i_, end_));
            return type;
        }
        type.push_back(&T(i_++));
        if (T(i_).IsOp("(")) {
            while (Has(i_)) {
                type.push_back(&T(i_));
                if (T(i_++).IsOp(")")) {
                    break;
                }
            }
        }
        return type;
    }

    void Step() {
        const Token& tok = T(i_);
        Level& level = levels_.back();
        // Start of an item of the outermost select list: alias = expr.
        if (levels_.size() == 1 && level.clause == Clause::Select && itemStart_ &&
            (tok.IsName() || tok.kind == TokenKind::String) && T(i_ + 1).IsOp("=") &&
            !T(i_ + 2).IsOp("=")) {
            pendingAlias_ = tok.text;
            i_ += 2;
            itemStart_ = false;
            return;
        }
        itemStart_ = false;
        switch (tok.kind) {
            case TokenKind::String:
                Emit(StringLiteral(tok.text), i_);
                ++i_;
                return;
            case TokenKind::Number:
                Emit(tok.text, i_);
                ++i_;
                return;
            case TokenKind::Variable:
                Variable(tok.text, i_, true);
                ++i_;
                return;
            case TokenKind::Operator:
                Operator();
                return;
            case TokenKind::QuotedName:
                if (level.clause == Clause::From && level.tableExpected) {
                    TableReference();
                } else {
                    ColumnChain();
                }
                return;
            case TokenKind::Name:
                break;
        }
        if (level.cast && tok.IsWord("AS")) {
            ++i_;
            const auto type = ReadType();
            if (!type.empty()) {
                Emit("AS " + type[0]->text, i_ - 1);
            }
            return;
        }
        if (tok.IsWord("CONVERT") && T(i_ + 1).IsOp("(")) {
            const std::size_t at = i_;
            i_ += 2;
            const auto type = ReadType();
            if (type.empty() || !T(i_).IsOp(",")) {
                Fail(SyntaxErrorNear(t_, i_, end_));
                return;
            }
            ++i_;
            Emit("CAST(", at);
            Level inner;
            inner.clause = level.clause;
            inner.closeSuffix = "AS " + type[0]->text;
            levels_.push_back(inner);
            return;
        }
        if (tok.IsWord("CAST") && T(i_ + 1).IsOp("(")) {
            Emit("CAST(", i_);
            i_ += 2;
            Level inner;
            inner.clause = level.clause;
            inner.cast = true;
            levels_.push_back(inner);
            return;
        }
        if (!IsHandledKeyword(tok) && T(i_ + 1).IsOp("(")) {
            // A function call.
            std::string name = tok.text;
            const std::string upper = UpperText(name);
            if (upper == "LEFT" || upper == "RIGHT" || upper == "ISNULL") {
                name = "tsql_" + LowerText(name);
            }
            Emit(name, i_);
            ++i_;
            return;
        }
        if ((tok.IsWord("LEFT") || tok.IsWord("RIGHT")) && T(i_ + 1).IsOp("(")) {
            Emit("tsql_" + LowerText(tok.text), i_);
            ++i_;
            return;
        }
        if (IsHandledKeyword(tok)) {
            Keyword();
            return;
        }
        if (IsReservedKeyword(tok.text)) {
            Fail(SyntaxErrorNear(t_, i_, end_));
            return;
        }
        if (level.clause == Clause::From && level.tableExpected) {
            TableReference();
        } else {
            ColumnChain();
        }
    }

    void Keyword() {
        const Token& tok = T(i_);
        Level& level = levels_.back();
        const std::size_t at = i_;
        if (tok.IsWord("SELECT")) {
            level.clause = Clause::Select;
            Emit("SELECT", at);
            ++i_;
            if (T(i_).IsWord("DISTINCT") || T(i_).IsWord("ALL")) {
                Emit(UpperText(T(i_).text), i_);
                ++i_;
            }
            if (T(i_).IsWord("TOP")) {
                Top();
            }
            if (levels_.size() == 1 && !selectListSeen_) {
                selectListSeen_ = true;
                inOuterSelectList_ = true;
                items_.push_back({i_, i_, "", out_.sql.size()});
                itemStart_ = true;
            }
            return;
        }
        if (tok.IsWord("FROM") || tok.IsWord("WHERE") || tok.IsWord("GROUP") ||
            tok.IsWord("HAVING") || tok.IsWord("ORDER") || tok.IsWord("UNION") ||
            tok.IsWord("EXCEPT") || tok.IsWord("INTERSECT")) {
            EndOuterSelectList();
        }
        if (tok.IsWord("FROM")) {
            level.clause = Clause::From;
            level.tableExpected = true;
        } else if (tok.IsWord("JOIN")) {
            level.clause = Clause::From;
            level.tableExpected = true;
        } else if (tok.IsWord("ON") && level.clause == Clause::From) {
            level.clause = Clause::On;
        } else if (tok.IsWord("WHERE")) {
            level.clause = Clause::Where;
        } else if (tok.IsWord("GROUP")) {
            level.clause = Clause::GroupBy;
        } else if (tok.IsWord("HAVING")) {
            level.clause = Clause::Having;
        } else if (tok.IsWord("ORDER")) {
            level.clause = Clause::OrderBy;
        } else if (tok.IsWord("UNION") || tok.IsWord("EXCEPT") || tok.IsWord("INTERSECT")) {
            if (level.limit) {
                Fail(SqlError{50000, 1, 16, tok.line,
                              "catalog-server does not support TOP inside UNION."});
                return;
            }
            level.clause = Clause::None;
        } else if ((tok.IsWord("INNER") || tok.IsWord("LEFT") || tok.IsWord("RIGHT") ||
                    tok.IsWord("FULL") || tok.IsWord("CROSS")) &&
                   level.clause == Clause::On) {
            level.clause = Clause::From;
        } else if (tok.IsWord("COLLATE")) {
            // Names already compare as the default collation does.
            i_ += 2;
            return;
        } else if (tok.IsWord("WITH") && i_ == begin_) {
            level.clause = Clause::None;
        }
        Emit(UpperText(tok.text), at);
        ++i_;
    }

    void EndOuterSelectList() {
        if (levels_.size() == 1 && inOuterSelectList_) {
            inOuterSelectList_ = false;
            FinishItem();
        }
    }

    void FinishItem() {
        if (items_.empty()) {
            return;
        }
        auto& item = items_.back();
        item.end = i_;
        item.alias = pendingAlias_;
        if (!pendingAlias_.empty()) {
            Emit("AS " + Quote(pendingAlias_), i_);
            pendingAlias_.clear();
        }
    }

    void Operator() {
        const Token& tok = T(i_);
        const std::size_t at = i_;
        Level& level = levels_.back();
        if (tok.IsOp("(")) {
            Emit("(", at);
            ++i_;
            Level inner;
            inner.clause = level.clause;
            levels_.push_back(inner);
            return;
        }
        if (tok.IsOp(")")) {
            if (levels_.size() == 1) {
                Fail(SyntaxErrorNear(t_, i_, end_));
                return;
            }
            Level inner = levels_.back();
            CloseSelectScope(inner);
            levels_.pop_back();
            if (!inner.closeSuffix.empty()) {
                Emit(inner.closeSuffix, at);
            }
            Emit(")", at);
            ++i_;
            return;
        }
        if (tok.IsOp(",")) {
            if (level.dropRest) {
                return;
            }
            if (!level.closeSuffix.empty()) {
                // CONVERT's style argument: formatting of dates, nothing to do for names.
                while (Has(i_) && !T(i_).IsOp(")")) {
                    if (T(i_).IsOp("(")) {
                        SkipParens();
                    } else {
                        ++i_;
                    }
                }
                return;
            }
            if (levels_.size() == 1 && inOuterSelectList_) {
                FinishItem();
                Emit(",", at);
                ++i_;
                items_.push_back({i_, i_, "", out_.sql.size()});
                itemStart_ = true;
                return;
            }
            if (level.clause == Clause::From) {
                level.tableExpected = true;
            }
            Emit(",", at);
            ++i_;
            return;
        }
        static const char* const kPlain[] = {".",  "*",  "-",  "/",  "%", "=", "<", ">",
                                             "<=", ">=", "<>", "!=", "&", "|", "^", "~"};
        for (const char* op : kPlain) {
            if (tok.IsOp(op)) {
                Emit(tok.text, at);
                ++i_;
                return;
            }
        }
        if (tok.IsOp("!<")) {
            Emit(">=", at);
            ++i_;
            return;
        }
        if (tok.IsOp("!>")) {
            Emit("<=", at);
            ++i_;
            return;
        }
        if (tok.IsOp("+")) {
            // '+' joins texts in T-SQL; next to a string literal it cannot be arithmetic.
            const bool text = (at > begin_ && T(at - 1).kind == TokenKind::String) ||
                              T(at + 1).kind == TokenKind::String;
            Emit(text ? "||" : "+", at);
            ++i_;
            return;
        }
        Fail(SyntaxErrorNear(t_, i_, end_));
    }

    std::vector<OutputHint> AnalyzeOutputs() {
        std::vector<OutputHint> hints;
        for (const auto& item : items_) {
            OutputHint hint;
            std::vector<const Token*> toks;
            for (std::size_t k = item.begin; k < item.end; ++k) {
                toks.push_back(&t_[k]);
            }
            if (!item.alias.empty()) {
                // alias = expr: the tokens after '=' are the expression
                hint.name = item.alias;
                hint.named = true;
                if (toks.size() >= 2) {
                    toks.erase(toks.begin(), toks.begin() + 2);
                }
            }
            if (toks.empty()) {
                hints.push_back(hint);
                continue;
            }
            if (toks.back()->IsOp("*")) {
                hint.star = true;
                hints.push_back(hint);
                continue;
            }
            if (!hint.named && toks.size() >= 2) {
                const Token* last = toks.back();
                const Token* before = toks[toks.size() - 2];
                const bool aliasToken =
                    last->kind == TokenKind::QuotedName || last->kind == TokenKind::String ||
                    (last->kind == TokenKind::Name && !IsHandledKeyword(*last) &&
                     !IsReservedKeyword(last->text));
                if (aliasToken &&
                    (before->IsWord("AS") ||
                     (!before->IsOp(".") && last->kind != TokenKind::String &&
                      (before->IsName() || before->IsOp(")") || before->kind == TokenKind::Number ||
                       before->kind == TokenKind::String || before->kind == TokenKind::Variable ||
                       before->IsWord("END"))))) {
                    hint.name = last->text;
                    hint.named = true;
                    toks.pop_back();
                    if (toks.back()->IsWord("AS")) {
                        toks.pop_back();
                    }
                }
            }
            // A plain column: its own name and declared type.
            bool chain = !toks.empty() && toks[0]->IsName();
            for (std::size_t k = 0; k < toks.size() && chain; ++k) {
                chain = (k % 2 == 0) ? toks[k]->IsName() : toks[k]->IsOp(".");
            }
            if (chain && toks.size() % 2 == 1) {
                if (!hint.named) {
                    hint.name = toks.back()->text;
                    hint.named = true;
                }
            } else if (toks.size() >= 3 && toks[0]->kind == TokenKind::Name && toks[1]->IsOp("(") &&
                       toks.back()->IsOp(")")) {
                const std::string fn = UpperText(toks[0]->text);
                if (fn == "CAST") {
                    for (std::size_t k = 2; k < toks.size(); ++k) {
                        if (toks[k]->IsWord("AS")) {
                            hint.type =
                                CastType({toks.begin() + static_cast<long>(k) + 1, toks.end() - 1});
                        }
                    }
                } else if (fn == "CONVERT") {
                    std::vector<const Token*> type;
                    for (std::size_t k = 2; k < toks.size() && !toks[k]->IsOp(","); ++k) {
                        type.push_back(toks[k]);
                    }
                    hint.type = CastType(type);
                } else {
                    hint.type = FunctionType(fn);
                }
            } else if (toks.size() == 1 && toks[0]->kind == TokenKind::Number &&
                       toks[0]->text.find_first_of(".eE") == std::string::npos) {
                hint.type = MakeColumn(ColumnType::Int);
                hint.type->nullable = false;
            } else if (toks.size() == 1 && toks[0]->kind == TokenKind::String) {
                hint.type =
                    MakeColumn(ColumnType::NVarChar,
                               std::max<int>(1, static_cast<int>(CodePointCount(toks[0]->text))));
                hint.type->nullable = false;
            } else if (toks.size() == 1 && toks[0]->kind == TokenKind::Variable &&
                       toks[0]->text.rfind("@@", 0) == 0) {
                if (const auto g = globals_(LowerText(toks[0]->text))) {
                    hint.type = g->column;
                }
            } else if (toks.size() == 1 && toks[0]->IsWord("NULL")) {
                hint.type = MakeColumn(ColumnType::Int);
            }
            hints.push_back(hint);
        }
        return hints;
    }

    struct Item {
        std::size_t begin;
        std::size_t end;
        std::string alias;
        std::size_t outOffset;
    };

    const std::vector<Token>& t_;
    std::size_t begin_;
    std::size_t end_;
    const TableResolver& tables_;
    const GlobalResolver& globals_;
    const Parameters& parameters_;
    std::size_t i_ = 0;
    std::vector<Level> levels_;
    std::set<std::string> cteNames_;
    Translation out_;
    std::optional<SqlError> error_;
    std::vector<Item> items_;
    bool selectListSeen_ = false;
    bool inOuterSelectList_ = false;
    bool itemStart_ = false;
    std::string pendingAlias_;
};

}  // namespace

SqlError SyntaxErrorNear(const std::vector<Token>& tokens, std::size_t i, std::size_t end) {
    if (i >= end) {
        i = end > 0 ? end - 1 : 0;
    }
    if (tokens.empty()) {
        return SqlError{102, 1, 15, 1, "Incorrect syntax near ''."};
    }
    const Token& t = tokens[std::min(i, tokens.size() - 1)];
    if (t.kind == TokenKind::Name && IsReservedKeyword(t.text)) {
        return SqlError{156, 1, 15, t.line, "Incorrect syntax near the keyword '" + t.text + "'."};
    }
    std::string shown = t.text;
    if (t.kind == TokenKind::String) {
        shown = t.text;
    }
    return SqlError{102, 1, 15, t.line, "Incorrect syntax near '" + shown + "'."};
}

std::variant<Translation, SqlError> TranslateSelect(const std::vector<Token>& tokens,
                                                    std::size_t begin, std::size_t end,
                                                    const TableResolver& tables,
                                                    const GlobalResolver& globals,
                                                    const Parameters& parameters) {
    Translator translator(tokens, begin, end, tables, globals, parameters);
    return translator.Run();
}

}  // namespace catalog_server
