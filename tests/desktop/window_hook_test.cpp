#include "desktop/window_hook.h"

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QTreeView>
#include <memory>
#include <string>
#include <vector>

#include "../platform_window/qt_test_util.h"
#include "desktop/virtual_keys.h"

namespace quillon::desktop {
namespace {

using testing::PressKey;
using testing::ReleaseKey;
using testing::SendMouse;

struct Seen {
    std::string hook;
    std::uint32_t message;
    WParam wParam;
    friend bool operator==(const Seen&, const Seen&) = default;
};

// Writes down what it sees; passes messages on unless told to keep them.
class LoggingHook : public WindowHook {
public:
    LoggingHook(std::string name, std::vector<Seen>* log) : name_(std::move(name)), log_(log) {}

    LResult TakeMessage(QWidget* window, std::uint32_t message, WParam wParam,
                        LParam lParam) override {
        log_->push_back({name_, message, wParam});
        if (message == keep) {
            return keptResult;
        }
        const LResult result = PassOn(window, message, wParam, lParam);
        if (auto* edit = qobject_cast<QLineEdit*>(window);
            edit != nullptr && message == msg::kChar) {
            textAfterPassOn = edit->text().toStdString();
        }
        return result;
    }

    std::uint32_t keep = 0;
    LResult keptResult = 0;
    std::string textAfterPassOn;

private:
    std::string name_;
    std::vector<Seen>* log_;
};

TEST(WindowHook, LastAttachedSeesFirstAndBothSeeWhatIsPassedOn) {
    QLineEdit edit;
    std::vector<Seen> log;
    LoggingHook first("first", &log);
    LoggingHook second("second", &log);
    ASSERT_TRUE(first.Attach(&edit, 0, true));
    ASSERT_TRUE(second.Attach(&edit, 0, true));

    PressKey(&edit, Qt::Key_A, Qt::NoModifier, "a");

    const std::vector<Seen> expected = {{"second", msg::kKeyDown, 'A'},
                                        {"first", msg::kKeyDown, 'A'},
                                        {"second", msg::kChar, 'a'},
                                        {"first", msg::kChar, 'a'}};
    EXPECT_EQ(log, expected);
    EXPECT_EQ(edit.text(), "a");
    // The widget has handled the character by the time PassOn returns.
    EXPECT_EQ(first.textAfterPassOn, "a");
    EXPECT_EQ(second.textAfterPassOn, "a");
}

TEST(WindowHook, AMessageKeptByAHookNeverReachesTheWidget) {
    QLineEdit edit;
    std::vector<Seen> log;
    LoggingHook first("first", &log);
    LoggingHook second("second", &log);
    first.Attach(&edit, 0, true);
    second.Attach(&edit, 0, true);
    second.keep = msg::kKeyDown;

    PressKey(&edit, Qt::Key_A, Qt::NoModifier, "a");

    EXPECT_EQ(log, (std::vector<Seen>{{"second", msg::kKeyDown, 'A'}}));
    EXPECT_EQ(edit.text(), "");
}

TEST(WindowHook, DispatchReturnsWhatTheChainAnswers) {
    QWidget window;
    std::vector<Seen> log;
    EXPECT_EQ(WindowHook::Dispatch(&window, msg::kHotKey, 101, 0), 0) << "no hooks";

    LoggingHook first("first", &log);
    LoggingHook second("second", &log);
    first.Attach(&window, 0, true);
    second.Attach(&window, 0, true);
    first.keep = msg::kEndSession;
    first.keptResult = 1;

    EXPECT_EQ(WindowHook::Dispatch(&window, msg::kEndSession, 1, 0), 1);
    EXPECT_EQ(WindowHook::Dispatch(&window, msg::kHotKey, 101, MakeHotKeyLParam(8, 32)), 0);
    EXPECT_EQ(log.size(), 4u);
    EXPECT_EQ(log[2], (Seen{"second", msg::kHotKey, 101}));
}

TEST(WindowHook, HotKeyLParamCarriesModifiersLowAndKeyHigh) {
    const LParam lParam = MakeHotKeyLParam(2 | 4, 0x74);
    EXPECT_EQ(lParam & 0xFFFF, 6);
    EXPECT_EQ((lParam >> 16) & 0xFFFF, 0x74);
}

TEST(WindowHook, EightSlotsByPropertyNameAndTheNinthIsRefused) {
    QWidget window;
    window.setProperty("someoneElsesProperty", 7);
    std::vector<Seen> log;
    std::vector<std::unique_ptr<LoggingHook>> hooks;
    for (int i = 0; i < 9; ++i) {
        hooks.push_back(std::make_unique<LoggingHook>(std::to_string(i), &log));
    }
    for (int i = 0; i < 8; ++i) {
        ASSERT_TRUE(hooks[static_cast<std::size_t>(i)]->Attach(&window, 0, true)) << i;
        EXPECT_EQ(hooks[static_cast<std::size_t>(i)]->PROPNUM(), i);
    }
    EXPECT_TRUE(window.property("xCallBackClassProp").isValid());
    EXPECT_TRUE(window.property("xCallBackClassProp7").isValid());

    EXPECT_FALSE(hooks[8]->Attach(&window, 0, true));
    EXPECT_FALSE(hooks[8]->IsAttached());

    WindowHook::Dispatch(&window, msg::kTimer, 4, 0);
    ASSERT_EQ(log.size(), 8u) << "the eight in place all still see the message";
    EXPECT_EQ(log.front().hook, "7");
    EXPECT_EQ(log.back().hook, "0");
    EXPECT_EQ(window.property("someoneElsesProperty").toInt(), 7);
}

TEST(WindowHook, ASlotNameSetByOthersCountsAsTaken) {
    QWidget window;
    window.setProperty("xCallBackClassProp", 1);
    std::vector<Seen> log;
    LoggingHook hook("hook", &log);
    ASSERT_TRUE(hook.Attach(&window, 0, true));
    EXPECT_EQ(hook.PROPNUM(), 1);
    hook.Detach();
    EXPECT_EQ(window.property("xCallBackClassProp").toInt(), 1);
}

TEST(WindowHook, DetachingInReverseOrderRestoresTheWidget) {
    QLineEdit edit;
    std::vector<Seen> log;
    LoggingHook first("first", &log);
    LoggingHook second("second", &log);
    first.Attach(&edit, 0, true);
    second.Attach(&edit, 0, true);
    first.keep = msg::kChar;  // would swallow typing while attached

    second.Detach();
    first.Detach();

    EXPECT_TRUE(edit.dynamicPropertyNames().isEmpty());
    PressKey(&edit, Qt::Key_B, Qt::NoModifier, "b");
    EXPECT_EQ(edit.text(), "b");
    EXPECT_TRUE(log.empty());
    // A slot freed by detaching is taken again from 0.
    EXPECT_TRUE(first.Attach(&edit, 0, true));
    EXPECT_EQ(first.PROPNUM(), 0);
}

TEST(WindowHook, DetachingOutOfOrderKeepsTheOthersChained) {
    QWidget window;
    std::vector<Seen> log;
    LoggingHook first("first", &log);
    LoggingHook middle("middle", &log);
    LoggingHook last("last", &log);
    first.Attach(&window, 0, true);
    middle.Attach(&window, 0, true);
    last.Attach(&window, 0, true);

    middle.Detach();
    WindowHook::Dispatch(&window, msg::kTimer, 4, 0);

    EXPECT_EQ(log, (std::vector<Seen>{{"last", msg::kTimer, 4}, {"first", msg::kTimer, 4}}));
}

TEST(WindowHook, AWidgetDestroyedFirstLeavesItsHooksDetached) {
    std::vector<Seen> log;
    LoggingHook hook("hook", &log);
    {
        QWidget window;
        hook.Attach(&window, 5, false);
        EXPECT_EQ(hook.CONTROLFEQ(), 5);
    }
    EXPECT_FALSE(hook.IsAttached());
    hook.Detach();  // harmless
}

// What the hooks see of Qt's input events.
TEST(WindowHook, QtKeyEventsBecomeKeyMessages) {
    struct Case {
        const char* what;
        QEvent::Type type;
        int key;
        Qt::KeyboardModifiers modifiers;
        QString text;
        bool autoRepeat;
        std::vector<std::pair<std::uint32_t, WParam>> messages;
    };
    const Case cases[] = {
        {"plain letter",
         QEvent::KeyPress,
         Qt::Key_A,
         Qt::NoModifier,
         "a",
         false,
         {{msg::kKeyDown, 'A'}, {msg::kChar, 'a'}}},
        {"shifted digit",
         QEvent::KeyPress,
         Qt::Key_Exclam,
         Qt::ShiftModifier,
         "!",
         false,
         {{msg::kKeyDown, '1'}, {msg::kChar, '!'}}},
        {"Backspace",
         QEvent::KeyPress,
         Qt::Key_Backspace,
         Qt::NoModifier,
         "\b",
         false,
         {{msg::kKeyDown, vk::kBack}, {msg::kChar, 8}}},
        {"Delete types nothing",
         QEvent::KeyPress,
         Qt::Key_Delete,
         Qt::NoModifier,
         "\x7f",
         false,
         {{msg::kKeyDown, vk::kDelete}}},
        {"Tab moves the focus",
         QEvent::KeyPress,
         Qt::Key_Tab,
         Qt::NoModifier,
         "\t",
         false,
         {{msg::kKeyDown, vk::kTab}}},
        {"Alt+K is a system key",
         QEvent::KeyPress,
         Qt::Key_K,
         Qt::AltModifier,
         "k",
         false,
         {{msg::kSysKeyDown, 'K'}}},
        {"Alt alone is a system key",
         QEvent::KeyPress,
         Qt::Key_Alt,
         Qt::NoModifier,
         "",
         false,
         {{msg::kSysKeyDown, vk::kMenu}}},
        {"F10 is a system key",
         QEvent::KeyPress,
         Qt::Key_F10,
         Qt::NoModifier,
         "",
         false,
         {{msg::kSysKeyDown, vk::kF10}}},
        {"Ctrl+Alt+K is not",
         QEvent::KeyPress,
         Qt::Key_K,
         Qt::ControlModifier | Qt::AltModifier,
         "",
         false,
         {{msg::kKeyDown, 'K'}}},
        {"keypad plus",
         QEvent::KeyPress,
         Qt::Key_Plus,
         Qt::KeypadModifier,
         "+",
         false,
         {{msg::kKeyDown, vk::kAdd}, {msg::kChar, '+'}}},
        {"auto-repeated press",
         QEvent::KeyPress,
         Qt::Key_Down,
         Qt::NoModifier,
         "",
         true,
         {{msg::kKeyDown, vk::kDown}}},
        {"release",
         QEvent::KeyRelease,
         Qt::Key_Down,
         Qt::NoModifier,
         "",
         false,
         {{msg::kKeyUp, vk::kDown}}},
        {"auto-repeat release is no release",
         QEvent::KeyRelease,
         Qt::Key_Down,
         Qt::NoModifier,
         "",
         true,
         {}},
        {"unknown key",
         QEvent::KeyPress,
         Qt::Key_VolumeUp,
         Qt::NoModifier,
         "",
         false,
         {{msg::kKeyDown, 0}}},
    };
    for (const Case& c : cases) {
        QLineEdit edit;
        std::vector<Seen> log;
        LoggingHook hook("hook", &log);
        hook.Attach(&edit, 0, true);
        QKeyEvent event(c.type, c.key, c.modifiers, c.text, c.autoRepeat);
        QCoreApplication::sendEvent(&edit, &event);
        std::vector<std::pair<std::uint32_t, WParam>> seen;
        for (const Seen& s : log) {
            seen.emplace_back(s.message, s.wParam);
        }
        EXPECT_EQ(seen, c.messages) << c.what;
    }
}

TEST(WindowHook, MouseButtonsOnAListViewportReachTheListsHooks) {
    struct Case {
        QEvent::Type type;
        Qt::MouseButton button;
        std::uint32_t message;
    };
    const Case cases[] = {
        {QEvent::MouseButtonPress, Qt::LeftButton, msg::kLButtonDown},
        {QEvent::MouseButtonRelease, Qt::LeftButton, msg::kLButtonUp},
        {QEvent::MouseButtonDblClick, Qt::LeftButton, msg::kLButtonDblClk},
        {QEvent::MouseButtonPress, Qt::RightButton, msg::kRButtonDown},
        {QEvent::MouseButtonRelease, Qt::RightButton, msg::kRButtonUp},
    };
    for (const Case& c : cases) {
        QTreeView list;
        list.resize(100, 100);
        std::vector<Seen> log;
        LoggingHook hook("hook", &log);
        hook.Attach(&list, 20, false);
        SendMouse(list.viewport(), c.type, c.button);
        ASSERT_EQ(log.size(), 1u) << c.message;
        EXPECT_EQ(log[0].message, c.message);
    }
}

TEST(WindowHook, ModifiersOfTheMessageBeingHandled) {
    QLineEdit edit;
    std::vector<Qt::KeyboardModifiers> seen;
    class ModifierHook : public WindowHook {
    public:
        explicit ModifierHook(std::vector<Qt::KeyboardModifiers>* out) : out_(out) {}
        LResult TakeMessage(QWidget* w, std::uint32_t m, WParam wp, LParam lp) override {
            if (m == msg::kKeyDown || m == msg::kKeyUp) {
                out_->push_back(CurrentModifiers());
            }
            return PassOn(w, m, wp, lp);
        }

    private:
        std::vector<Qt::KeyboardModifiers>* out_;
    } hook(&seen);
    hook.Attach(&edit, 0, true);

    PressKey(&edit, Qt::Key_Control);  // held in its own press
    PressKey(&edit, Qt::Key_Shift, Qt::ControlModifier);
    ReleaseKey(&edit, Qt::Key_Shift, Qt::ControlModifier | Qt::ShiftModifier);  // released

    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[0], Qt::ControlModifier);
    EXPECT_EQ(seen[1], Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(seen[2], Qt::ControlModifier);
}

}  // namespace
}  // namespace quillon::desktop
