#include "platform/window/list_format.h"

#include <cctype>
#include <charconv>

namespace quillon::window {
namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// The text between `open` at `i` and the next `close`; moves `i` past the closing character.
std::optional<std::string> Enclosed(std::string_view text, std::size_t& i, char close) {
    const std::size_t end = text.find(close, i + 1);
    if (end == std::string_view::npos) {
        return std::nullopt;
    }
    std::string inside(text.substr(i + 1, end - i - 1));
    i = end + 1;
    return inside;
}

std::optional<int> Number(std::string_view digits) {
    int value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (error != std::errc() || end != digits.data() + digits.size()) {
        return std::nullopt;
    }
    return value;
}

}  // namespace

std::optional<ListFormat> ListFormat::Parse(std::string_view text) {
    ListFormat format;
    format.text_ = std::string(text);
    std::size_t i = 0;
    int groupDepth = 0;
    bool afterGroup = false;
    while (i < text.size()) {
        // Between columns stand group brackets, and after a group its own modifiers and header.
        if (text[i] == '[' || text[i] == ']') {
            groupDepth += text[i] == '[' ? 1 : -1;
            if (groupDepth < 0) {
                return std::nullopt;
            }
            afterGroup = text[i] == ']';
            ++i;
            continue;
        }
        if (afterGroup && !IsDigit(text[i])) {
            if (text[i] != '~') {
                ++i;
            } else if (!Enclosed(text, i, '~')) {
                return std::nullopt;
            }
            continue;
        }
        afterGroup = false;
        if (!IsDigit(text[i])) {
            return std::nullopt;
        }
        ColumnFormat column;
        const std::size_t widthStart = i;
        while (i < text.size() && IsDigit(text[i])) {
            ++i;
        }
        const std::size_t widthEnd = i;
        const auto width = Number(text.substr(widthStart, widthEnd - widthStart));
        if (!width || i >= text.size()) {
            return std::nullopt;
        }
        const char alignment = static_cast<char>(std::toupper(static_cast<unsigned char>(text[i])));
        if (alignment != 'L' && alignment != 'R' && alignment != 'C' && alignment != 'D') {
            return std::nullopt;
        }
        column.width = *width;
        column.alignment = alignment;
        ++i;
        if (i < text.size() && text[i] == '(') {
            const auto inside = Enclosed(text, i, ')');
            const auto indent = inside ? Number(*inside) : std::nullopt;
            if (!indent) {
                return std::nullopt;
            }
            column.indent = *indent;
        }
        // Modifiers up to and including the picture, which ends the column.
        bool pictured = false;
        while (i < text.size() && !pictured) {
            const char c = text[i];
            if (c == '~') {
                const auto header = Enclosed(text, i, '~');
                if (!header) {
                    return std::nullopt;
                }
                column.header = *header;
            } else if (c == '@') {
                const auto picture = Enclosed(text, i, '@');
                if (!picture) {
                    return std::nullopt;
                }
                column.picture = *picture;
                pictured = true;
            } else if (c == '#' || c == '(') {
                // A field number (#3#) or a modifier's argument: kept, not interpreted.
                if (!Enclosed(text, i, c == '#' ? '#' : ')')) {
                    return std::nullopt;
                }
            } else {
                switch (static_cast<char>(std::toupper(static_cast<unsigned char>(c)))) {
                    case '|':
                        column.rightBorder = true;
                        break;
                    case '_':
                        column.underline = true;
                        break;
                    case 'M':
                        column.resizable = true;
                        break;
                    case 'I':
                        column.icon = true;
                        break;
                    case 'T':
                        column.tree = true;
                        break;
                    default:
                        break;
                }
                ++i;
            }
        }
        if (!pictured) {
            return std::nullopt;
        }
        // A field number right after the picture still belongs to this column.
        if (i < text.size() && text[i] == '#' && !Enclosed(text, i, '#')) {
            return std::nullopt;
        }
        format.columns_.push_back(std::move(column));
        format.widthSpans_.push_back({widthStart, widthEnd - widthStart});
    }
    if (format.columns_.empty() || groupDepth != 0) {
        return std::nullopt;
    }
    return format;
}

std::string ListFormat::WithWidths(const std::vector<int>& widths) const {
    std::string out;
    std::size_t copied = 0;
    for (std::size_t c = 0; c < widthSpans_.size(); ++c) {
        const Span span = widthSpans_[c];
        out.append(text_, copied, span.offset - copied);
        if (c < widths.size()) {
            out += std::to_string(widths[c] < 0 ? 0 : widths[c]);
        } else {
            out.append(text_, span.offset, span.length);
        }
        copied = span.offset + span.length;
    }
    out.append(text_, copied, std::string::npos);
    return out;
}

}  // namespace quillon::window
