#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace quillon {

// Trailing blanks are never significant: every compared, joined, stored or spliced text drops them.
std::string_view TrimTrailingBlanks(std::string_view text);

// Keeps at most `characters` characters of a UTF-8 text, never splitting a character.
std::string_view CutToCharacters(std::string_view text, std::size_t characters);

// The text a fixed-length text field of `characters` characters holds: cut to that length, and
// without the trailing blanks that padding would add.
std::string FixedText(std::string_view text, std::size_t characters);

// Compares two texts without regard to trailing blanks and to the letter case of ASCII letters.
bool SameName(std::string_view a, std::string_view b);

}  // namespace quillon
