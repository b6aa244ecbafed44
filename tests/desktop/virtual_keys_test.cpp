#include "desktop/virtual_keys.h"

#include <gtest/gtest.h>

#include <Qt>
#include <set>

namespace quillon::desktop {
namespace {

TEST(VirtualKeys, StoredCodesMapToQtKeysKeysymsAndNames) {
    struct Case {
        int code;
        int qtKey;
        std::uint32_t keysym;
        const char* name;
    };
    const Case cases[] = {
        {32, Qt::Key_Space, 0x20, "Space"},
        {90, Qt::Key_Z, 0x7a, "Z"},
        {0x41, Qt::Key_A, 0x61, "A"},
        {0x35, Qt::Key_5, 0x35, "5"},
        {116, Qt::Key_F5, 0xffc2, "F5"},
        {0x87, Qt::Key_F24, 0xffd5, "F24"},
        {13, Qt::Key_Return, 0xff0d, "Enter"},
        {9, Qt::Key_Tab, 0xff09, "Tab"},
        {27, Qt::Key_Escape, 0xff1b, "Esc"},
        {0x25, Qt::Key_Left, 0xff51, "Left"},
        {0x22, Qt::Key_PageDown, 0xff56, "Page Down"},
        {0x2E, Qt::Key_Delete, 0xffff, "Delete"},
        {0x60, Qt::Key_0, 0xffb0, "Num 0"},
        {0x6B, Qt::Key_Plus, 0xffab, "Num +"},
        {0xBA, Qt::Key_Semicolon, 0x3b, ";"},
        {0xDE, Qt::Key_Apostrophe, 0x27, "'"},
        {0x5B, Qt::Key_Super_L, 0xffeb, "Win"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(QtKeyFromVirtualKey(c.code), c.qtKey) << c.name;
        EXPECT_EQ(KeysymFromVirtualKey(c.code), c.keysym) << c.name;
        EXPECT_EQ(VirtualKeyName(c.code), c.name);
    }
    EXPECT_EQ(VirtualKeyName(0), "");
    EXPECT_EQ(VirtualKeyName(0xFF), "");
    EXPECT_FALSE(KeysymFromVirtualKey(0).has_value());
}

TEST(VirtualKeys, WhatQtAndXReportMapsBackToTheStoredCode) {
    struct Case {
        int qtKey;
        bool keypad;
        int code;
    };
    const Case qtCases[] = {
        {Qt::Key_Exclam, false, '1'},    // Shift+1
        {Qt::Key_Asterisk, false, '8'},  // Shift+8
        {Qt::Key_Asterisk, true, 0x6A},  // keypad *
        {Qt::Key_Plus, false, 0xBB},     // Shift+=
        {Qt::Key_Plus, true, 0x6B},      // keypad +
        {Qt::Key_Minus, true, 0x6D},    {Qt::Key_7, true, 0x67},
        {Qt::Key_7, false, '7'},        {Qt::Key_Home, true, 0x24},  // keypad 7 without Num Lock
        {Qt::Key_Enter, true, 13},      {Qt::Key_Backtab, false, 9},
        {Qt::Key_Meta, false, 0x5B},    {Qt::Key_Colon, false, 0xBA},
    };
    for (const Case& c : qtCases) {
        EXPECT_EQ(VirtualKeyFromQtKey(c.qtKey, c.keypad), c.code) << std::hex << c.qtKey;
    }
    EXPECT_FALSE(VirtualKeyFromQtKey(Qt::Key_VolumeUp).has_value());
    EXPECT_FALSE(VirtualKeyFromQtKey(0).has_value());

    const std::pair<std::uint32_t, int> keysymCases[] = {
        {0x5a, 90},      // Z
        {0x7a, 90},      // z
        {0xff9e, 0x2D},  // KP_Insert
        {0xffe4, 0x11},  // Control_R
        {0xff8d, 13},    // KP_Enter
        {0xffac, 0x6C},  // KP_Separator
    };
    for (const auto& [keysym, code] : keysymCases) {
        EXPECT_EQ(VirtualKeyFromKeysym(keysym), code) << std::hex << keysym;
    }
    EXPECT_FALSE(VirtualKeyFromKeysym(0x1008ff13).has_value());  // XF86AudioRaiseVolume
}

TEST(VirtualKeys, EveryCodeSurvivesTheWayThroughQtAndX) {
    std::set<int> codes;
    for (const VirtualKey& row : VirtualKeyTable()) {
        codes.insert(row.virtualKey);
    }
    for (const int code : codes) {
        const VirtualKey& primary = RowsOfVirtualKey(code).front();
        EXPECT_FALSE(VirtualKeyName(code).empty()) << code;
        if (const auto qt = QtKeyFromVirtualKey(code)) {
            EXPECT_EQ(VirtualKeyFromQtKey(*qt, primary.keypad), code) << code;
        }
        if (const auto keysym = KeysymFromVirtualKey(code)) {
            EXPECT_EQ(VirtualKeyFromKeysym(*keysym), code) << code;
        }
    }
    EXPECT_GE(codes.size(), 26u + 10u + 24u + 16u + 11u);
}

TEST(VirtualKeys, ModifierKeys) {
    for (const int code : {0x10, 0x11, 0x12, 0x5B, 0x5C}) {
        EXPECT_TRUE(IsModifierVirtualKey(code)) << code;
    }
    for (const int code : {0x14, 0x20, 0x5D, 0x90}) {
        EXPECT_FALSE(IsModifierVirtualKey(code)) << code;
    }
}

}  // namespace
}  // namespace quillon::desktop
