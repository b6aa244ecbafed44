#include "platform/window/control_events.h"

#include <gtest/gtest.h>

#include <QPushButton>
#include <QTreeView>
#include <QVBoxLayout>
#include <memory>
#include <vector>

#include "platform/window/queue_models.h"
#include "qt_test_util.h"

namespace quillon::window {
namespace {

using testing::HandlePosted;

struct Row {
    std::string NAME;
};

class ControlEventsTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* name : {"a", "b", "c"}) {
            rows.Append({name});
        }
        auto* layout = new QVBoxLayout(&window);
        list = new QTreeView;
        button = new QPushButton("OK");
        layout->addWidget(list);
        layout->addWidget(button);
        list->setModel(&model);
        events = ControlEvents::For(list);
        events->WatchSelection(list);
        QObject::connect(events, &ControlEvents::Happened,
                         [this](QWidget* control, ControlEvent event) {
                             happened.push_back({control, event});
                         });
    }

    Queue<Row> rows;
    QueueListModel<Row> model{rows, {FieldColumn(&Row::NAME)}};
    QWidget window;
    QTreeView* list = nullptr;
    QPushButton* button = nullptr;
    ControlEvents* events = nullptr;
    std::vector<std::pair<QWidget*, ControlEvent>> happened;
};

TEST_F(ControlEventsTest, OneHubPerWindow) {
    EXPECT_EQ(ControlEvents::For(button), events);
    EXPECT_EQ(events->parent(), &window);
}

TEST_F(ControlEventsTest, APostedEventComesAfterTheCurrentReaction) {
    events->Post(button, ControlEvent::Accepted);
    events->Raise(list, ControlEvent::NewSelection);
    ASSERT_EQ(happened.size(), 1u);
    HandlePosted();
    const std::vector<std::pair<QWidget*, ControlEvent>> expected = {
        {list, ControlEvent::NewSelection}, {button, ControlEvent::Accepted}};
    EXPECT_EQ(happened, expected);
}

TEST_F(ControlEventsTest, AnEventPostedToAControlThatIsGoneIsDropped) {
    events->Post(button, ControlEvent::Accepted);
    delete button;
    HandlePosted();
    EXPECT_TRUE(happened.empty());
}

TEST_F(ControlEventsTest, TheUsersSelectionRaisesAnEventTheProgramsDoesNot) {
    ASSERT_TRUE(events->SelectRow(list, 2));
    EXPECT_TRUE(happened.empty());
    EXPECT_EQ(ControlEvents::SelectedPosition(list), 2);
    EXPECT_FALSE(events->SelectRow(list, 4));
    EXPECT_EQ(ControlEvents::SelectedPosition(list), 2);

    list->setCurrentIndex(model.index(2, 0));  // as the keyboard or mouse does
    ASSERT_EQ(happened.size(), 1u);
    EXPECT_EQ(happened[0], (std::pair<QWidget*, ControlEvent>{list, ControlEvent::NewSelection}));
}

}  // namespace
}  // namespace quillon::window
