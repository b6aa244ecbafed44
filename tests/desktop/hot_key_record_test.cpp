#include "desktop/hot_key_record.h"

#include <gtest/gtest.h>

namespace quillon::desktop {
namespace {

TEST(HotKeyRecord, DefaultsAndWhenARecordIsSet) {
    EXPECT_EQ(DefaultHotKey(), (HotKeyRecord{0, 0, 0, 1, 32, "Win+Space"}));
    EXPECT_EQ(DefaultRollHotKey(), (HotKeyRecord{0, 0, 0, 1, 90, "Win+Z"}));
    EXPECT_EQ(kRollHotKeyId, 102);

    HotKeyRecord record;
    EXPECT_FALSE(record.IsSet());
    record.HOTKEYNAME = "   ";
    EXPECT_FALSE(record.IsSet()) << "blanks only";
    record.HOTKEYNAME = "Ctrl+";
    EXPECT_TRUE(record.IsSet());
}

TEST(HotKeyRecord, RegistrationBitsOfTheFlags) {
    EXPECT_EQ(ModifierBits(DefaultHotKey()), 8u);
    EXPECT_EQ(ModifierBits(1, 1, 1, 1), 15u);
    EXPECT_EQ(ModifierBits(1, 0, 0, 0), 2u);
    EXPECT_EQ(ModifierBits(0, 1, 0, 0), 1u);
    EXPECT_EQ(ModifierBits(0, 0, 1, 0), 4u);
}

}  // namespace
}  // namespace quillon::desktop
