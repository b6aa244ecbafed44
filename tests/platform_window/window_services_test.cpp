// Dialog units, the message box, choosers, the wait cursor and finding controls by label.
#include <gtest/gtest.h>

#include <QApplication>
#include <QColorDialog>
#include <QFontDialog>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>
#include <QTreeView>

#include "platform/window/choosers.h"
#include "platform/window/controls.h"
#include "platform/window/dialog_units.h"
#include "platform/window/qt_message_box.h"
#include "platform/window/wait_cursor.h"

namespace quillon::window {
namespace {

TEST(DialogUnits, QuarterCharacterWidthAndEighthCharacterHeight) {
    const DialogUnits units(6, 13);
    struct Case {
        int units;
        int x;
        int y;
    };
    const Case cases[] = {{0, 0, 0}, {4, 6, 7}, {93, 140, 151}, {149, 224, 242}, {-2, -3, -3}};
    for (const Case& c : cases) {
        EXPECT_EQ(units.ToPixelsX(c.units), c.x) << c.units;
        EXPECT_EQ(units.ToPixelsY(c.units), c.y) << c.units;
        EXPECT_EQ(units.FromPixelsX(c.x), c.units) << c.units;
        EXPECT_EQ(units.FromPixelsY(c.y), c.units) << c.units;
    }
    EXPECT_EQ(units.ToPixels(QRect(0, 82, 149, 97)), QRect(0, 133, 224, 158));

    const DialogUnits fromFont(QFont(QStringLiteral("Sans Serif"), 8));
    EXPECT_GT(fromFont.averageCharWidth(), 1);
    EXPECT_GT(fromFont.charHeight(), 1);
}

TEST(Colours, NumbersAreBlueGreenRed) {
    EXPECT_EQ(ColourFromNumber(0xFFF4F4), QColor(0xF4, 0xF4, 0xFF));
    EXPECT_EQ(NumberFromColour(QColor(0xF4, 0xF4, 0xFF)), 0xFFF4F4);
    EXPECT_EQ(NumberFromColour(QColor(1, 2, 3)), 0x030201);
    EXPECT_FALSE(ColourFromNumber(kNoColour).isValid());
    EXPECT_EQ(NumberFromColour(QColor()), kNoColour);
}

// Answers the next modal dialog once it is up.
template <class Dialog, class F>
void WhenShown(F answer) {
    QTimer::singleShot(0, [answer] {
        auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        answer(dialog);
    });
}

TEST(QtChoosers, ConfirmedGivesTheChoiceCancelledGivesNothing) {
    QtChoosers choosers;
    WhenShown<QColorDialog>([](QColorDialog* d) {
        EXPECT_EQ(d->windowTitle(), "");
        EXPECT_EQ(d->currentColor(), QColor(0xF4, 0xF4, 0xFF));
        d->setCurrentColor(QColor(1, 2, 3));
        d->accept();
    });
    EXPECT_EQ(choosers.ChooseColour(nullptr, 0xFFF4F4), 0x030201);

    WhenShown<QColorDialog>([](QColorDialog* d) { d->reject(); });
    EXPECT_FALSE(choosers.ChooseColour(nullptr, kNoColour).has_value());

    WhenShown<QFontDialog>([](QFontDialog* d) {
        EXPECT_EQ(d->currentFont().pointSize(), 11);
        d->accept();
    });
    const auto font = choosers.ChooseFont(nullptr, {"Sans Serif", 11});
    ASSERT_TRUE(font.has_value());
    EXPECT_EQ(font->points, 11);
    EXPECT_FALSE(font->face.empty());

    WhenShown<QFontDialog>([](QFontDialog* d) { d->reject(); });
    EXPECT_FALSE(choosers.ChooseFont(nullptr, {"Sans Serif", 11}).has_value());
}

TEST(QtMessageBox, ShowsCaptionTextAndTheStopIcon) {
    QtMessageBox box;
    WhenShown<QMessageBox>([](QMessageBox* b) {
        EXPECT_EQ(b->windowTitle(), "Connect");
        EXPECT_EQ(b->text(), "Can not connect to server !!!");
        EXPECT_EQ(b->icon(), QMessageBox::Critical);
        EXPECT_EQ(b->textFormat(), Qt::PlainText);
        b->accept();
    });
    box.Show("Connect", "Can not connect to server !!!");
}

TEST(WaitCursor, ShownWhileItLivesAndNested) {
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    {
        WaitCursor outer;
        {
            WaitCursor inner;
            ASSERT_NE(QApplication::overrideCursor(), nullptr);
        }
        ASSERT_NE(QApplication::overrideCursor(), nullptr);
        EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    }
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST(FindControl, ByItsExactLabel) {
    QWidget window;
    window.setObjectName("MainWindow");
    auto* list = new QTreeView(&window);
    list->setObjectName("?LIST_OBJECTS");
    auto* other = new QTreeView(&window);
    other->setObjectName("?LIST_OBJECTS2");
    auto* entry = new QLineEdit(&window);
    entry->setObjectName("?LOC:HOTKEY");

    EXPECT_EQ(FindControl(&window, "?LIST_OBJECTS"), list);
    EXPECT_EQ(FindControl<QTreeView>(&window, "?LIST_OBJECTS2"), other);
    EXPECT_EQ(FindControl<QLineEdit>(&window, "?LOC:HOTKEY"), entry);
    EXPECT_EQ(FindControl<QLabel>(&window, "?LOC:HOTKEY"), nullptr);
    EXPECT_EQ(FindControl(&window, "?list_objects"), nullptr);
    EXPECT_EQ(FindControl(&window, "MainWindow"), &window);
}

}  // namespace
}  // namespace quillon::window
