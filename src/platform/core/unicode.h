#pragma once

// UTF-8 and UTF-16, the two encodings the program and the emulator move text between (the wire
// and ODBC speak UTF-16, everything inside is UTF-8). Malformed input never stops a conversion:
// it becomes U+FFFD.

#include <cstddef>
#include <string>
#include <string_view>

namespace quillon {

inline constexpr char32_t kReplacementCharacter = 0xFFFD;

// Decodes the UTF-8 character at `pos` and moves past it. A bad lead or continuation byte, an
// overlong form, a surrogate or a value above U+10FFFF gives U+FFFD and moves one byte.
inline char32_t NextUtf8(std::string_view text, std::size_t& pos) {
    const auto byteAt = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byteAt(pos);
    if (lead < 0x80) {
        ++pos;
        return lead;
    }
    std::size_t length = 0;
    char32_t c = 0;
    char32_t least = 0;
    if ((lead & 0xE0) == 0xC0) {
        length = 2, c = lead & 0x1F, least = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, c = lead & 0x0F, least = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, c = lead & 0x07, least = 0x10000;
    } else {
        ++pos;
        return kReplacementCharacter;
    }
    if (pos + length > text.size()) {
        ++pos;
        return kReplacementCharacter;
    }
    for (std::size_t i = 1; i < length; ++i) {
        const unsigned char next = byteAt(pos + i);
        if ((next & 0xC0) != 0x80) {
            ++pos;
            return kReplacementCharacter;
        }
        c = (c << 6) | (next & 0x3F);
    }
    if (c < least || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
        ++pos;
        return kReplacementCharacter;
    }
    pos += length;
    return c;
}

inline void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// How many UTF-16 units a character takes.
inline std::size_t Utf16Units(char32_t c) {
    return c >= 0x10000 ? 2 : 1;
}

// Calls emit(unit) once for each UTF-16 unit of the character.
template <class Emit>
void EncodeUtf16(char32_t c, Emit&& emit) {
    if (c < 0x10000) {
        emit(static_cast<char16_t>(c));
    } else {
        c -= 0x10000;
        emit(static_cast<char16_t>(0xD800 + (c >> 10)));
        emit(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
    }
}

// Decodes UTF-16 units given by unitAt(0 .. count-1) into UTF-8; a lone surrogate gives U+FFFD.
template <class UnitAt>
std::string DecodeUtf16(std::size_t count, UnitAt&& unitAt) {
    std::string out;
    out.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        const char16_t unit = unitAt(i);
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < count) {
            const char16_t low = unitAt(i + 1);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                AppendUtf8(out, 0x10000 + ((char32_t(unit) - 0xD800) << 10) + (low - 0xDC00));
                ++i;
                continue;
            }
        }
        AppendUtf8(out, unit >= 0xD800 && unit <= 0xDFFF ? kReplacementCharacter : unit);
    }
    return out;
}

inline std::u16string Utf8ToUtf16(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    for (std::size_t pos = 0; pos < text.size();) {
        EncodeUtf16(NextUtf8(text, pos), [&](char16_t unit) { out += unit; });
    }
    return out;
}

inline std::string Utf16ToUtf8(std::u16string_view text) {
    return DecodeUtf16(text.size(), [&](std::size_t i) { return text[i]; });
}

}  // namespace quillon
