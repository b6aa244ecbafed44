#include "db/text_rules.h"

#include <algorithm>

namespace quillon {

std::string_view TrimTrailingBlanks(std::string_view text) {
    const auto end = text.find_last_not_of(' ');
    return end == std::string_view::npos ? std::string_view() : text.substr(0, end + 1);
}

std::string_view CutToCharacters(std::string_view text, std::size_t characters) {
    std::size_t count = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        // Continuation bytes of a UTF-8 sequence start with the bits 10.
        const bool startsCharacter = (static_cast<unsigned char>(text[i]) & 0xC0) != 0x80;
        if (startsCharacter) {
            if (count == characters) {
                return text.substr(0, i);
            }
            ++count;
        }
    }
    return text;
}

std::string FixedText(std::string_view text, std::size_t characters) {
    return std::string(TrimTrailingBlanks(CutToCharacters(text, characters)));
}

bool SameName(std::string_view a, std::string_view b) {
    a = TrimTrailingBlanks(a);
    b = TrimTrailingBlanks(b);
    const auto upper = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; };
    return std::ranges::equal(a, b, [&](char x, char y) { return upper(x) == upper(y); });
}

}  // namespace quillon
