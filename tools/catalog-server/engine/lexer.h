#pragma once

// Splits T-SQL text into tokens: names (bare, [bracketed], "quoted"), strings ('...' and
// N'...'), numbers, variables (@x, @@x) and operators, skipping blanks and comments.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace catalog_server {

enum class TokenKind { Name, QuotedName, String, Number, Variable, Operator };

struct Token {
    TokenKind kind = TokenKind::Operator;
    std::string text;        // names and strings: the value without quotes; otherwise as written
    std::size_t offset = 0;  // byte offset of the token in the source
    std::size_t length = 0;  // bytes in the source
    int line = 1;            // 1-based
    bool national = false;   // N'...'

    bool IsWord(std::string_view word) const;  // a bare name equal to word, any letter case
    bool IsOp(std::string_view op) const { return kind == TokenKind::Operator && text == op; }
    bool IsName() const { return kind == TokenKind::Name || kind == TokenKind::QuotedName; }
};

// What stopped the lexer: an unclosed quote, bracket or comment.
struct LexError {
    enum class Kind { UnclosedString, UnclosedName, UnclosedComment } kind;
    std::size_t offset = 0;
    int line = 1;
    std::string rest;  // the text after the opening quote
};

struct LexResult {
    std::vector<Token> tokens;
    std::optional<LexError> error;  // tokens hold everything before the error
};

LexResult Lex(std::string_view text, int firstLine = 1);

// T-SQL reserved keywords that SQL Server names as "the keyword 'X'" in syntax errors.
bool IsReservedKeyword(std::string_view word);

}  // namespace catalog_server
