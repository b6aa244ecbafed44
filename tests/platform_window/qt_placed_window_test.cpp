#include "platform/window/qt_placed_window.h"

#include <gtest/gtest.h>

#include <QWidget>

#include "app/window_position.h"
#include "platform/store/ini_file.h"
#include "platform/window/dialog_units.h"
#include "support/temp_dir.h"

namespace quillon::window {
namespace {

// A dialog's place survives closing and opening again through the INI file, in dialog units.
TEST(QtPlacedWindow, PositionAndSizeRoundTripThroughTheIniFile) {
    testing::TempDir dir;
    IniFile ini(dir / "quillon.INI");
    const DialogUnits units{QFont()};

    QWidget first;
    first.move(units.ToPixelsX(30), units.ToPixelsY(40));
    first.resize(units.ToPixelsX(200), units.ToPixelsY(100));
    SaveWindowPosition(ini, kSectionAliasWindow, QtPlacedWindow(first));
    EXPECT_EQ(ini.Read(kSectionAliasWindow, "XPos"), "30");
    EXPECT_EQ(ini.Read(kSectionAliasWindow, "Width"), "200");

    QWidget second;
    QtPlacedWindow placed(second);
    RestoreWindowPosition(ini, kSectionAliasWindow, placed);
    EXPECT_EQ(second.pos(), first.pos());
    EXPECT_EQ(second.size(), first.size());

    QWidget fixed;
    fixed.setFixedSize(120, 80);
    QtPlacedWindow fixedPlaced(fixed);
    EXPECT_FALSE(fixedPlaced.IsResizable());
    RestoreWindowPosition(ini, kSectionAliasWindow, fixedPlaced);
    EXPECT_EQ(fixed.size(), QSize(120, 80));
    EXPECT_EQ(fixed.pos(), first.pos());
}

TEST(QtPlacedWindow, ClampingMovesAWindowBackOnScreen) {
    QWidget window;
    const DialogUnits units{window.font()};
    window.move(-50, 20);
    QtPlacedWindow placed(window);
    ClampWindowPosition(placed, false);
    EXPECT_EQ(window.pos(), QPoint(units.ToPixelsX(1), 20));
}

}  // namespace
}  // namespace quillon::window
