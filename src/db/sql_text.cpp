#include "db/sql_text.h"

#include "platform/core/text.h"

namespace quillon {

std::string SqlLiteralText(std::string_view name) {
    return DoubleEach(TrimTrailingBlanks(name), '\'');
}

std::string BracketedNamePart(std::string_view part) {
    part = TrimTrailingBlanks(part);
    if (part.empty()) {
        return {};
    }
    return "[" + DoubleEach(part, ']') + "]";
}

std::string SqlNumber(std::int32_t value) {
    return std::to_string(value);
}

}  // namespace quillon
