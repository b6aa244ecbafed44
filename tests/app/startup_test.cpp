#include "app/startup.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "app/window_position.h"
#include "platform/core/message_box.h"
#include "support/temp_dir.h"

namespace quillon {
namespace {

using testing::TempDir;

class StartupTest : public ::testing::Test {
protected:
    StartupTest() { std::filesystem::current_path(elsewhere_.path()); }

    TempDir programFolder_;
    TempDir elsewhere_;
    TempDir config_;
    RecordingMessageBox reporter_;
};

TEST_F(StartupTest, SetsTheGlobalsAndUsesTheProgramsFolderWhateverTheStartingFolder) {
    const StartupEnvironment environment{programFolder_.path(), config_.path(),
                                         [] { return NativeWindow{0x2a00007}; }};
    const auto program = StartProgram(ParseCommandLine({"/negxy"}), environment, reporter_);

    const Globals& globals = program->globals;
    EXPECT_EQ(globals.GLO_REGISTRYKEY, "SOFTWARE\\Brackwell\\Quillon");
    EXPECT_EQ(globals.GLO_PREVIOUSWINDOW, 0x2a00007u);
    EXPECT_EQ(globals.GLO_FILEOWNER.size(), 15u);
    EXPECT_TRUE(std::all_of(globals.GLO_FILEOWNER.begin(), globals.GLO_FILEOWNER.end(),
                            [](char c) { return c > ' ' && c < 127; }));
    EXPECT_TRUE(globals.negativePositionsAllowed);
    EXPECT_EQ(globals.GLO_PREFER, PreferRecord{}) << "blank until the main window loads it";

    ASSERT_TRUE(program->ini.Write("LogonWindow", "Maximize", "No"));
    ASSERT_TRUE(program->dataFiles.TablesAliases.Open());
    ASSERT_TRUE(program->dataFiles.DBConnections.Open());
    for (const char* name : {"quillon.INI", "tAliases.db", "conns.db"}) {
        EXPECT_TRUE(std::filesystem::exists(programFolder_ / name)) << name;
        EXPECT_FALSE(std::filesystem::exists(elsewhere_ / name)) << name;
    }
    program->settings.WriteValue("SPLIT_YPOS", globals.GLO_REGISTRYKEY, "5");
    EXPECT_TRUE(std::filesystem::exists(config_ / "Brackwell/Quillon.conf"));
}

TEST_F(StartupTest, AProgramFolderThatCannotBeEnteredLeavesTheStartingFolder) {
    const StartupEnvironment environment{programFolder_ / "missing", config_.path(), nullptr};
    const auto program = StartProgram(ParseCommandLine({}), environment, reporter_);
    EXPECT_EQ(std::filesystem::current_path(), elsewhere_.path());
    EXPECT_FALSE(program->globals.negativePositionsAllowed);
    EXPECT_TRUE(reporter_.messages.empty());
}

}  // namespace
}  // namespace quillon
