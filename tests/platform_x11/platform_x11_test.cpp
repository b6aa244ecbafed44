// The desktop services on a real X server (Xvfb with openbox, one per test) with peers we did
// not write: xdotool types on the keyboard, a Tk editor run by wish receives the paste.

#include <X11/keysym.h>
#include <gtest/gtest.h>
#include <xcb/xtest.h>
#include <QApplication>
#include <QClipboard>
#include <QTest>
#include <QWidget>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "desktop/global_hot_key.h"
#include "desktop/virtual_keys.h"
#include "platform/desktop/desktop_session.h"
#include "platform/x11/keyboard_map.h"
#include "platform/x11/xcb_connection.h"
#include "x11_test_support.h"

namespace quillon {
namespace {

using desktop::GlobalHotKey;
using platform::DesktopSession;
using platform::WindowId;
using platform::x11::KeyboardMap;
using platform::x11::XcbConnection;
using platform::x11::XcbPtr;
using testing::RunTool;
using testing::TkEditor;
using testing::WaitUntil;
using namespace std::chrono_literals;

class RecordingHotKey : public GlobalHotKey {
public:
    RecordingHotKey(platform::HotKeyGrabber& grabber, std::string name,
                    std::vector<std::string>& pressed)
        : GlobalHotKey(grabber), name_(std::move(name)), pressed_(pressed) {}
    void HotKeyPressed() override { pressed_.push_back(name_); }

private:
    std::string name_;
    std::vector<std::string>& pressed_;
};

// A second X client that grabs keys on the root window, as another program would.
class OtherClient {
public:
    // True when the server granted the grab.
    bool Grab(xcb_keycode_t keycode, std::uint16_t modifiers) {
        XcbPtr<xcb_generic_error_t> error(xcb_request_check(
            x_.get(), xcb_grab_key_checked(x_.get(), 0, x_.Root(), modifiers, keycode,
                                           XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC)));
        return !error;
    }
    void Ungrab(xcb_keycode_t keycode, std::uint16_t modifiers) {
        xcb_ungrab_key(x_.get(), keycode, x_.Root(), modifiers);
        x_.Sync();
    }

private:
    XcbConnection x_;
};

class X11Desktop : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(x_.Ok()) << "no X server";
        session_ = DesktopSession::Create(notices_);
        ASSERT_TRUE(session_->HasX11());
        EXPECT_TRUE(notices_.messages.empty());
        window_.setWindowTitle(QStringLiteral("quillon x11 test window"));
        window_.resize(320, 200);
        window_.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window_));
        ours_ = static_cast<WindowId>(window_.winId());
    }

    platform::DesktopServices& Services() { return session_->Services(); }
    WindowId Foreground() { return Services().ForegroundWindow(); }
    xcb_keycode_t KeycodeOf(xcb_keysym_t keysym) {
        KeyboardMap keyboard(x_);
        const std::vector<xcb_keycode_t> keycodes = keyboard.KeycodesFor(keysym);
        return keycodes.empty() ? 0 : keycodes.front();
    }
    // Whether our session holds the grab: another client is refused it.
    static bool HeldByUs(xcb_keycode_t keycode, std::uint16_t modifiers) {
        OtherClient other;
        if (!other.Grab(keycode, modifiers)) {
            return true;
        }
        other.Ungrab(keycode, modifiers);
        return false;
    }
    // Lets events that might still come in arrive before counting them.
    static void Settle() { QTest::qWait(300); }

    XcbConnection x_;
    RecordingMessageBox notices_;
    std::unique_ptr<DesktopSession> session_;
    QWidget window_;
    WindowId ours_ = 0;
};

TEST_F(X11Desktop, SuperSpaceInAnotherApplicationFiresOncePerPressInEveryLockState) {
    std::vector<std::string> pressed;
    RecordingHotKey hotKey(session_->HotKeys(), "HOTKEY", pressed);
    hotKey.Init(&window_);
    hotKey.FLAGWIN = 1;
    hotKey.VK_CODE = desktop::vk::kSpace;
    ASSERT_EQ(hotKey.Register(), 0);

    TkEditor editor(x_, QString(), QString());
    ASSERT_NE(editor.Window(), 0u);
    ASSERT_TRUE(WaitUntil([&] { return Foreground() == editor.Window(); }));

    const std::vector<QStringList> lockStates = {
        {}, {"Num_Lock"}, {"Caps_Lock"}, {"Num_Lock", "Caps_Lock"}};
    std::size_t presses = 0;
    for (const QStringList& locks : lockStates) {
        for (const QString& lock : locks) {
            ASSERT_TRUE(RunTool("xdotool", {"key", lock}));
        }
        ASSERT_TRUE(RunTool("xdotool", {"key", "super+space"}));
        ++presses;
        EXPECT_TRUE(WaitUntil([&] { return pressed.size() == presses; }))
            << "locks on: " << locks.join(' ').toStdString();
        for (const QString& lock : locks) {
            ASSERT_TRUE(RunTool("xdotool", {"key", lock}));
        }
    }
    Settle();
    EXPECT_EQ(pressed.size(), lockStates.size());
    // The grab takes the keys: the editor got no space, and it keeps the foreground.
    EXPECT_EQ(editor.Text(), QString());
    EXPECT_EQ(Foreground(), editor.Window());
}

TEST_F(X11Desktop, HeldHotKeyRepeatsAreReportedOnce) {
    std::vector<std::string> pressed;
    RecordingHotKey hotKey(session_->HotKeys(), "HOTKEY", pressed);
    hotKey.Init(&window_);
    hotKey.FLAGWIN = 1;
    hotKey.VK_CODE = desktop::vk::kSpace;
    ASSERT_EQ(hotKey.Register(), 0);

    // Held for a second, the server repeats the key some twenty times.
    ASSERT_TRUE(RunTool("xdotool", {"keydown", "super", "keydown", "space", "sleep", "1", "keyup",
                                    "space", "keyup", "super"}));
    ASSERT_TRUE(WaitUntil([&] { return !pressed.empty(); }));
    Settle();
    EXPECT_EQ(pressed.size(), 1u);

    // A new press after the release counts again.
    ASSERT_TRUE(RunTool("xdotool", {"key", "super+space"}));
    EXPECT_TRUE(WaitUntil([&] { return pressed.size() == 2; }));
}

TEST_F(X11Desktop, CombinationHeldByAnotherClientFailsWithoutKeepingAnyGrab) {
    KeyboardMap keyboard(x_);
    const platform::x11::ModifierMasks masks = keyboard.Masks();
    ASSERT_NE(masks.numLock, 0);
    const xcb_keycode_t k = KeycodeOf(XK_k);
    const std::uint16_t ctrlAlt = XCB_MOD_MASK_CONTROL | masks.alt;
    struct Case {
        const char* name;
        std::uint16_t heldLocks;  // the lock state in which the other client holds Ctrl+Alt+K
    };
    const Case cases[] = {
        {"plain", 0}, {"with NumLock", masks.numLock}, {"with CapsLock", XCB_MOD_MASK_LOCK}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        OtherClient other;
        ASSERT_TRUE(other.Grab(k, ctrlAlt | c.heldLocks));

        std::vector<std::string> pressed;
        RecordingHotKey hotKey(session_->HotKeys(), "HOTKEY", pressed);
        hotKey.Init(&window_);
        hotKey.FLAGCTRL = 1;
        hotKey.FLAGALT = 1;
        hotKey.VK_CODE = desktop::vk::kA + ('K' - 'A');
        EXPECT_EQ(hotKey.Register(), platform::kHotKeyAlreadyRegistered);

        // Nothing of the refused registration stays grabbed: a third client gets every state.
        OtherClient third;
        for (std::uint16_t locks :
             {std::uint16_t{0}, masks.numLock, std::uint16_t{XCB_MOD_MASK_LOCK}}) {
            if (locks != c.heldLocks) {
                EXPECT_TRUE(third.Grab(k, ctrlAlt | locks)) << "lock state " << locks;
                third.Ungrab(k, ctrlAlt | locks);
            }
        }

        // Once the other program lets go, the registration succeeds.
        other.Ungrab(k, ctrlAlt | c.heldLocks);
        EXPECT_EQ(hotKey.Register(), 0);
        hotKey.Unregister();
    }
}

TEST_F(X11Desktop, UnregisterReleasesTheKeysAndIsHarmlessWhenNothingIsRegistered) {
    std::vector<std::string> pressed;
    RecordingHotKey hotKey(session_->HotKeys(), "HOTKEY", pressed);
    hotKey.Init(&window_);
    hotKey.FLAGWIN = 1;
    hotKey.VK_CODE = desktop::vk::kSpace;
    hotKey.Unregister();
    ASSERT_EQ(hotKey.Register(), 0);

    KeyboardMap keyboard(x_);
    OtherClient other;
    const xcb_keycode_t space = KeycodeOf(XK_space);
    EXPECT_FALSE(other.Grab(space, keyboard.Masks().super));
    hotKey.Unregister();
    hotKey.Unregister();
    EXPECT_TRUE(other.Grab(space, keyboard.Masks().super));
}

TEST_F(X11Desktop, BothHotKeysOnOneCombinationRegisterOnceAndRunRollFirst) {
    std::vector<std::string> pressed;
    RecordingHotKey hotKey(session_->HotKeys(), "HOTKEY", pressed);
    RecordingHotKey roll(session_->HotKeys(), "ROLL", pressed);
    hotKey.Init(&window_);
    hotKey.FLAGWIN = 1;
    hotKey.VK_CODE = desktop::vk::kSpace;
    ASSERT_EQ(hotKey.Register(), 0);
    roll.Init(&window_);
    roll.HOTKEYID = hotKey.HOTKEYID + 1;
    roll.FLAGWIN = 1;
    roll.VK_CODE = desktop::vk::kSpace;
    EXPECT_EQ(roll.Register(), platform::kHotKeyAlreadyRegistered);

    ASSERT_TRUE(RunTool("xdotool", {"key", "super+space"}));
    ASSERT_TRUE(WaitUntil([&] { return pressed.size() == 2; }));
    EXPECT_EQ(pressed, (std::vector<std::string>{"ROLL", "HOTKEY"}));
}

TEST_F(X11Desktop, HotKeyFollowsItsKeyWhenTheLayoutChanges) {
    std::vector<std::string> pressed;
    RecordingHotKey roll(session_->HotKeys(), "ROLL", pressed);
    roll.Init(&window_);
    roll.FLAGWIN = 1;
    roll.VK_CODE = desktop::vk::kA + ('Z' - 'A');
    ASSERT_EQ(roll.Register(), 0);

    // The German layout swaps Y and Z.
    const xcb_keycode_t zBefore = KeycodeOf(XK_z);
    ASSERT_TRUE(RunTool("setxkbmap", {"de"}));
    ASSERT_TRUE(WaitUntil([&] { return KeycodeOf(XK_z) != zBefore; }));
    const std::uint16_t super = KeyboardMap(x_).Masks().super;
    ASSERT_TRUE(WaitUntil([&] { return HeldByUs(KeycodeOf(XK_z), super); }));
    ASSERT_TRUE(RunTool("xdotool", {"key", "super+y"}));
    ASSERT_TRUE(RunTool("xdotool", {"key", "super+z"}));
    EXPECT_TRUE(WaitUntil([&] { return pressed.size() == 1; }));
    Settle();
    EXPECT_EQ(pressed.size(), 1u);
    RunTool("setxkbmap", {"us"});
}

TEST_F(X11Desktop, NumLockIsFoundOnWhicheverModifierTheMapPutsIt) {
    std::vector<std::string> pressed;
    RecordingHotKey hotKey(session_->HotKeys(), "HOTKEY", pressed);
    hotKey.Init(&window_);
    hotKey.FLAGWIN = 1;
    hotKey.VK_CODE = desktop::vk::kSpace;
    ASSERT_EQ(hotKey.Register(), 0);

    // Move Num_Lock from its usual Mod2 to the free Mod3.
    xcb_connection_t* c = x_.get();
    XcbPtr<xcb_get_modifier_mapping_reply_t> mapping(
        xcb_get_modifier_mapping_reply(c, xcb_get_modifier_mapping(c), nullptr));
    ASSERT_TRUE(mapping);
    const int perModifier = mapping->keycodes_per_modifier;
    std::vector<xcb_keycode_t> keycodes(
        xcb_get_modifier_mapping_keycodes(mapping.get()),
        xcb_get_modifier_mapping_keycodes(mapping.get()) + 8 * perModifier);
    const xcb_keycode_t numLock = KeycodeOf(XK_Num_Lock);
    constexpr int kMod2 = 4;
    constexpr int kMod3 = 5;
    for (int i = 0; i < perModifier; ++i) {
        ASSERT_EQ(keycodes[kMod3 * perModifier + i], 0) << "Mod3 is not free";
        if (keycodes[kMod2 * perModifier + i] == numLock) {
            keycodes[kMod2 * perModifier + i] = 0;
        }
    }
    keycodes[kMod3 * perModifier] = numLock;
    XcbPtr<xcb_set_modifier_mapping_reply_t> set(xcb_set_modifier_mapping_reply(
        c, xcb_set_modifier_mapping(c, static_cast<std::uint8_t>(perModifier), keycodes.data()),
        nullptr));
    ASSERT_TRUE(set);
    ASSERT_EQ(set->status, XCB_MAPPING_STATUS_SUCCESS);
    const std::uint16_t super = KeyboardMap(x_).Masks().super;
    ASSERT_TRUE(WaitUntil([&] { return HeldByUs(KeycodeOf(XK_space), super | XCB_MOD_MASK_3); }));

    ASSERT_TRUE(RunTool("xdotool", {"key", "Num_Lock"}));
    ASSERT_TRUE(RunTool("xdotool", {"key", "super+space"}));
    EXPECT_TRUE(WaitUntil([&] { return pressed.size() == 1; }));
    ASSERT_TRUE(RunTool("xdotool", {"key", "Num_Lock"}));
}

TEST_F(X11Desktop, ForegroundFollowsTheUserAndIsHandedBackAndForth) {
    TkEditor editor(x_, QStringLiteral("SELECT 1"), QString());
    ASSERT_NE(editor.Window(), 0u);
    // The foreground is as current as the events handled so far.
    EXPECT_TRUE(WaitUntil([&] { return Foreground() == editor.Window(); }));
    EXPECT_TRUE(Services().BelongsTo(Services().FocusWindow(), editor.Window()));
    EXPECT_FALSE(Services().BelongsTo(editor.Window(), ours_));

    // Brought forward: our window is in front, the editor right below it.
    EXPECT_TRUE(Services().SetForegroundWindow(ours_));
    EXPECT_TRUE(WaitUntil([&] { return Foreground() == ours_; }));
    EXPECT_TRUE(WaitUntil([&] { return QApplication::activeWindow() == &window_; }));
    EXPECT_TRUE(WaitUntil([&] { return Services().NextWindowBelow(ours_) == editor.Window(); }));

    // Handed back: the editor has the foreground and the keyboard again.
    EXPECT_TRUE(Services().SetForegroundWindow(editor.Window()));
    EXPECT_TRUE(WaitUntil([&] { return Foreground() == editor.Window(); }));
    EXPECT_TRUE(Services().BelongsTo(Services().FocusWindow(), editor.Window()));
    EXPECT_TRUE(WaitUntil([&] { return QApplication::activeWindow() == nullptr; }));

    // A minimised window is restored by the window manager and comes forward as well.
    ASSERT_TRUE(RunTool("xdotool", {"windowminimize", QString::number(editor.Window())}));
    ASSERT_TRUE(WaitUntil([&] { return Foreground() != editor.Window(); }));
    EXPECT_TRUE(Services().SetForegroundWindow(editor.Window()));
    EXPECT_TRUE(WaitUntil([&] { return Foreground() == editor.Window(); }));

    EXPECT_FALSE(Services().SetForegroundWindow(0));
}

TEST_F(X11Desktop, HeldModifierKeysAreReadFromTheKeyboard) {
    struct Case {
        xcb_keysym_t key;
        bool platform::HeldModifiers::*flag;
    };
    const Case cases[] = {{XK_Control_L, &platform::HeldModifiers::ctrl},
                          {XK_Control_R, &platform::HeldModifiers::ctrl},
                          {XK_Shift_R, &platform::HeldModifiers::shift},
                          {XK_Alt_L, &platform::HeldModifiers::alt},
                          {XK_Super_L, &platform::HeldModifiers::leftWin},
                          {XK_Super_R, &platform::HeldModifiers::rightWin}};
    auto count = [](const platform::HeldModifiers& h) {
        return int{h.shift} + int{h.ctrl} + int{h.alt} + int{h.leftWin} + int{h.rightWin};
    };
    // Pressed through XTest key by key: xdotool adds Super_L to a press of Super_R.
    auto press = [this](xcb_keycode_t keycode, bool down) {
        xcb_test_fake_input(x_.get(), down ? XCB_KEY_PRESS : XCB_KEY_RELEASE, keycode,
                            XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
        x_.Sync();
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key);
        const xcb_keycode_t keycode = KeycodeOf(c.key);
        ASSERT_NE(keycode, 0);
        press(keycode, true);
        const platform::HeldModifiers held = Services().HeldModifierKeys();
        EXPECT_TRUE(held.*c.flag);
        EXPECT_EQ(count(held), 1);
        press(keycode, false);
        EXPECT_EQ(count(Services().HeldModifierKeys()), 0);
    }
}

struct PasteCase {
    const char* name;
    QStringList layout;  // setxkbmap arguments
    const char* text;
};

void PrintTo(const PasteCase& c, std::ostream* out) {
    *out << c.name;
}

class X11Paste : public X11Desktop, public ::testing::WithParamInterface<PasteCase> {};

TEST_P(X11Paste, TextArrivesAtTheEditorsCaret) {
    const PasteCase& c = GetParam();
    ASSERT_TRUE(RunTool("setxkbmap", c.layout));
    TkEditor editor(x_, QStringLiteral("SELECT  FROM t"), QStringLiteral("1.7"));
    ASSERT_NE(editor.Window(), 0u);
    ASSERT_TRUE(WaitUntil([&] { return Foreground() == editor.Window(); }));
    const int groupBefore = KeyboardMap(x_).Groups().active;

    // The user is in our window and chooses a name.
    ASSERT_TRUE(Services().SetForegroundWindow(ours_));
    ASSERT_TRUE(WaitUntil([&] { return Foreground() == ours_; }));
    platform::ClipboardPaster& paster = session_->Paster();
    const QString text = QString::fromUtf8(c.text);
    ASSERT_TRUE(paster.SetClipboardText(c.text));
    EXPECT_TRUE(Services().SetForegroundWindow(editor.Window()));
    ASSERT_TRUE(paster.SendPasteKeys());

    // The editor asks us for the clipboard while the event loop runs.
    const QString expected = QStringLiteral("SELECT ") + text + QStringLiteral(" FROM t");
    EXPECT_TRUE(WaitUntil([&] { return editor.Text() == expected; }))
        << "editor has: " << editor.Text().toStdString();
    EXPECT_EQ(editor.Caret(), QStringLiteral("1.%1").arg(7 + text.size()));
    // It saw Ctrl+V as such, whatever the layout: some applications take Ctrl with another
    // letter for another command.
    EXPECT_EQ(editor.Keys(), (QStringList{"Control_L", "v"}));
    EXPECT_TRUE(WaitUntil([&] { return Foreground() == editor.Window(); }));
    EXPECT_EQ(QGuiApplication::clipboard()->text(), text);
    EXPECT_EQ(KeyboardMap(x_).Groups().active, groupBefore);

    if (const char* shot = std::getenv("QUILLON_X11_SCREENSHOT")) {
        RunTool("import", {"-window", "root", QString::fromLocal8Bit(shot)});
    }
    RunTool("setxkbmap", {"us"});
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, X11Paste,
    ::testing::Values(PasteCase{"us", {"us"}, "o.OrderID"},
                      PasteCase{"us_non_ascii", {"us"}, "Größe.Straße"},
                      // V moves to another key.
                      PasteCase{"dvorak", {"-layout", "us", "-variant", "dvorak"}, "o.OrderID"},
                      // No key types v: a spare key code is given v for the paste.
                      PasteCase{"russian_only", {"ru"}, "o.OrderID"},
                      // Only the second group types v: it is locked for the four keys.
                      PasteCase{"russian_and_us", {"-layout", "ru,us"}, "o.OrderID"}),
    [](const ::testing::TestParamInfo<PasteCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace quillon

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (GTEST_FLAG_GET(list_tests)) {
        return RUN_ALL_TESTS();  // listing needs no X server
    }
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
