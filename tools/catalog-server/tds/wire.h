#pragma once

// Byte-level helpers for TDS: little- and big-endian numbers, bounds-checked reading, and the
// UTF-8 <-> UTF-16LE conversions every string on the wire needs.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace catalog_server::tds {

using Bytes = std::vector<std::uint8_t>;
using ByteView = std::span<const std::uint8_t>;

// Appends to a growing byte buffer. Writes never fail.
class ByteWriter {
public:
    explicit ByteWriter(Bytes& out) : out_(out) {}

    void U8(std::uint8_t v) { out_.push_back(v); }
    void U16LE(std::uint16_t v);
    void U16BE(std::uint16_t v);
    void U32LE(std::uint32_t v);
    void U64LE(std::uint64_t v);
    void Raw(ByteView bytes) { out_.insert(out_.end(), bytes.begin(), bytes.end()); }
    // UTF-8 text as UTF-16LE code units, at most maxUnits of them (a character that would not
    // fit whole is left out); returns the number of code units written.
    std::size_t Utf16(std::string_view utf8, std::size_t maxUnits = SIZE_MAX);
    // B_VARCHAR: 1-byte count of UTF-16 code units, then the text (cut at 255 units).
    void BVarChar(std::string_view utf8);
    // US_VARCHAR: 2-byte count of UTF-16 code units, then the text (cut at 65535 units).
    void UsVarChar(std::string_view utf8);

    std::size_t Size() const { return out_.size(); }
    void PatchU16LE(std::size_t at, std::uint16_t v);

private:
    Bytes& out_;
};

// Reads from a byte range. A read past the end sets a sticky failure and yields zeros, so a
// parser can read a whole structure and check Ok() once.
class ByteReader {
public:
    explicit ByteReader(ByteView data) : data_(data) {}

    std::uint8_t U8();
    std::uint16_t U16LE();
    std::uint16_t U16BE();
    std::uint32_t U32LE();
    std::uint64_t U64LE();
    // The next n bytes (empty and failed when fewer remain).
    ByteView Take(std::size_t n);
    void Skip(std::size_t n) { Take(n); }
    // B_VARCHAR / US_VARCHAR as UTF-8.
    std::string BVarChar();
    std::string UsVarChar();

    bool Ok() const { return ok_; }
    void Fail() { ok_ = false; }
    std::size_t Position() const { return pos_; }
    std::size_t Remaining() const { return ok_ ? data_.size() - pos_ : 0; }
    bool AtEnd() const { return Remaining() == 0; }

private:
    ByteView data_;
    std::size_t pos_ = 0;
    bool ok_ = true;
};

// UTF-16LE bytes to UTF-8. Unpaired surrogates and an odd trailing byte become U+FFFD.
std::string Utf16LeToUtf8(ByteView bytes);
// Number of UTF-16 code units the UTF-8 text needs (invalid sequences count as U+FFFD).
std::size_t Utf16Length(std::string_view utf8);
// The longest prefix of the UTF-8 text that fits in maxUnits UTF-16 code units, never splitting a
// character.
std::string_view Utf16Prefix(std::string_view utf8, std::size_t maxUnits);
// Single-byte text in Windows code page 1252 to UTF-8.
std::string Cp1252ToUtf8(ByteView bytes);

}  // namespace catalog_server::tds
