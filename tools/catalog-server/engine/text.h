#pragma once

// Text helpers shared by the engine: UTF-8 code points, SQL Server's case-insensitive name
// comparison (trailing blanks ignored, accents kept) and its LIKE patterns.

#include <string>
#include <string_view>

#include "platform/core/text.h"

namespace catalog_server {

// Lower-cased (Unicode simple case mapping) copy without trailing blanks: the key under which
// two names compare equal exactly when SQL Server's default collation says they are.
std::string FoldName(std::string_view utf8);

// <0, 0, >0 like strcmp, under the same rules as FoldName.
int CompareNoCase(std::string_view a, std::string_view b);

bool EqualsNoCase(std::string_view a, std::string_view b);

// SQL Server LIKE: % _ [abc] [a-z] [^abc], case-insensitive, with an optional escape character.
bool LikeMatch(std::string_view pattern, std::string_view text, char32_t escape = 0);

// Number of code points (what LEN and nvarchar lengths count). A prefix of at most n code points
// is CutToCharacters, dropping trailing blanks TrimTrailingBlanks, both shared with the program.
std::size_t CodePointCount(std::string_view utf8);
using quillon::CutToCharacters;
using quillon::TrimTrailingBlanks;

std::string UpperText(std::string_view utf8);
std::string LowerText(std::string_view utf8);

}  // namespace catalog_server
