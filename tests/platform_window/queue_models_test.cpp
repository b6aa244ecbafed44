#include "platform/window/queue_models.h"

#include <gtest/gtest.h>

#include <QPixmap>
#include <QTreeView>
#include <memory>

namespace quillon::window {
namespace {

struct Column {
    std::string NAME;
    std::string TYPE;
    std::int32_t ORDINAL_POSITION = 0;
};

struct Node {
    std::string NAME;
    std::uint8_t ICON = 0;
    std::int32_t LEVEL = 1;
};

QIcon Coloured(Qt::GlobalColor colour) {
    QPixmap pixmap(8, 8);
    pixmap.fill(colour);
    return QIcon(pixmap);
}

TEST(QueueListModel, ShowsFieldsAndFollowsTheQueue) {
    Queue<Column> q;
    q.Append({"OrderID  ", "int", 1});
    QueueListModel<Column> model(q, {FieldColumn(&Column::NAME), FieldColumn(&Column::TYPE),
                                     FieldColumn(&Column::ORDINAL_POSITION)});
    ASSERT_EQ(model.rowCount(), 1);
    ASSERT_EQ(model.columnCount(), 3);
    EXPECT_EQ(model.data(model.index(0, 0), Qt::DisplayRole).toString(), "OrderID");
    EXPECT_EQ(model.data(model.index(0, 2), Qt::DisplayRole).toString(), "1");
    EXPECT_FALSE(model.headerData(0, Qt::Horizontal, Qt::DisplayRole).isValid());

    q.Append({"CustomerID", "nchar(5)", 2});
    EXPECT_EQ(model.rowCount(), 2);
    auto changed = *q.Get(2);
    changed.TYPE = "nchar(10)";
    q.Put(2, changed);
    EXPECT_EQ(model.data(model.index(1, 1), Qt::DisplayRole).toString(), "nchar(10)");
    EXPECT_EQ(model.PositionOf(model.index(1, 0)), 2);
    EXPECT_EQ(model.IndexOf(2).row(), 1);
    EXPECT_FALSE(model.IndexOf(3).isValid());
    q.Free();
    EXPECT_EQ(model.rowCount(), 0);
}

TEST(QueueListModel, IconsComeFromTheTableByNumber) {
    Queue<Node> q;
    q.Append({"Orders", 1});
    q.Append({"Invoices", 2});
    q.Append({"Nothing", 0});
    q.Append({"Beyond", 9});
    QueueListModel<Node> model(q, {FieldColumn(&Node::NAME, &Node::ICON)});
    model.SetIcons({Coloured(Qt::red), Coloured(Qt::blue)});
    EXPECT_FALSE(model.data(model.index(0, 0), Qt::DecorationRole).value<QIcon>().isNull());
    EXPECT_FALSE(model.data(model.index(1, 0), Qt::DecorationRole).value<QIcon>().isNull());
    EXPECT_FALSE(model.data(model.index(2, 0), Qt::DecorationRole).isValid());
    EXPECT_FALSE(model.data(model.index(3, 0), Qt::DecorationRole).isValid());
}

TEST(QueueListModel, AQueueGoneBeforeItsModelLeavesItEmpty) {
    auto q = std::make_unique<Queue<Column>>();
    q->Append({"a", "int", 1});
    QueueListModel<Column> model(*q, {FieldColumn(&Column::NAME)});
    q.reset();
    EXPECT_EQ(model.rowCount(), 0);
}

// A constraints tree: two constraints, closed, each with its columns; a relation with a
// deeper level under a closed key row.
class QueueTreeModelTest : public ::testing::Test {
protected:
    void SetUp() override {
        model = std::make_unique<QueueTreeModel<Node, std::string, std::uint8_t>>(
            q, &Node::NAME, &Node::ICON, &Node::LEVEL);
        view.setModel(model.get());
        model->BindView(&view);
        q.Append({"PK_Orders (PRIMARY KEY)", 1, -1});
        q.Append({"OrderID", 5, 2});
        q.Append({"FK_Orders_Customers (FOREIGN KEY)", 3, 1});
        q.Append({"CustomerID", 5, 2});
        q.Append({"Customers.PK <<-> Orders.FK", 3, -2});
        q.Append({"CustomerID - CustomerID", 4, 3});
        q.Append({"Second top", 1, -1});
    }

    QModelIndex At(int position) const { return model->IndexOf(position); }

    Queue<Node> q;
    std::unique_ptr<QueueTreeModel<Node, std::string, std::uint8_t>> model;
    QTreeView view;
};

TEST_F(QueueTreeModelTest, LevelsGiveTheShape) {
    EXPECT_EQ(model->rowCount(), 3);  // positions 1, 3 and 7 are at the top
    EXPECT_EQ(model->rowCount(At(1)), 1);
    EXPECT_EQ(model->rowCount(At(3)), 2);
    EXPECT_EQ(model->rowCount(At(5)), 1);
    EXPECT_EQ(model->PositionOf(model->parent(At(6))), 5);
    EXPECT_EQ(model->PositionOf(model->parent(At(4))), 3);
    EXPECT_FALSE(model->parent(At(7)).isValid());
    EXPECT_EQ(model->data(At(5), Qt::DisplayRole).toString(), "Customers.PK <<-> Orders.FK");
}

TEST_F(QueueTreeModelTest, NegativeLevelsAreClosedRowsInTheView) {
    EXPECT_FALSE(view.isExpanded(At(1)));
    EXPECT_TRUE(view.isExpanded(At(3)));
    EXPECT_FALSE(view.isExpanded(At(5)));
}

TEST_F(QueueTreeModelTest, OpeningAndClosingInTheViewWritesTheLevelBack) {
    view.expand(At(1));
    EXPECT_EQ(q.Get(1)->LEVEL, 1);
    view.expand(At(5));
    EXPECT_EQ(q.Get(5)->LEVEL, 2);
    view.collapse(At(3));
    EXPECT_EQ(q.Get(3)->LEVEL, -1);
    EXPECT_EQ(q.Get(5)->LEVEL, 2) << "rows below keep their own state";
}

TEST_F(QueueTreeModelTest, ALevelWrittenByTheProgramOpensOrClosesTheRow) {
    Node n = *q.Get(1);
    n.LEVEL = 1;
    q.Put(1, n);
    EXPECT_TRUE(view.isExpanded(At(1)));
    n.LEVEL = -1;
    q.Put(1, n);
    EXPECT_FALSE(view.isExpanded(At(1)));
}

TEST_F(QueueTreeModelTest, ADepthChangeReshapesTheTree) {
    Node n = *q.Get(7);
    n.LEVEL = 3;  // now below the key row
    q.Put(7, n);
    EXPECT_EQ(model->rowCount(), 2);
    EXPECT_EQ(model->PositionOf(model->parent(At(7))), 5);
    q.Free();
    EXPECT_EQ(model->rowCount(), 0);
}

}  // namespace
}  // namespace quillon::window
