#include "db/sql_text.h"

#include "platform/core/text.h"

namespace quillon {

namespace {

std::string Doubled(std::string_view text, char mark) {
    std::string out;
    out.reserve(text.size() + 2);
    for (char c : text) {
        out += c;
        if (c == mark) {
            out += c;
        }
    }
    return out;
}

}  // namespace

std::string SqlLiteralText(std::string_view name) {
    return Doubled(TrimTrailingBlanks(name), '\'');
}

std::string BracketedNamePart(std::string_view part) {
    part = TrimTrailingBlanks(part);
    if (part.empty()) {
        return {};
    }
    return "[" + Doubled(part, ']') + "]";
}

std::string SqlNumber(std::int32_t value) {
    return std::to_string(value);
}

}  // namespace quillon
