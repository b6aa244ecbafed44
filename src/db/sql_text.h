#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace quillon {

// The pieces from which the catalog queries splice their SQL texts.

// A name inside a single-quoted string literal: trailing blanks dropped, each quote doubled.
std::string SqlLiteralText(std::string_view name);

// One part of a multi-part object name: trailing blanks dropped, in brackets with each ] doubled.
// A blank part stays empty, so the server fills in its default (current database, default schema).
std::string BracketedNamePart(std::string_view part);

// A number in plain decimal: leading minus when negative, no blanks, no leading zeros.
std::string SqlNumber(std::int32_t value);

}  // namespace quillon
