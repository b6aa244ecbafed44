#include "lexer.h"

#include <algorithm>
#include <array>
#include <cctype>

#include "text.h"

namespace catalog_server {
namespace {

// Reads a quoted text from `pos` (just past the opening mark) up to the closing `close`, where a
// doubled `close` stands for one. Leaves `pos` past the closing mark; false when there is none.
bool ReadQuoted(std::string_view s, char close, std::size_t& pos, std::string& value) {
    while (pos < s.size()) {
        if (s[pos] == close) {
            if (pos + 1 < s.size() && s[pos + 1] == close) {
                value += close;
                pos += 2;
                continue;
            }
            ++pos;
            return true;
        }
        value += s[pos++];
    }
    return false;
}

bool IsNameStart(unsigned char c) {
    return std::isalpha(c) || c == '_' || c == '#' || c >= 0x80;
}

bool IsNamePart(unsigned char c) {
    return std::isalnum(c) || c == '_' || c == '#' || c == '$' || c == '@' || c >= 0x80;
}

}  // namespace

bool Token::IsWord(std::string_view word) const {
    if (kind != TokenKind::Name || text.size() != word.size()) {
        return false;
    }
    for (std::size_t i = 0; i < word.size(); ++i) {
        if (std::toupper(static_cast<unsigned char>(text[i])) !=
            std::toupper(static_cast<unsigned char>(word[i]))) {
            return false;
        }
    }
    return true;
}

bool IsReservedKeyword(std::string_view word) {
    static constexpr std::array<std::string_view, 120> kWords = {
        "ADD",        "ALL",           "ALTER",      "AND",      "ANY",       "AS",
        "ASC",        "AUTHORIZATION", "BACKUP",     "BEGIN",    "BETWEEN",   "BREAK",
        "BROWSE",     "BULK",          "BY",         "CASCADE",  "CASE",      "CHECK",
        "CHECKPOINT", "CLOSE",         "CLUSTERED",  "COALESCE", "COLLATE",   "COLUMN",
        "COMMIT",     "COMPUTE",       "CONSTRAINT", "CONTAINS", "CONTINUE",  "CONVERT",
        "CREATE",     "CROSS",         "CURRENT",    "CURSOR",   "DATABASE",  "DEALLOCATE",
        "DECLARE",    "DEFAULT",       "DELETE",     "DENY",     "DESC",      "DISTINCT",
        "DROP",       "ELSE",          "END",        "ESCAPE",   "EXCEPT",    "EXEC",
        "EXECUTE",    "EXISTS",        "EXIT",       "FETCH",    "FOR",       "FOREIGN",
        "FROM",       "FULL",          "FUNCTION",   "GOTO",     "GRANT",     "GROUP",
        "HAVING",     "IDENTITY",      "IF",         "IN",       "INDEX",     "INNER",
        "INSERT",     "INTERSECT",     "INTO",       "IS",       "JOIN",      "KEY",
        "KILL",       "LEFT",          "LIKE",       "MERGE",    "NOCHECK",   "NONCLUSTERED",
        "NOT",        "NULL",          "NULLIF",     "OF",       "OFF",       "ON",
        "OPEN",       "OPTION",        "OR",         "ORDER",    "OUTER",     "OVER",
        "PERCENT",    "PRIMARY",       "PRINT",      "PROC",     "PROCEDURE", "PUBLIC",
        "RETURN",     "REFERENCES",    "REVOKE",     "RIGHT",    "ROLLBACK",  "SCHEMA",
        "SELECT",     "SET",           "TABLE",      "THEN",     "TO",        "TOP",
        "TRAN",       "TRANSACTION",   "TRIGGER",    "UNION",    "UNIQUE",    "UPDATE",
        "USE",        "VALUES",        "VIEW",       "WHEN",     "WHERE",     "WITH"};
    const std::string upper = UpperText(word);
    return std::find(kWords.begin(), kWords.end(), upper) != kWords.end();
}

LexResult Lex(std::string_view s, int firstLine) {
    LexResult result;
    int line = firstLine;
    std::size_t i = 0;
    auto countLines = [&](std::size_t from, std::size_t to) {
        line += static_cast<int>(std::count(s.begin() + from, s.begin() + to, '\n'));
    };
    while (i < s.size()) {
        const auto c = static_cast<unsigned char>(s[i]);
        if (c == '\n') {
            ++line;
            ++i;
            continue;
        }
        if (std::isspace(c)) {
            ++i;
            continue;
        }
        if (c == '-' && i + 1 < s.size() && s[i + 1] == '-') {
            while (i < s.size() && s[i] != '\n') {
                ++i;
            }
            continue;
        }
        if (c == '/' && i + 1 < s.size() && s[i + 1] == '*') {
            // Block comments nest in T-SQL.
            const std::size_t start = i;
            const int startLine = line;
            int depth = 0;
            while (i < s.size()) {
                if (s.compare(i, 2, "/*") == 0) {
                    ++depth;
                    i += 2;
                } else if (s.compare(i, 2, "*/") == 0) {
                    --depth;
                    i += 2;
                    if (depth == 0) {
                        break;
                    }
                } else {
                    if (s[i] == '\n') {
                        ++line;
                    }
                    ++i;
                }
            }
            if (depth != 0) {
                result.error = LexError{LexError::Kind::UnclosedComment, start, startLine, ""};
                return result;
            }
            continue;
        }
        Token t;
        t.offset = i;
        t.line = line;
        const bool national = (c == 'N' || c == 'n') && i + 1 < s.size() && s[i + 1] == '\'';
        if (c == '\'' || national) {
            const std::size_t open = national ? i + 1 : i;
            std::size_t k = open + 1;
            std::string value;
            const bool closed = ReadQuoted(s, '\'', k, value);
            if (!closed) {
                result.error = LexError{LexError::Kind::UnclosedString, i, line,
                                        std::string(s.substr(open + 1))};
                return result;
            }
            t.kind = TokenKind::String;
            t.text = std::move(value);
            t.national = national;
            t.length = k - i;
            countLines(i, k);
            i = k;
            result.tokens.push_back(std::move(t));
            continue;
        }
        if (c == '[' || c == '"') {
            const char close = c == '[' ? ']' : '"';
            std::size_t k = i + 1;
            std::string value;
            const bool closed = ReadQuoted(s, close, k, value);
            if (!closed) {
                result.error = LexError{
                    c == '[' ? LexError::Kind::UnclosedName : LexError::Kind::UnclosedString, i,
                    line, std::string(s.substr(i + 1))};
                return result;
            }
            t.kind = TokenKind::QuotedName;
            t.text = std::move(value);
            t.length = k - i;
            countLines(i, k);
            i = k;
            result.tokens.push_back(std::move(t));
            continue;
        }
        if (c == '@') {
            std::size_t k = i + 1;
            if (k < s.size() && s[k] == '@') {
                ++k;
            }
            while (k < s.size() && IsNamePart(static_cast<unsigned char>(s[k]))) {
                ++k;
            }
            t.kind = TokenKind::Variable;
            t.text = std::string(s.substr(i, k - i));
            t.length = k - i;
            i = k;
            result.tokens.push_back(std::move(t));
            continue;
        }
        if (IsNameStart(c)) {
            std::size_t k = i + 1;
            while (k < s.size() && IsNamePart(static_cast<unsigned char>(s[k]))) {
                ++k;
            }
            t.kind = TokenKind::Name;
            t.text = std::string(s.substr(i, k - i));
            t.length = k - i;
            i = k;
            result.tokens.push_back(std::move(t));
            continue;
        }
        if (std::isdigit(c) ||
            (c == '.' && i + 1 < s.size() && std::isdigit(static_cast<unsigned char>(s[i + 1])))) {
            std::size_t k = i;
            if (c == '0' && i + 1 < s.size() && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
                k += 2;
                while (k < s.size() && std::isxdigit(static_cast<unsigned char>(s[k]))) {
                    ++k;
                }
            } else {
                while (k < s.size() &&
                       (std::isdigit(static_cast<unsigned char>(s[k])) || s[k] == '.')) {
                    ++k;
                }
                if (k < s.size() && (s[k] == 'e' || s[k] == 'E')) {
                    std::size_t e = k + 1;
                    if (e < s.size() && (s[e] == '+' || s[e] == '-')) {
                        ++e;
                    }
                    if (e < s.size() && std::isdigit(static_cast<unsigned char>(s[e]))) {
                        k = e;
                        while (k < s.size() && std::isdigit(static_cast<unsigned char>(s[k]))) {
                            ++k;
                        }
                    }
                }
            }
            t.kind = TokenKind::Number;
            t.text = std::string(s.substr(i, k - i));
            t.length = k - i;
            i = k;
            result.tokens.push_back(std::move(t));
            continue;
        }
        static constexpr std::array<std::string_view, 10> kTwoChar = {"<>", "!=", "<=", ">=", "!<",
                                                                      "!>", "+=", "-=", "*=", "/="};
        t.kind = TokenKind::Operator;
        t.length = 1;
        for (const auto op : kTwoChar) {
            if (s.compare(i, 2, op) == 0) {
                t.length = 2;
                break;
            }
        }
        t.text = std::string(s.substr(i, t.length));
        i += t.length;
        result.tokens.push_back(std::move(t));
    }
    return result;
}

}  // namespace catalog_server
