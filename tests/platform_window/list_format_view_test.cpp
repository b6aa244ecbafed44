#include "platform/window/list_format_view.h"

#include <gtest/gtest.h>

#include <QHeaderView>

#include "platform/window/dialog_units.h"
#include "platform/window/queue_models.h"

namespace quillon::window {
namespace {

constexpr const char* kDesigned = "93L(2)|_M@s255@155L(2)|_M@s255@";

struct Column {
    std::string NAME;
    std::string TYPE;
};

class ListFormatViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        q.Append({"OrderID", "int"});
        view.setModel(&model);
        view.resize(300, 200);
    }

    Queue<Column> q;
    QueueListModel<Column> model{q, {FieldColumn(&Column::NAME), FieldColumn(&Column::TYPE)}};
    QTreeView view;
};

TEST_F(ListFormatViewTest, AnUntouchedListReadsBackTheTextAsWritten) {
    EXPECT_EQ(ListFormatText(&view), "") << "no format yet";
    ASSERT_TRUE(ApplyListFormat(&view, kDesigned));
    EXPECT_EQ(ListFormatText(&view), kDesigned);
    const DialogUnits units(view.font());
    EXPECT_EQ(view.header()->sectionSize(0), units.ToPixelsX(93));
    EXPECT_EQ(view.header()->sectionSize(1), units.ToPixelsX(155));
    EXPECT_EQ(view.header()->sectionResizeMode(0), QHeaderView::Interactive);
    EXPECT_FALSE(view.header()->isHidden()) << "resizable columns need a border to drag";
}

TEST_F(ListFormatViewTest, ADraggedColumnChangesOnlyItsWidth) {
    ASSERT_TRUE(ApplyListFormat(&view, kDesigned));
    const DialogUnits units(view.font());
    view.header()->resizeSection(1, units.ToPixelsX(60));
    EXPECT_EQ(ListFormatText(&view), "93L(2)|_M@s255@60L(2)|_M@s255@");
}

TEST_F(ListFormatViewTest, ARestoredTextReplacesTheCurrentOne) {
    ASSERT_TRUE(ApplyListFormat(&view, "120L(2)|_M@s255@40L(2)|_M@s255@"));
    ASSERT_TRUE(ApplyListFormat(&view, kDesigned));
    EXPECT_EQ(ListFormatText(&view), kDesigned);
}

TEST_F(ListFormatViewTest, ABrokenTextLeavesTheListAsItWas) {
    ASSERT_TRUE(ApplyListFormat(&view, kDesigned));
    EXPECT_FALSE(ApplyListFormat(&view, "garbage"));
    EXPECT_EQ(ListFormatText(&view), kDesigned);
}

TEST_F(ListFormatViewTest, FixedColumnsAndHeaders) {
    ASSERT_TRUE(ApplyListFormat(&view, "50L@s20@70R~Type~@s20@"));
    EXPECT_EQ(view.header()->sectionResizeMode(0), QHeaderView::Fixed);
    EXPECT_EQ(model.headerData(1, Qt::Horizontal, Qt::DisplayRole).toString(), "Type");
    EXPECT_FALSE(view.header()->isHidden());
    ASSERT_TRUE(ApplyListFormat(&view, "50L@s20@70L@s20@"));
    EXPECT_TRUE(view.header()->isHidden());
}

TEST_F(ListFormatViewTest, RowHeightInDialogUnits) {
    SetRowHeight(&view, 10);
    const DialogUnits units(view.font());
    EXPECT_EQ(view.sizeHintForRow(0), units.ToPixelsY(10));
}

}  // namespace
}  // namespace quillon::window
