#include "desktop/virtual_keys.h"

#include <QtCore/qnamespace.h>

#include <algorithm>
#include <array>
#include <vector>

namespace quillon::desktop {
namespace {

// X keysyms (X11/keysymdef.h) used below; no X connection is needed to name them.
namespace xk {
constexpr std::uint32_t kBackSpace = 0xff08, kTab = 0xff09, kClear = 0xff0b, kReturn = 0xff0d,
                        kPause = 0xff13, kScrollLock = 0xff14, kEscape = 0xff1b, kHome = 0xff50,
                        kLeft = 0xff51, kUp = 0xff52, kRight = 0xff53, kDown = 0xff54,
                        kPrior = 0xff55, kNext = 0xff56, kEnd = 0xff57, kPrint = 0xff61,
                        kInsert = 0xff63, kMenu = 0xff67, kNumLock = 0xff7f, kKpEnter = 0xff8d,
                        kKpHome = 0xff95, kKpLeft = 0xff96, kKpUp = 0xff97, kKpRight = 0xff98,
                        kKpDown = 0xff99, kKpPrior = 0xff9a, kKpNext = 0xff9b, kKpEnd = 0xff9c,
                        kKpBegin = 0xff9d, kKpInsert = 0xff9e, kKpDelete = 0xff9f,
                        kKpMultiply = 0xffaa, kKpAdd = 0xffab, kKpSeparator = 0xffac,
                        kKpSubtract = 0xffad, kKpDecimal = 0xffae, kKpDivide = 0xffaf,
                        kKp0 = 0xffb0, kF1 = 0xffbe, kShiftL = 0xffe1, kShiftR = 0xffe2,
                        kControlL = 0xffe3, kControlR = 0xffe4, kCapsLock = 0xffe5, kAltL = 0xffe9,
                        kAltR = 0xffea, kSuperL = 0xffeb, kSuperR = 0xffec, kDelete = 0xffff,
                        kIsoLeftTab = 0xfe20;
}  // namespace xk

std::vector<VirtualKey> BuildTable() {
    std::vector<VirtualKey> t;
    auto add = [&t](int code, int qt, bool keypad, std::uint32_t keysym, const char* name) {
        t.push_back({code, qt, keypad, keysym, name});
    };
    static const std::array<const char*, 26> kLetters = {
        "A", "B", "C", "D", "E", "F", "G", "H", "I", "J", "K", "L", "M",
        "N", "O", "P", "Q", "R", "S", "T", "U", "V", "W", "X", "Y", "Z"};
    static const std::array<const char*, 10> kDigits = {"0", "1", "2", "3", "4",
                                                        "5", "6", "7", "8", "9"};
    // The characters that Shift makes of the digit keys of a US keyboard, '0' to '9'.
    static const std::array<int, 10> kShiftedDigits = {')', '!', '@', '#', '$',
                                                       '%', '^', '&', '*', '('};
    static const std::array<const char*, 10> kKeypadNames = {
        "Num 0", "Num 1", "Num 2", "Num 3", "Num 4", "Num 5", "Num 6", "Num 7", "Num 8", "Num 9"};
    static const std::array<const char*, 24> kFunctionNames = {
        "F1",  "F2",  "F3",  "F4",  "F5",  "F6",  "F7",  "F8",  "F9",  "F10", "F11", "F12",
        "F13", "F14", "F15", "F16", "F17", "F18", "F19", "F20", "F21", "F22", "F23", "F24"};

    add(vk::kBack, Qt::Key_Backspace, false, xk::kBackSpace, "Backspace");
    add(vk::kTab, Qt::Key_Tab, false, xk::kTab, "Tab");
    add(vk::kTab, Qt::Key_Backtab, false, xk::kIsoLeftTab, "Tab");
    add(vk::kClear, Qt::Key_Clear, false, xk::kClear, "Clear");
    add(vk::kClear, Qt::Key_Clear, true, xk::kKpBegin, "Clear");
    add(vk::kReturn, Qt::Key_Return, false, xk::kReturn, "Enter");
    add(vk::kReturn, Qt::Key_Enter, true, xk::kKpEnter, "Enter");
    add(vk::kShift, Qt::Key_Shift, false, xk::kShiftL, "Shift");
    add(vk::kShift, 0, false, xk::kShiftR, "Shift");
    add(vk::kControl, Qt::Key_Control, false, xk::kControlL, "Ctrl");
    add(vk::kControl, 0, false, xk::kControlR, "Ctrl");
    add(vk::kMenu, Qt::Key_Alt, false, xk::kAltL, "Alt");
    add(vk::kMenu, 0, false, xk::kAltR, "Alt");
    add(vk::kPause, Qt::Key_Pause, false, xk::kPause, "Pause");
    add(vk::kCapital, Qt::Key_CapsLock, false, xk::kCapsLock, "Caps Lock");
    add(vk::kEscape, Qt::Key_Escape, false, xk::kEscape, "Esc");
    add(vk::kSpace, Qt::Key_Space, false, ' ', "Space");
    // Without Num Lock the keypad sends the navigation keys; they count as those keys.
    add(vk::kPrior, Qt::Key_PageUp, false, xk::kPrior, "Page Up");
    add(vk::kPrior, 0, false, xk::kKpPrior, "Page Up");
    add(vk::kNext, Qt::Key_PageDown, false, xk::kNext, "Page Down");
    add(vk::kNext, 0, false, xk::kKpNext, "Page Down");
    add(vk::kEnd, Qt::Key_End, false, xk::kEnd, "End");
    add(vk::kEnd, 0, false, xk::kKpEnd, "End");
    add(vk::kHome, Qt::Key_Home, false, xk::kHome, "Home");
    add(vk::kHome, 0, false, xk::kKpHome, "Home");
    add(vk::kLeft, Qt::Key_Left, false, xk::kLeft, "Left");
    add(vk::kLeft, 0, false, xk::kKpLeft, "Left");
    add(vk::kUp, Qt::Key_Up, false, xk::kUp, "Up");
    add(vk::kUp, 0, false, xk::kKpUp, "Up");
    add(vk::kRight, Qt::Key_Right, false, xk::kRight, "Right");
    add(vk::kRight, 0, false, xk::kKpRight, "Right");
    add(vk::kDown, Qt::Key_Down, false, xk::kDown, "Down");
    add(vk::kDown, 0, false, xk::kKpDown, "Down");
    add(vk::kSnapshot, Qt::Key_Print, false, xk::kPrint, "Print Screen");
    add(vk::kInsert, Qt::Key_Insert, false, xk::kInsert, "Insert");
    add(vk::kInsert, 0, false, xk::kKpInsert, "Insert");
    add(vk::kDelete, Qt::Key_Delete, false, xk::kDelete, "Delete");
    add(vk::kDelete, 0, false, xk::kKpDelete, "Delete");
    for (int i = 0; i < 10; ++i) {
        add(vk::k0 + i, Qt::Key_0 + i, false, static_cast<std::uint32_t>('0' + i), kDigits[i]);
        add(vk::k0 + i, kShiftedDigits[i], false, static_cast<std::uint32_t>(kShiftedDigits[i]),
            kDigits[i]);
    }
    for (int i = 0; i < 26; ++i) {
        add(vk::kA + i, Qt::Key_A + i, false, static_cast<std::uint32_t>('a' + i), kLetters[i]);
        add(vk::kA + i, 0, false, static_cast<std::uint32_t>('A' + i), kLetters[i]);
    }
    add(vk::kLWin, Qt::Key_Super_L, false, xk::kSuperL, "Win");
    add(vk::kLWin, Qt::Key_Meta, false, 0, "Win");
    add(vk::kRWin, Qt::Key_Super_R, false, xk::kSuperR, "Win");
    add(vk::kApps, Qt::Key_Menu, false, xk::kMenu, "Menu");
    for (int i = 0; i < 10; ++i) {
        add(vk::kNumpad0 + i, Qt::Key_0 + i, true, xk::kKp0 + static_cast<std::uint32_t>(i),
            kKeypadNames[i]);
    }
    add(vk::kMultiply, Qt::Key_Asterisk, true, xk::kKpMultiply, "Num *");
    add(vk::kAdd, Qt::Key_Plus, true, xk::kKpAdd, "Num +");
    add(vk::kSeparator, Qt::Key_Comma, true, xk::kKpSeparator, "Num ,");
    add(vk::kSubtract, Qt::Key_Minus, true, xk::kKpSubtract, "Num -");
    add(vk::kDecimal, Qt::Key_Period, true, xk::kKpDecimal, "Num .");
    add(vk::kDivide, Qt::Key_Slash, true, xk::kKpDivide, "Num /");
    for (int i = 0; i < 24; ++i) {
        add(vk::kF1 + i, Qt::Key_F1 + i, false, xk::kF1 + static_cast<std::uint32_t>(i),
            kFunctionNames[i]);
    }
    add(vk::kNumLock, Qt::Key_NumLock, false, xk::kNumLock, "Num Lock");
    add(vk::kScroll, Qt::Key_ScrollLock, false, xk::kScrollLock, "Scroll Lock");
    // Punctuation of a US keyboard, the unshifted character first.
    struct Punctuation {
        int code;
        char plain;
        char shifted;
        const char* name;
    };
    static const std::array<Punctuation, 11> kPunctuation = {{
        {vk::kOem1, ';', ':', ";"},
        {vk::kOemPlus, '=', '+', "="},
        {vk::kOemComma, ',', '<', ","},
        {vk::kOemMinus, '-', '_', "-"},
        {vk::kOemPeriod, '.', '>', "."},
        {vk::kOem2, '/', '?', "/"},
        {vk::kOem3, '`', '~', "`"},
        {vk::kOem4, '[', '{', "["},
        {vk::kOem5, '\\', '|', "\\"},
        {vk::kOem6, ']', '}', "]"},
        {vk::kOem7, '\'', '"', "'"},
    }};
    for (const Punctuation& p : kPunctuation) {
        // Printable Latin-1 keys have the same number as Qt key and as keysym.
        add(p.code, p.plain, false, static_cast<std::uint32_t>(p.plain), p.name);
        add(p.code, p.shifted, false, static_cast<std::uint32_t>(p.shifted), p.name);
    }
    // Rows of one code must be neighbours (RowsOfVirtualKey); keep the insertion order within.
    std::stable_sort(t.begin(), t.end(), [](const VirtualKey& a, const VirtualKey& b) {
        return a.virtualKey < b.virtualKey;
    });
    return t;
}

const std::vector<VirtualKey>& Table() {
    static const std::vector<VirtualKey> table = BuildTable();
    return table;
}

const VirtualKey* Primary(int virtualKey) {
    const auto rows = RowsOfVirtualKey(virtualKey);
    return rows.empty() ? nullptr : &rows.front();
}

}  // namespace

std::span<const VirtualKey> VirtualKeyTable() {
    return Table();
}

std::optional<int> VirtualKeyFromQtKey(int qtKey, bool keypad) {
    if (qtKey == 0) {
        return std::nullopt;
    }
    // A Qt key of a keypad key may have its own code (Num +); otherwise it is the plain key.
    for (const VirtualKey& row : Table()) {
        if (row.qtKey == qtKey && row.keypad == keypad) {
            return row.virtualKey;
        }
    }
    for (const VirtualKey& row : Table()) {
        if (row.qtKey == qtKey) {
            return row.virtualKey;
        }
    }
    return std::nullopt;
}

std::optional<int> VirtualKeyFromKeysym(std::uint32_t keysym) {
    if (keysym == 0) {
        return std::nullopt;
    }
    for (const VirtualKey& row : Table()) {
        if (row.keysym == keysym) {
            return row.virtualKey;
        }
    }
    return std::nullopt;
}

std::optional<int> QtKeyFromVirtualKey(int virtualKey) {
    for (const VirtualKey& row : RowsOfVirtualKey(virtualKey)) {
        if (row.qtKey != 0) {
            return row.qtKey;
        }
    }
    return std::nullopt;
}

std::optional<std::uint32_t> KeysymFromVirtualKey(int virtualKey) {
    for (const VirtualKey& row : RowsOfVirtualKey(virtualKey)) {
        if (row.keysym != 0) {
            return row.keysym;
        }
    }
    return std::nullopt;
}

std::span<const VirtualKey> RowsOfVirtualKey(int virtualKey) {
    const std::vector<VirtualKey>& table = Table();
    const auto [first, last] = std::equal_range(
        table.begin(), table.end(), VirtualKey{virtualKey, 0, false, 0, ""},
        [](const VirtualKey& a, const VirtualKey& b) { return a.virtualKey < b.virtualKey; });
    return {first, last};
}

std::string VirtualKeyName(int virtualKey) {
    const VirtualKey* row = Primary(virtualKey);
    return row != nullptr ? std::string(row->name) : std::string();
}

bool IsModifierVirtualKey(int virtualKey) {
    return virtualKey == vk::kShift || virtualKey == vk::kControl || virtualKey == vk::kMenu ||
           virtualKey == vk::kLWin || virtualKey == vk::kRWin;
}

}  // namespace quillon::desktop
