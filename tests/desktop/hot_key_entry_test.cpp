#include "desktop/hot_key_entry.h"

#include <gtest/gtest.h>

#include <QLineEdit>

#include "../platform_window/qt_test_util.h"

namespace quillon::desktop {
namespace {

using testing::PressKey;
using testing::ReleaseKey;

struct Recorded {
    std::string text;
    int ctrl, alt, shift, win, code;
    friend bool operator==(const Recorded&, const Recorded&) = default;
};

Recorded Of(const HotKeyEntry& entry, const std::string& variable) {
    return {variable, entry.FLAGCTRL, entry.FLAGALT, entry.FLAGSHIFT, entry.FLAGWIN, entry.VK_CODE};
}

class HotKeyEntryTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(recorder.Init(&edit, &variable)); }

    QLineEdit edit;
    std::string variable = "Win+Space";
    HotKeyEntry recorder;
};

TEST_F(HotKeyEntryTest, KeyDownsAreDescribedInTheFixedPrefixOrder) {
    struct Case {
        int key;
        Qt::KeyboardModifiers modifiers;
        Recorded expected;
    };
    const Case cases[] = {
        {Qt::Key_F5, Qt::ControlModifier | Qt::ShiftModifier, {"Ctrl+Shift+F5", 1, 0, 1, 0, 116}},
        {Qt::Key_K, Qt::ControlModifier | Qt::AltModifier, {"Ctrl+Alt+K", 1, 1, 0, 0, 'K'}},
        {Qt::Key_Space, Qt::MetaModifier, {"Win+Space", 0, 0, 0, 1, 32}},
        {Qt::Key_Z, Qt::MetaModifier, {"Win+Z", 0, 0, 0, 1, 90}},
        {Qt::Key_X,
         Qt::ControlModifier | Qt::ShiftModifier | Qt::MetaModifier | Qt::AltModifier,
         {"Ctrl+Shift+Win+Alt+X", 1, 1, 1, 1, 'X'}},
        {Qt::Key_Exclam,
         Qt::ShiftModifier | Qt::ControlModifier,
         {"Ctrl+Shift+1", 1, 0, 1, 0, '1'}},
        {Qt::Key_Plus, Qt::KeypadModifier | Qt::ControlModifier, {"Ctrl+Num +", 1, 0, 0, 0, 0x6B}},
        {Qt::Key_F12, Qt::NoModifier, {"F12", 0, 0, 0, 0, 123}},
        // A modifier alone: the text ends in "+" and there is no main key.
        {Qt::Key_Control, Qt::NoModifier, {"Ctrl+", 1, 0, 0, 0, 0}},
        {Qt::Key_Shift, Qt::ControlModifier, {"Ctrl+Shift+", 1, 0, 1, 0, 0}},
        {Qt::Key_Super_L, Qt::NoModifier, {"Win+", 0, 0, 0, 1, 0}},
    };
    for (const Case& c : cases) {
        PressKey(&edit, c.key, c.modifiers);
        EXPECT_EQ(Of(recorder, variable), c.expected) << c.expected.text;
        EXPECT_EQ(edit.text().toStdString(), c.expected.text);
        EXPECT_EQ(recorder.HOTKEYSTRING, c.expected.text);
    }
}

TEST_F(HotKeyEntryTest, KeysThatAreNotRecorded) {
    PressKey(&edit, Qt::Key_F5, Qt::ControlModifier);
    const Recorded before = Of(recorder, variable);
    ASSERT_EQ(before.text, "Ctrl+F5");

    PressKey(&edit, Qt::Key_K, Qt::AltModifier);         // a system key down
    PressKey(&edit, Qt::Key_Alt);                        // so is Alt alone
    PressKey(&edit, Qt::Key_F10, Qt::ControlModifier);   // and F10
    PressKey(&edit, Qt::Key_VolumeUp);                   // a key without a name
    ReleaseKey(&edit, Qt::Key_F5, Qt::ControlModifier);  // releasing changes nothing
    ReleaseKey(&edit, Qt::Key_Control, Qt::ControlModifier);

    EXPECT_EQ(Of(recorder, variable), before);
}

TEST_F(HotKeyEntryTest, AutoRepeatRewritesTheSameTextAndTypingNeverReachesTheEntry) {
    PressKey(&edit, Qt::Key_A, Qt::NoModifier, "a");
    PressKey(&edit, Qt::Key_A, Qt::NoModifier, "a", true);
    EXPECT_EQ(variable, "A");
    EXPECT_EQ(edit.text(), "A");
    EXPECT_TRUE(edit.isReadOnly());
}

TEST_F(HotKeyEntryTest, KillStopsRecordingAndReleasesTheVariable) {
    recorder.Kill();
    PressKey(&edit, Qt::Key_Q, Qt::ControlModifier);
    EXPECT_EQ(variable, "Win+Space");
    EXPECT_FALSE(recorder.IsAttached());
}

TEST(HotKeyEntryUnbound, WithoutAVariableTheObjectStillRecords) {
    QLineEdit edit;
    HotKeyEntry recorder;
    ASSERT_TRUE(recorder.Init(&edit, nullptr));
    PressKey(&edit, Qt::Key_B, Qt::ControlModifier);
    EXPECT_EQ(recorder.HOTKEYSTRING, "Ctrl+B");
    EXPECT_EQ(recorder.VK_CODE, 'B');
}

}  // namespace
}  // namespace quillon::desktop
