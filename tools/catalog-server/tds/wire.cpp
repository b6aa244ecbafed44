#include "wire.h"

#include <array>

namespace catalog_server::tds {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Decodes one UTF-8 sequence at pos and advances past it. Malformed input (bad lead or
// continuation bytes, overlong forms, surrogates, values above U+10FFFF) yields U+FFFD and
// advances one byte.
char32_t NextCodePoint(std::string_view s, std::size_t& pos) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(s[i]); };
    const unsigned char lead = byte(pos);
    if (lead < 0x80) {
        ++pos;
        return lead;
    }
    std::size_t length = 0;
    char32_t cp = 0;
    char32_t minimum = 0;
    if ((lead & 0xE0) == 0xC0) {
        length = 2;
        cp = lead & 0x1F;
        minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3;
        cp = lead & 0x0F;
        minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4;
        cp = lead & 0x07;
        minimum = 0x10000;
    } else {
        ++pos;
        return kReplacement;
    }
    if (pos + length > s.size()) {
        ++pos;
        return kReplacement;
    }
    for (std::size_t i = 1; i < length; ++i) {
        const unsigned char c = byte(pos + i);
        if ((c & 0xC0) != 0x80) {
            ++pos;
            return kReplacement;
        }
        cp = (cp << 6) | (c & 0x3F);
    }
    if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        ++pos;
        return kReplacement;
    }
    pos += length;
    return cp;
}

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

std::size_t UnitsOf(char32_t cp) {
    return cp >= 0x10000 ? 2 : 1;
}

}  // namespace

void ByteWriter::U16LE(std::uint16_t v) {
    out_.push_back(static_cast<std::uint8_t>(v));
    out_.push_back(static_cast<std::uint8_t>(v >> 8));
}

void ByteWriter::U16BE(std::uint16_t v) {
    out_.push_back(static_cast<std::uint8_t>(v >> 8));
    out_.push_back(static_cast<std::uint8_t>(v));
}

void ByteWriter::U32LE(std::uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        out_.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    }
}

void ByteWriter::U64LE(std::uint64_t v) {
    for (int i = 0; i < 8; ++i) {
        out_.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    }
}

std::size_t ByteWriter::Utf16(std::string_view utf8, std::size_t maxUnits) {
    std::size_t units = 0;
    std::size_t pos = 0;
    while (pos < utf8.size()) {
        const char32_t cp = NextCodePoint(utf8, pos);
        if (units + UnitsOf(cp) > maxUnits) {
            break;
        }
        if (cp >= 0x10000) {
            const char32_t v = cp - 0x10000;
            U16LE(static_cast<std::uint16_t>(0xD800 + (v >> 10)));
            U16LE(static_cast<std::uint16_t>(0xDC00 + (v & 0x3FF)));
            units += 2;
        } else {
            U16LE(static_cast<std::uint16_t>(cp));
            ++units;
        }
    }
    return units;
}

void ByteWriter::BVarChar(std::string_view utf8) {
    const std::size_t at = out_.size();
    U8(0);
    out_[at] = static_cast<std::uint8_t>(Utf16(utf8, 0xFF));
}

void ByteWriter::UsVarChar(std::string_view utf8) {
    const std::size_t at = out_.size();
    U16LE(0);
    PatchU16LE(at, static_cast<std::uint16_t>(Utf16(utf8, 0xFFFF)));
}

void ByteWriter::PatchU16LE(std::size_t at, std::uint16_t v) {
    out_[at] = static_cast<std::uint8_t>(v);
    out_[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

std::uint8_t ByteReader::U8() {
    const ByteView b = Take(1);
    return b.empty() ? 0 : b[0];
}

std::uint16_t ByteReader::U16LE() {
    const ByteView b = Take(2);
    return b.empty() ? 0 : static_cast<std::uint16_t>(b[0] | (b[1] << 8));
}

std::uint16_t ByteReader::U16BE() {
    const ByteView b = Take(2);
    return b.empty() ? 0 : static_cast<std::uint16_t>((b[0] << 8) | b[1]);
}

std::uint32_t ByteReader::U32LE() {
    const ByteView b = Take(4);
    std::uint32_t v = 0;
    for (std::size_t i = 0; i < b.size(); ++i) {
        v |= static_cast<std::uint32_t>(b[i]) << (8 * i);
    }
    return v;
}

std::uint64_t ByteReader::U64LE() {
    const ByteView b = Take(8);
    std::uint64_t v = 0;
    for (std::size_t i = 0; i < b.size(); ++i) {
        v |= static_cast<std::uint64_t>(b[i]) << (8 * i);
    }
    return v;
}

ByteView ByteReader::Take(std::size_t n) {
    if (!ok_ || n > data_.size() - pos_) {
        ok_ = false;
        return {};
    }
    const ByteView part = data_.subspan(pos_, n);
    pos_ += n;
    return part;
}

std::string ByteReader::BVarChar() {
    const std::size_t units = U8();
    return Utf16LeToUtf8(Take(units * 2));
}

std::string ByteReader::UsVarChar() {
    const std::size_t units = U16LE();
    return Utf16LeToUtf8(Take(units * 2));
}

std::string Utf16LeToUtf8(ByteView bytes) {
    std::string out;
    out.reserve(bytes.size() / 2);
    const std::size_t units = bytes.size() / 2;
    const auto unit = [&](std::size_t i) {
        return static_cast<char16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
    };
    for (std::size_t i = 0; i < units; ++i) {
        const char16_t u = unit(i);
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < units && unit(i + 1) >= 0xDC00 &&
            unit(i + 1) <= 0xDFFF) {
            const char32_t cp = 0x10000 + ((static_cast<char32_t>(u) - 0xD800) << 10) +
                                (static_cast<char32_t>(unit(i + 1)) - 0xDC00);
            AppendUtf8(out, cp);
            ++i;
        } else if (u >= 0xD800 && u <= 0xDFFF) {
            AppendUtf8(out, kReplacement);
        } else {
            AppendUtf8(out, u);
        }
    }
    if (bytes.size() % 2 != 0) {
        AppendUtf8(out, kReplacement);
    }
    return out;
}

std::size_t Utf16Length(std::string_view utf8) {
    std::size_t units = 0;
    std::size_t pos = 0;
    while (pos < utf8.size()) {
        units += UnitsOf(NextCodePoint(utf8, pos));
    }
    return units;
}

std::string_view Utf16Prefix(std::string_view utf8, std::size_t maxUnits) {
    std::size_t units = 0;
    std::size_t pos = 0;
    while (pos < utf8.size()) {
        std::size_t next = pos;
        const std::size_t n = UnitsOf(NextCodePoint(utf8, next));
        if (units + n > maxUnits) {
            break;
        }
        units += n;
        pos = next;
    }
    return utf8.substr(0, pos);
}

std::string Cp1252ToUtf8(ByteView bytes) {
    // 0x80..0x9F differ from Latin-1; the five unassigned positions (0) map to the C1 control of
    // the same value, as Windows converts them.
    static constexpr std::array<char16_t, 32> kHigh = {
        0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};
    std::string out;
    out.reserve(bytes.size());
    for (const std::uint8_t b : bytes) {
        char32_t cp = b;
        if (b >= 0x80 && b <= 0x9F) {
            cp = kHigh[b - 0x80] != 0 ? kHigh[b - 0x80] : b;
        }
        AppendUtf8(out, cp);
    }
    return out;
}

}  // namespace catalog_server::tds
