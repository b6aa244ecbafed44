#include "desktop/list_locator.h"

#include <gtest/gtest.h>

#include <QTreeView>
#include <string>
#include <vector>

#include "../platform_window/qt_test_util.h"
#include "desktop/virtual_keys.h"
#include "desktop/window_timers.h"
#include "platform/window/control_events.h"
#include "platform/window/queue_models.h"

namespace quillon::desktop {
namespace {

using testing::HandlePosted;
using testing::PressKey;
using testing::ReleaseKey;
using testing::SendMouse;
using window::ControlEvent;
using window::ControlEvents;

struct Row {
    std::string DESCRIPTION;
    int ICON = 1;
};

class ListLocatorTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* name :
             {"Categories", "customers", "CustomerDemo", "Orders", "Order Items", "Products"}) {
            rows.Append({name});
        }
        model =
            new window::QueueListModel<Row>(rows, {window::FieldColumn(&Row::DESCRIPTION)}, &list);
        list.setModel(model);
        list.resize(200, 300);
        auto* events = ControlEvents::For(&list);
        events->WatchSelection(&list);
        QObject::connect(events, &ControlEvents::Happened,
                         [this](QWidget* control, ControlEvent event) {
                             if (control == &list && event == ControlEvent::NewSelection) {
                                 newSelections.push_back(ControlEvents::SelectedPosition(&list));
                             }
                         });
        locator.SetClock([this] { return now; });
        ASSERT_TRUE(locator.Init(rows, &list));
        ASSERT_TRUE(locator.SetSearchField(&Row::DESCRIPTION));
        ControlEvents::For(&list)->SelectRow(&list, 1);
    }

    void Type(const std::string& text) {
        for (const char c : text) {
            const int key = (c >= 'a' && c <= 'z') ? c - 'a' + Qt::Key_A : c;
            PressKey(&list, key, Qt::NoModifier, QString(QChar(c)));
            ReleaseKey(&list, key);
            now += 10;
        }
    }
    void Tick() { WindowHook::Dispatch(&list, msg::kTimer, ListLocator::kTimerId, 0); }
    int Selected() const { return ControlEvents::SelectedPosition(&list); }

    window::Queue<Row> rows;
    window::QueueListModel<Row>* model = nullptr;
    QTreeView list;
    ListLocator locator;
    std::int32_t now = 360000;  // 01:00:00
    std::vector<int> newSelections;
};

TEST_F(ListLocatorTest, TypedLettersSelectTheFirstRowStartingWithThemInAnyCase) {
    Type("cu");
    EXPECT_EQ(Selected(), 2);
    EXPECT_EQ(locator.CSTRLOCATORVARIABLE(), "cu");
    HandlePosted();
    EXPECT_EQ(newSelections.back(), 2) << "the new selection is posted";

    Type("STOMERD");
    EXPECT_EQ(Selected(), 3);
}

TEST_F(ListLocatorTest, TheSearchDecidesOverTheListsOwnTypeAhead) {
    ControlEvents::For(&list)->SelectRow(&list, 4);  // Orders
    Type("o");
    EXPECT_EQ(Selected(), 4) << "the first row starting with o, not the next one";
    Type("rder ");
    EXPECT_EQ(Selected(), 5) << "a typed space counts";
}

TEST_F(ListLocatorTest, NoMatchLeavesTheSelectionAndTheTextKeepsGrowing) {
    Type("p");
    ASSERT_EQ(Selected(), 6);
    HandlePosted();
    const std::size_t posted = newSelections.size();
    Type("x");
    Type("y");
    EXPECT_EQ(Selected(), 6);
    EXPECT_EQ(locator.CSTRLOCATORVARIABLE(), "pxy");
    HandlePosted();
    EXPECT_EQ(newSelections.size(), posted);
}

TEST_F(ListLocatorTest, BackspaceToNothingSelectsTheFirstRow) {
    Type("p");
    ASSERT_EQ(Selected(), 6);
    PressKey(&list, Qt::Key_Backspace, Qt::NoModifier, "\b");
    EXPECT_EQ(locator.CSTRLOCATORVARIABLE(), "");
    EXPECT_EQ(Selected(), 1);
}

TEST_F(ListLocatorTest, OneIdleSecondStartsTheTextAfresh) {
    Type("o");
    now += 89;  // 99 hundredths after the letter
    Tick();
    EXPECT_EQ(locator.CSTRLOCATORVARIABLE(), "o");
    now += 1;
    Tick();
    EXPECT_EQ(locator.CSTRLOCATORVARIABLE(), "");
    Type("p");
    EXPECT_EQ(Selected(), 6);
}

TEST_F(ListLocatorTest, TheIdleSecondCountsAcrossMidnight) {
    now = 24 * 60 * 60 * 100 - 40;
    Type("o");
    now = 80;
    Tick();
    EXPECT_EQ(locator.CSTRLOCATORVARIABLE(), "");
}

TEST_F(ListLocatorTest, NavigationKeysAndMouseButtonsStartTheTextAfresh) {
    for (const int key : {Qt::Key_Down, Qt::Key_Up, Qt::Key_Home, Qt::Key_End, Qt::Key_PageUp,
                          Qt::Key_PageDown, Qt::Key_Return}) {
        Type("or");
        ReleaseKey(&list, key);
        EXPECT_EQ(locator.CSTRLOCATORVARIABLE(), "") << key;
    }
    for (const Qt::MouseButton button : {Qt::LeftButton, Qt::RightButton}) {
        Type("or");
        testing::SendMouse(list.viewport(), QEvent::MouseButtonRelease, button);
        EXPECT_EQ(locator.CSTRLOCATORVARIABLE(), "") << button;
    }
    Type("or");
    ReleaseKey(&list, Qt::Key_Right);
    EXPECT_EQ(locator.CSTRLOCATORVARIABLE(), "or") << "other keys do not reset";
}

TEST_F(ListLocatorTest, KillEndsTypeAheadAndTheTick) {
    locator.Kill();
    Type("p");
    EXPECT_EQ(locator.CSTRLOCATORVARIABLE(), "");
    EXPECT_FALSE(locator.IsAttached());
}

TEST(ListLocatorEmpty, AnEmptyQueueSelectsAndPostsNothing) {
    window::Queue<Row> rows;
    window::QueueListModel<Row> model(rows, {window::FieldColumn(&Row::DESCRIPTION)});
    QTreeView list;
    list.setModel(&model);
    int posted = 0;
    QObject::connect(ControlEvents::For(&list), &ControlEvents::Happened,
                     [&posted](QWidget*, ControlEvent) { ++posted; });
    ListLocator locator;
    locator.Init(rows, &list);
    locator.SetSearchField(&Row::DESCRIPTION);
    PressKey(&list, Qt::Key_A, Qt::NoModifier, "a");
    HandlePosted();
    EXPECT_EQ(posted, 0);
    EXPECT_EQ(ControlEvents::SelectedPosition(&list), 0);
}

TEST(ListLocatorTick, TheListReceivesItsTickAsTimerMessages) {
    window::Queue<Row> rows;
    rows.Append({"a"});
    window::QueueListModel<Row> model(rows, {window::FieldColumn(&Row::DESCRIPTION)});
    QTreeView list;
    list.setModel(&model);
    std::int32_t now = 1000;
    ListLocator locator;
    locator.SetClock([&now] { return now; });
    locator.Init(rows, &list);
    locator.SetSearchField(&Row::DESCRIPTION);
    PressKey(&list, Qt::Key_A, Qt::NoModifier, "a");
    now += 150;
    testing::RunEventLoop(350);  // a few real ticks of 100 ms
    EXPECT_EQ(locator.CSTRLOCATORVARIABLE(), "");
}

}  // namespace
}  // namespace quillon::desktop
