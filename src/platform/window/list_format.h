#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillon::window {

// One column of a list's format text, for example 93L(2)|_M@s255@: width 93 dialog units,
// left-aligned with an indent of 2, right border, underline, resizable, picture s255.
struct ColumnFormat {
    int width = 0;             // dialog units
    char alignment = 'L';      // L left, R right, C centre, D decimal (right)
    int indent = 0;            // dialog units, from the parentheses after the alignment
    bool rightBorder = false;  // |
    bool underline = false;    // _
    bool resizable = false;    // M
    bool icon = false;         // I: the row's icon before the text
    bool tree = false;         // T: drawn as a tree
    std::string header;        // between ~ and ~, empty when none
    std::string picture;       // between @ and @, e.g. s255
};

// A list's format text, parsed. Everything but the widths is kept as written, so that the
// text read back after the user dragged a column differs only in its widths.
class ListFormat {
public:
    // Nothing for a text that is not a format text (no column, or a column without width,
    // alignment or picture, or an unclosed bracket).
    static std::optional<ListFormat> Parse(std::string_view text);

    const std::vector<ColumnFormat>& columns() const { return columns_; }
    const std::string& text() const { return text_; }

    // The same text with new widths (dialog units); columns beyond `widths` keep theirs.
    std::string WithWidths(const std::vector<int>& widths) const;

private:
    struct Span {
        std::size_t offset;
        std::size_t length;
    };
    std::string text_;
    std::vector<ColumnFormat> columns_;
    std::vector<Span> widthSpans_;
};

}  // namespace quillon::window
