#pragma once

// Text rules shared by every layer: trailing blanks are never significant, and names (settings
// values, INI keys, data-file keys) compare without regard to letter case.

#include <algorithm>
#include <string>
#include <string_view>

namespace quillon {

inline std::string_view TrimTrailingBlanks(std::string_view text) {
    const std::size_t end = text.find_last_not_of(' ');
    return end == std::string_view::npos ? std::string_view() : text.substr(0, end + 1);
}

// Only A-Z: std::tolower would follow the process locale and could fold bytes of UTF-8 text.
inline char AsciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c;
}

// ASCII letters only: the names compared this way (labels, keys, SQL identifiers we write) are
// ASCII, and bytes of UTF-8 sequences are compared exactly.
inline bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return AsciiLower(x) == AsciiLower(y);
           });
}

// Cuts a UTF-8 text to at most `length` characters (code points), never inside a character.
inline std::string CutToCharacters(std::string_view text, std::size_t length) {
    std::size_t characters = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if ((byte & 0xC0) != 0x80) {
            if (characters == length) {
                return std::string(text.substr(0, i));
            }
            ++characters;
        }
    }
    return std::string(text);
}

// Cuts a UTF-8 text to at most `bytes` bytes, backing off so no character is split.
inline std::string_view CutToBytes(std::string_view text, std::size_t bytes) {
    if (text.size() <= bytes) {
        return text;
    }
    while (bytes > 0 && (static_cast<unsigned char>(text[bytes]) & 0xC0) == 0x80) {
        --bytes;
    }
    return text.substr(0, bytes);
}

// The text with every `mark` doubled, as SQL writes a quote inside a quoted text or name.
inline std::string DoubleEach(std::string_view text, char mark) {
    std::string out;
    out.reserve(text.size() + 2);
    for (const char c : text) {
        out += c;
        if (c == mark) {
            out += c;
        }
    }
    return out;
}

}  // namespace quillon
