// GlobalHotKey's side of the hot keys, on an in-memory grabber: what it registers, and which
// hot-key messages in its window's hook chain make it act.

#include <gtest/gtest.h>
#include <QWidget>

#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "desktop/global_hot_key.h"
#include "desktop/hot_key_record.h"

namespace quillon::desktop {
namespace {

using platform::HotKeyCombination;
using platform::HotKeyGrabber;
using platform::WindowId;

class FakeGrabber final : public HotKeyGrabber {
public:
    int Register(WindowId owner, int id, HotKeyCombination combination,
                 PressedHandler onPressed) override {
        if (refuseWith != 0) {
            return refuseWith;
        }
        held[{owner, id}] = {combination, std::move(onPressed)};
        return 0;
    }
    void Unregister(WindowId owner, int id) override { held.erase({owner, id}); }

    // As the platform does on a press of a registered combination.
    void Press(WindowId owner, int id) {
        auto& [combination, handler] = held.at({owner, id});
        handler(id, combination);
    }

    int refuseWith = 0;
    std::map<std::pair<WindowId, int>, std::pair<HotKeyCombination, PressedHandler>> held;
};

class CountingHotKey : public GlobalHotKey {
public:
    using GlobalHotKey::GlobalHotKey;
    void HotKeyPressed() override { ++presses; }
    int presses = 0;
};

// A hook attached before the hot keys: it shows what they pass on.
class EarlierHook : public WindowHook {
public:
    LResult TakeMessage(QWidget* window, std::uint32_t message, WParam wParam,
                        LParam lParam) override {
        seen.push_back(message);
        return PassOn(window, message, wParam, lParam);
    }
    std::vector<std::uint32_t> seen;
};

class GlobalHotKeyTest : public ::testing::Test {
protected:
    WindowId Owner() { return static_cast<WindowId>(window.winId()); }
    static void Set(GlobalHotKey& hotKey, const HotKeyRecord& record) {
        hotKey.FLAGCTRL = record.FLAGCTRL;
        hotKey.FLAGALT = record.FLAGALT;
        hotKey.FLAGSHIFT = record.FLAGSHIFT;
        hotKey.FLAGWIN = record.FLAGWIN;
        hotKey.VK_CODE = record.VK_CODE;
    }

    FakeGrabber grabber;
    QWidget window;
};

TEST_F(GlobalHotKeyTest, RegistersTheFlagsAndKeyOfItsWindowUnderItsId) {
    CountingHotKey hotKey(grabber);
    hotKey.Init(&window);
    hotKey.HOTKEYID = kRollHotKeyId;
    Set(hotKey, {1, 1, 1, 1, vk::kF1 + 4, "Ctrl+Shift+Win+Alt+F5"});
    ASSERT_EQ(hotKey.Register(), 0);
    ASSERT_EQ(grabber.held.size(), 1u);
    EXPECT_EQ(grabber.held.begin()->first, std::make_pair(Owner(), kRollHotKeyId));
    EXPECT_EQ(grabber.held.begin()->second.first, (HotKeyCombination{15, vk::kF1 + 4}));

    hotKey.Unregister();
    EXPECT_TRUE(grabber.held.empty());
    hotKey.Unregister();  // nothing registered: harmless
}

TEST_F(GlobalHotKeyTest, RefusedRegistrationReturnsTheCode) {
    CountingHotKey hotKey(grabber);
    hotKey.Init(&window);
    Set(hotKey, DefaultHotKey());
    grabber.refuseWith = platform::kHotKeyAlreadyRegistered;
    EXPECT_EQ(hotKey.Register(), platform::kHotKeyAlreadyRegistered);

    CountingHotKey withoutWindow(grabber);
    Set(withoutWindow, DefaultHotKey());
    grabber.refuseWith = 0;
    EXPECT_EQ(withoutWindow.Register(), kHotKeyInvalidWindow);
    EXPECT_TRUE(grabber.held.empty());
}

TEST_F(GlobalHotKeyTest, PressReachesEveryHookWhoseCombinationItIs) {
    EarlierHook earlier;
    ASSERT_TRUE(earlier.Attach(&window, 0, true));
    CountingHotKey hotKey(grabber);
    hotKey.Init(&window);
    Set(hotKey, DefaultHotKey());
    CountingHotKey roll(grabber);
    roll.Init(&window);
    roll.HOTKEYID = kRollHotKeyId;
    Set(roll, DefaultRollHotKey());
    ASSERT_EQ(hotKey.Register(), 0);
    ASSERT_EQ(roll.Register(), 0);

    grabber.Press(Owner(), kHotKeyId);
    EXPECT_EQ(hotKey.presses, 1);
    EXPECT_EQ(roll.presses, 0);
    grabber.Press(Owner(), kRollHotKeyId);
    EXPECT_EQ(roll.presses, 1);
    EXPECT_EQ(hotKey.presses, 1);
    // Both messages went on down the chain.
    EXPECT_EQ(earlier.seen, (std::vector<std::uint32_t>{msg::kHotKey, msg::kHotKey}));
}

TEST_F(GlobalHotKeyTest, ReactsToTheCombinationInTheMessageNotToTheId) {
    CountingHotKey hotKey(grabber);
    hotKey.Init(&window);
    Set(hotKey, {1, 0, 1, 0, vk::kF1 + 4, "Ctrl+Shift+F5"});
    struct Case {
        const char* name;
        WParam id;
        int modifiers;
        int virtualKey;
        int presses;
    };
    const Case cases[] = {
        {"own combination, own id", kHotKeyId, 6, vk::kF1 + 4, 1},
        {"own combination, another id", 999, 6, vk::kF1 + 4, 1},
        {"one modifier more", kHotKeyId, 7, vk::kF1 + 4, 0},
        {"one modifier less", kHotKeyId, 2, vk::kF1 + 4, 0},
        {"another key", kHotKeyId, 6, vk::kF1 + 5, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        hotKey.presses = 0;
        WindowHook::Dispatch(&window, msg::kHotKey, c.id,
                             MakeHotKeyLParam(c.modifiers, c.virtualKey));
        EXPECT_EQ(hotKey.presses, c.presses);
    }
    // Other messages only pass through.
    WindowHook::Dispatch(&window, msg::kKeyDown, vk::kF1 + 4, MakeHotKeyLParam(6, vk::kF1 + 4));
    EXPECT_EQ(hotKey.presses, 0);
}

TEST_F(GlobalHotKeyTest, RegistrationEndsWithTheObjectAndPressesOutliveTheWindowHarmlessly) {
    auto window2 = std::make_unique<QWidget>();
    const auto owner2 = static_cast<WindowId>(window2->winId());
    {
        CountingHotKey hotKey(grabber);
        hotKey.Init(window2.get());
        Set(hotKey, DefaultHotKey());
        ASSERT_EQ(hotKey.Register(), 0);
        ASSERT_EQ(grabber.held.count({owner2, kHotKeyId}), 1u);
    }
    EXPECT_TRUE(grabber.held.empty());

    CountingHotKey hotKey(grabber);
    hotKey.Init(window2.get());
    Set(hotKey, DefaultHotKey());
    ASSERT_EQ(hotKey.Register(), 0);
    auto handler = grabber.held.at({owner2, kHotKeyId}).second;
    window2.reset();
    handler(kHotKeyId, {8, vk::kSpace});  // the window is gone: nothing to deliver to
    EXPECT_EQ(hotKey.presses, 0);
}

}  // namespace
}  // namespace quillon::desktop
