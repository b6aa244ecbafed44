#include "platform/window/alert_keys.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QTreeView>
#include <QVBoxLayout>
#include <vector>

#include "platform/window/key_codes.h"
#include "qt_test_util.h"

namespace quillon::window {
namespace {

using testing::PressKey;
using testing::SendMouse;

TEST(KeyCodes, KeysAndDoubleClicksAsTheWindowCodesThem) {
    struct Case {
        int key;
        Qt::KeyboardModifiers modifiers;
        int code;
    };
    const Case cases[] = {
        {Qt::Key_Return, Qt::NoModifier, 13},
        {Qt::Key_Enter, Qt::KeypadModifier, 13},
        {Qt::Key_Return, Qt::ControlModifier, 525},
        {Qt::Key_X, Qt::AltModifier, 1112},
        {Qt::Key_A, Qt::AltModifier, 1089},
        {Qt::Key_R, Qt::ControlModifier | Qt::AltModifier, 1618},
        {Qt::Key_F12, Qt::NoModifier, 123},
        {Qt::Key_F1, Qt::NoModifier, 112},
        {Qt::Key_Plus, Qt::KeypadModifier, 107},
        {Qt::Key_Minus, Qt::KeypadModifier, 109},
        {Qt::Key_Right, Qt::ControlModifier, 0x227},
        {Qt::Key_A, Qt::ShiftModifier | Qt::AltModifier, 1089},
        {Qt::Key_VolumeUp, Qt::NoModifier, 0},
    };
    for (const Case& c : cases) {
        const QKeyEvent event(QEvent::KeyPress, c.key, c.modifiers);
        EXPECT_EQ(KeyCodeOf(event), c.code) << c.code;
    }
    const QPointF at(1, 1);
    const QMouseEvent left2(QEvent::MouseButtonDblClick, at, at, Qt::LeftButton, Qt::LeftButton,
                            Qt::NoModifier);
    const QMouseEvent ctrlLeft2(QEvent::MouseButtonDblClick, at, at, Qt::LeftButton, Qt::LeftButton,
                                Qt::ControlModifier);
    const QMouseEvent right2(QEvent::MouseButtonDblClick, at, at, Qt::RightButton, Qt::RightButton,
                             Qt::NoModifier);
    const QMouseEvent click(QEvent::MouseButtonPress, at, at, Qt::LeftButton, Qt::LeftButton,
                            Qt::NoModifier);
    EXPECT_EQ(KeyCodeOf(left2), 5);
    EXPECT_EQ(KeyCodeOf(ctrlLeft2), 517);
    EXPECT_EQ(KeyCodeOf(right2), 0);
    EXPECT_EQ(KeyCodeOf(click), 0);

    EXPECT_EQ(KeySequenceOf(1089), QKeySequence(Qt::ALT | Qt::Key_A));
    EXPECT_EQ(KeySequenceOf(1618), QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_R));
    EXPECT_EQ(KeySequenceOf(107), QKeySequence(Qt::KeypadModifier | Qt::Key_Plus));
    EXPECT_FALSE(KeySequenceOf(5).has_value());
}

class AlertKeysTest : public ::testing::Test {
protected:
    void SetUp() override {
        auto* layout = new QVBoxLayout(&window);
        list = new QTreeView;
        edit = new QLineEdit;
        layout->addWidget(list);
        layout->addWidget(edit);
        alerts = new AlertKeys(&window);
        QObject::connect(alerts, &AlertKeys::AlertKey, [this](QWidget* control, int code) {
            raised.push_back({control, code});
        });
        window.show();
        window.activateWindow();
        QApplication::setActiveWindow(&window);
    }

    QWidget window;
    QTreeView* list = nullptr;
    QLineEdit* edit = nullptr;
    AlertKeys* alerts = nullptr;
    std::vector<std::pair<QWidget*, int>> raised;
};

TEST_F(AlertKeysTest, AControlsKeysAreTakenFromIt) {
    alerts->Alert(list, key::kEnter);
    alerts->Alert(list, key::kCtrlEnter);
    alerts->Alert(list, key::kMouseLeft2);
    alerts->Alert(list, key::kCtrlMouseLeft2);
    alerts->Alert(edit, key::kEnter);

    PressKey(list, Qt::Key_Return);
    PressKey(list, Qt::Key_Return, Qt::ControlModifier);
    PressKey(list, Qt::Key_Down);  // not registered: the list has it
    SendMouse(list->viewport(), QEvent::MouseButtonDblClick, Qt::LeftButton);
    SendMouse(list->viewport(), QEvent::MouseButtonDblClick, Qt::LeftButton, Qt::ControlModifier);

    const std::vector<std::pair<QWidget*, int>> expected = {
        {list, 13}, {list, 525}, {list, 5}, {list, 517}};
    EXPECT_EQ(raised, expected);

    alerts->Unalert(list, key::kEnter);
    PressKey(list, Qt::Key_Return);
    EXPECT_EQ(raised.size(), expected.size());
}

TEST_F(AlertKeysTest, WindowKeysCountAnywhereAndF1RaisesF12) {
    alerts->Alert(&window, key::Alt('A'));
    alerts->Alert(&window, key::kF12);
    alerts->MapKey(key::kF1, key::kF12);
    edit->setFocus();

    PressKey(edit, Qt::Key_A, Qt::AltModifier, "a");
    PressKey(list, Qt::Key_F1);
    PressKey(list, Qt::Key_F12);

    const std::vector<std::pair<QWidget*, int>> expected = {
        {&window, 1089}, {&window, 123}, {&window, 123}};
    EXPECT_EQ(raised, expected);
}

TEST_F(AlertKeysTest, AControlsKeyWinsOverTheWindows) {
    alerts->Alert(&window, key::kEnter);
    alerts->Alert(list, key::kEnter);
    PressKey(list, Qt::Key_Return);
    PressKey(edit, Qt::Key_Return);
    const std::vector<std::pair<QWidget*, int>> expected = {{list, 13}, {&window, 13}};
    EXPECT_EQ(raised, expected);
}

}  // namespace
}  // namespace quillon::window
