#include "app/window_position.h"

#include <gtest/gtest.h>

#include "platform/store/ini_file.h"
#include "support/temp_dir.h"

namespace quillon {
namespace {

using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

struct FakeWindow final : PlacedWindow {
    bool maximized = false;
    bool minimized = false;
    bool resizable = true;
    int x = 10, y = 20, width = 200, height = 100;

    bool IsMaximized() const override { return maximized; }
    bool IsMinimized() const override { return minimized; }
    bool IsResizable() const override { return resizable; }
    int X() const override { return x; }
    int Y() const override { return y; }
    int Width() const override { return width; }
    int Height() const override { return height; }
    void SetX(int v) override { x = v; }
    void SetY(int v) override { y = v; }
    void SetWidth(int v) override { width = v; }
    void SetHeight(int v) override { height = v; }
    void Maximize() override {
        maximized = true;
        minimized = false;
    }
    void ShowNormal() override { maximized = minimized = false; }
};

class WindowPositionTest : public ::testing::Test {
protected:
    TempDir dir_;
    IniFile ini_{dir_ / "quillon.INI"};
};

TEST_F(WindowPositionTest, SavingWritesTheKeysThatApplyAndDeletesTheOthers) {
    FakeWindow window;
    SaveWindowPosition(ini_, "AliasWindow", window);
    EXPECT_EQ(ReadFile(ini_.path()),
              "[AliasWindow]\nMaximize=No\nMinimize=No\nXPos=10\nYPos=20\nWidth=200\n"
              "Height=100\n");

    window.maximized = true;
    SaveWindowPosition(ini_, "AliasWindow", window);
    EXPECT_EQ(ReadFile(ini_.path()), "[AliasWindow]\nMaximize=Yes\nMinimize=No\n");

    FakeWindow fixed;
    fixed.resizable = false;
    SaveWindowPosition(ini_, "PreferencesWindow", fixed);
    EXPECT_EQ(ini_.Read("PreferencesWindow", "XPos"), "10");
    EXPECT_EQ(ini_.Read("PreferencesWindow", "Width"), std::nullopt);
    EXPECT_EQ(ini_.Read("AliasWindow", "Maximize"), "Yes") << "other sections are kept";
}

TEST_F(WindowPositionTest, RestoringFollowsTheSavedState) {
    struct Case {
        const char* name;
        std::string section;  // body of [W]
        bool resizable;
        bool startMaximized;
        FakeWindow expected;
    };
    const auto window = [](bool maximized, int x, int y, int width, int height) {
        FakeWindow w;
        w.maximized = maximized;
        w.x = x, w.y = y, w.width = width, w.height = height;
        return w;
    };
    const Case cases[] = {
        {"no section", "", true, false, window(false, 10, 20, 200, 100)},
        {"no Maximize key restores nothing", "XPos=5\nYPos=6\n", true, false,
         window(false, 10, 20, 200, 100)},
        {"invalid Maximize restores nothing", "Maximize=Maybe\nXPos=5\n", true, false,
         window(false, 10, 20, 200, 100)},
        {"normal", "Maximize=No\nMinimize=No\nXPos=5\nYPos=6\nWidth=70\nHeight=80\n", true, false,
         window(false, 5, 6, 70, 80)},
        {"fixed size keeps its size", "Maximize=No\nXPos=5\nYPos=6\nWidth=70\nHeight=80\n", false,
         false, window(false, 5, 6, 200, 100)},
        {"missing coordinate keeps the default", "Maximize=No\nYPos=6\n", true, false,
         window(false, 10, 6, 200, 100)},
        {"garbage coordinate counts as missing", "Maximize=No\nXPos=abc\nYPos=6\n", true, false,
         window(false, 10, 6, 200, 100)},
        {"maximized", "Maximize=Yes\nMinimize=No\n", true, false, window(true, 10, 20, 200, 100)},
        {"No restores a maximized window", "Maximize=No\nXPos=5\n", true, true,
         window(false, 5, 20, 200, 100)},
        {"never reopened minimized", "Maximize=No\nMinimize=Yes\nXPos=5\n", true, false,
         window(false, 5, 20, 200, 100)},
    };
    for (const Case& c : cases) {
        WriteFile(ini_.path(), c.section.empty() ? "" : "[W]\n" + c.section);
        FakeWindow w;
        w.resizable = c.resizable;
        w.maximized = c.startMaximized;
        RestoreWindowPosition(ini_, "w", w);
        EXPECT_EQ(w.maximized, c.expected.maximized) << c.name;
        EXPECT_FALSE(w.minimized) << c.name;
        EXPECT_EQ((std::array{w.x, w.y, w.width, w.height}),
                  (std::array{c.expected.x, c.expected.y, c.expected.width, c.expected.height}))
            << c.name;
    }
}

TEST_F(WindowPositionTest, ClampingMovesNegativeCoordinatesToOneUnlessAllowedOrMaximized) {
    struct Case {
        int x, y;
        bool maximized, allowed;
        int expectedX, expectedY;
    };
    const Case cases[] = {
        {-5, 7, false, false, 1, 7}, {7, -5, false, false, 7, 1},   {-5, -5, false, false, 1, 1},
        {0, 0, false, false, 0, 0},  {-5, -5, false, true, -5, -5}, {-5, -5, true, false, -5, -5},
    };
    for (const Case& c : cases) {
        FakeWindow w;
        w.x = c.x, w.y = c.y, w.maximized = c.maximized;
        ClampWindowPosition(w, c.allowed);
        EXPECT_EQ(w.x, c.expectedX);
        EXPECT_EQ(w.y, c.expectedY);
    }
}

TEST_F(WindowPositionTest, IniNamesMatchWithoutRegardToLetterCaseAndOtherLinesSurvive) {
    WriteFile(ini_.path(), "; kept\n[logonwindow]\nmaximize = No\n\n[Other]\nA=1\n");
    EXPECT_EQ(ini_.Read("LogonWindow", "Maximize"), "No");
    EXPECT_TRUE(ini_.Write("LOGONWINDOW", "XPos", "3"));
    EXPECT_TRUE(ini_.Write("LogonWindow", "MAXIMIZE", "Yes"));
    EXPECT_TRUE(ini_.Delete("Other", "a"));
    EXPECT_TRUE(ini_.Delete("Nowhere", "a"));
    EXPECT_EQ(ReadFile(ini_.path()), "; kept\n[logonwindow]\nMAXIMIZE=Yes\nXPos=3\n\n[Other]\n");
    EXPECT_FALSE(ini_.Write("W", "K", "two\nlines"));
}

}  // namespace
}  // namespace quillon
