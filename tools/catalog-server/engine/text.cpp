#include "text.h"

#include <locale.h>
#include <wctype.h>

#include <vector>

#include "platform/core/unicode.h"

namespace catalog_server {
namespace {

// A UTF-8 C locale, created once, so case mapping does not depend on the process locale.
locale_t Utf8Locale() {
    static const locale_t loc = [] {
        locale_t l = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
        return l ? l : newlocale(LC_CTYPE_MASK, "C", static_cast<locale_t>(nullptr));
    }();
    return loc;
}

char32_t Lower(char32_t cp) {
    if (cp < 0x80) {
        return (cp >= 'A' && cp <= 'Z') ? cp + 32 : cp;
    }
    return static_cast<char32_t>(towlower_l(static_cast<wint_t>(cp), Utf8Locale()));
}

char32_t Upper(char32_t cp) {
    if (cp < 0x80) {
        return (cp >= 'a' && cp <= 'z') ? cp - 32 : cp;
    }
    return static_cast<char32_t>(towupper_l(static_cast<wint_t>(cp), Utf8Locale()));
}

std::u32string Decode(std::string_view s) {
    std::u32string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size();) {
        out += quillon::NextUtf8(s, i);
    }
    return out;
}

bool LikeAt(const std::u32string& p, std::size_t pi, const std::u32string& t, std::size_t ti,
            char32_t escape) {
    while (pi < p.size()) {
        const char32_t c = p[pi];
        if (escape != 0 && c == escape && pi + 1 < p.size()) {
            if (ti >= t.size() || Lower(t[ti]) != Lower(p[pi + 1])) {
                return false;
            }
            pi += 2;
            ++ti;
        } else if (c == U'%') {
            while (pi < p.size() && p[pi] == U'%') {
                ++pi;
            }
            if (pi == p.size()) {
                return true;
            }
            for (std::size_t k = ti; k <= t.size(); ++k) {
                if (LikeAt(p, pi, t, k, escape)) {
                    return true;
                }
            }
            return false;
        } else if (c == U'_') {
            if (ti >= t.size()) {
                return false;
            }
            ++pi;
            ++ti;
        } else if (c == U'[') {
            std::size_t close = pi + 1;
            if (close < p.size() && p[close] == U'^') {
                ++close;
            }
            if (close < p.size() && p[close] == U']') {
                ++close;  // a ] right after [ or [^ is data
            }
            while (close < p.size() && p[close] != U']') {
                ++close;
            }
            if (close >= p.size()) {
                // No closing bracket: SQL Server then matches nothing.
                return false;
            }
            if (ti >= t.size()) {
                return false;
            }
            std::size_t k = pi + 1;
            bool negate = false;
            if (p[k] == U'^') {
                negate = true;
                ++k;
            }
            const char32_t ch = Lower(t[ti]);
            bool found = false;
            for (; k < close; ++k) {
                if (k + 2 < close && p[k + 1] == U'-') {
                    if (ch >= Lower(p[k]) && ch <= Lower(p[k + 2])) {
                        found = true;
                    }
                    k += 2;
                } else if (Lower(p[k]) == ch) {
                    found = true;
                }
            }
            if (found == negate) {
                return false;
            }
            pi = close + 1;
            ++ti;
        } else {
            if (ti >= t.size() || Lower(t[ti]) != Lower(c)) {
                return false;
            }
            ++pi;
            ++ti;
        }
    }
    return ti == t.size();
}

}  // namespace

std::string FoldName(std::string_view utf8) {
    utf8 = TrimTrailingBlanks(utf8);
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        quillon::AppendUtf8(out, Lower(quillon::NextUtf8(utf8, i)));
    }
    return out;
}

int CompareNoCase(std::string_view a, std::string_view b) {
    a = TrimTrailingBlanks(a);
    b = TrimTrailingBlanks(b);
    std::size_t i = 0;
    std::size_t j = 0;
    // ASCII prefix without decoding: most names never leave it.
    while (i < a.size() && j < b.size()) {
        const auto x = static_cast<unsigned char>(a[i]);
        const auto y = static_cast<unsigned char>(b[j]);
        if (x >= 0x80 || y >= 0x80) {
            break;
        }
        const unsigned char lx = (x >= 'A' && x <= 'Z') ? x + 32 : x;
        const unsigned char ly = (y >= 'A' && y <= 'Z') ? y + 32 : y;
        if (lx != ly) {
            return lx < ly ? -1 : 1;
        }
        ++i;
        ++j;
    }
    while (i < a.size() && j < b.size()) {
        const char32_t x = Lower(quillon::NextUtf8(a, i));
        const char32_t y = Lower(quillon::NextUtf8(b, j));
        if (x != y) {
            return x < y ? -1 : 1;
        }
    }
    if (i < a.size()) {
        return 1;
    }
    if (j < b.size()) {
        return -1;
    }
    return 0;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    return CompareNoCase(a, b) == 0;
}

bool LikeMatch(std::string_view pattern, std::string_view text, char32_t escape) {
    return LikeAt(Decode(pattern), 0, Decode(text), 0, escape);
}

std::size_t CodePointCount(std::string_view utf8) {
    std::size_t n = 0;
    for (const char c : utf8) {
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) {
            ++n;
        }
    }
    return n;
}

std::string UpperText(std::string_view utf8) {
    std::string out;
    for (std::size_t i = 0; i < utf8.size();) {
        quillon::AppendUtf8(out, Upper(quillon::NextUtf8(utf8, i)));
    }
    return out;
}

std::string LowerText(std::string_view utf8) {
    std::string out;
    for (std::size_t i = 0; i < utf8.size();) {
        quillon::AppendUtf8(out, Lower(quillon::NextUtf8(utf8, i)));
    }
    return out;
}

}  // namespace catalog_server
