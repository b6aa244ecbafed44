#include "wire.h"

#include <array>

#include "platform/core/unicode.h"

namespace catalog_server::tds {

using quillon::AppendUtf8;
using quillon::kReplacementCharacter;
using quillon::NextUtf8;
using quillon::Utf16Units;

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
        const char32_t cp = NextUtf8(utf8, pos);
        if (units + Utf16Units(cp) > maxUnits) {
            break;
        }
        quillon::EncodeUtf16(cp, [this](char16_t unit) { U16LE(unit); });
        units += Utf16Units(cp);
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
    std::string out = quillon::DecodeUtf16(bytes.size() / 2, [&](std::size_t i) {
        return static_cast<char16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
    });
    if (bytes.size() % 2 != 0) {
        AppendUtf8(out, kReplacementCharacter);
    }
    return out;
}

std::size_t Utf16Length(std::string_view utf8) {
    std::size_t units = 0;
    std::size_t pos = 0;
    while (pos < utf8.size()) {
        units += Utf16Units(NextUtf8(utf8, pos));
    }
    return units;
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
