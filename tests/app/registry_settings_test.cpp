#include "app/registry_settings.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

#include "app/settings_records.h"
#include "platform/store/settings_file_store.h"
#include "support/temp_dir.h"

namespace quillon {
namespace {

using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

constexpr std::string_view kKeyPath = "SOFTWARE\\Brackwell\\Quillon";

// A record with one field of each type, and one without a label.
struct SampleRecord {
    std::uint8_t flag = 0;
    std::int32_t number = 0;
    std::uint32_t unsignedNumber = 0;
    std::string text;
    std::int32_t unlabelled = 0;

    static SettingsTable<SampleRecord> Fields() {
        using R = SampleRecord;
        static constexpr std::array<SettingsField<R>, 5> kFields = {
            ByteField("S:FLAG", &R::flag),
            LongField("S:NUMBER", &R::number),
            ULongField("S:UNSIGNED", &R::unsignedNumber),
            StringField("S:TEXT", 20, &R::text),
            LongField("", &R::unlabelled),
        };
        return kFields;
    }
};

class RegistrySettingsTest : public ::testing::Test {
protected:
    std::filesystem::path File() const { return dir_ / "Brackwell/Quillon.conf"; }

    TempDir dir_;
    SettingsFileStore store_{dir_.path()};
    RegistrySettings settings_{store_};
};

TEST_F(RegistrySettingsTest, ReadingAMissingKeyGivesBlanksAndCreatesNothing) {
    SampleRecord record{1, 2, 3, "old", 4};
    settings_.ReadGroup(record, kKeyPath);
    EXPECT_EQ(record.flag, 0);
    EXPECT_EQ(record.number, 0);
    EXPECT_EQ(record.unsignedNumber, 0u);
    EXPECT_EQ(record.text, "");
    EXPECT_EQ(record.unlabelled, 4) << "a field without a label is left alone";
    EXPECT_EQ(settings_.ReadValue("S:TEXT", kKeyPath), "");
    EXPECT_FALSE(std::filesystem::exists(dir_ / "Brackwell"));
}

TEST_F(RegistrySettingsTest, FirstWriteCreatesTheFileAndValuesRoundTrip) {
    const SampleRecord written{1, 90, 4000000000u, "AS   ", 7};
    EXPECT_TRUE(settings_.WriteGroup(written, kKeyPath))
        << "the unlabelled field counts as skipped";
    EXPECT_EQ(ReadFile(File()), "S:FLAG=1\nS:NUMBER=90\nS:UNSIGNED=4000000000\nS:TEXT=AS\n");

    SampleRecord read;
    settings_.ReadGroup(read, kKeyPath);
    EXPECT_EQ(read.flag, 1);
    EXPECT_EQ(read.number, 90);
    EXPECT_EQ(read.unsignedNumber, 4000000000u);
    EXPECT_EQ(read.text, "AS");
}

TEST_F(RegistrySettingsTest, NamesMatchWithoutRegardToLetterCaseAndTheFirstMatchWins) {
    WriteFile(File(), "prefer:ontop=7\nPREFER:ONTOP=8\n");
    EXPECT_EQ(settings_.ReadValue("PREFER:ONTOP", kKeyPath), "7");
    EXPECT_EQ(settings_.ReadValue("Prefer:OnTop  ", kKeyPath), "7");

    EXPECT_FALSE(settings_.WriteValue("PREFER:ONTOP", kKeyPath, "1"));
    EXPECT_EQ(ReadFile(File()), "prefer:ontop=1\nPREFER:ONTOP=8\n")
        << "written in place, keeping the stored name's letter case";
}

TEST_F(RegistrySettingsTest, AValueTooLongForTheStoreMakesLaterReadsEmpty) {
    const std::string longText(RegistrySettings::kMaxTextLength + 1, 'x');
    const std::string longName(RegistrySettings::kMaxNameLength + 1, 'n');
    WriteFile(File(), "A=1\nB=" + longText + "\nC=3\n" + longName + "=4\nD=5\n");
    EXPECT_EQ(settings_.ReadValue("A", kKeyPath), "1") << "found before the long value";
    EXPECT_EQ(settings_.ReadValue("B", kKeyPath), "");
    EXPECT_EQ(settings_.ReadValue("C", kKeyPath), "") << "the enumeration stopped in an error";
    EXPECT_EQ(settings_.ReadValue("D", kKeyPath), "");
}

TEST_F(RegistrySettingsTest, TextsAreConvertedToFieldsAsAnAssignmentWould) {
    struct Case {
        std::string stored;
        std::uint8_t flag;
        std::int32_t number;
        std::uint32_t unsignedNumber;
    };
    const Case cases[] = {
        {"", 0, 0, 0},          {"abc", 0, 0, 0},
        {"90", 90, 90, 90},     {" -1", 255, -1, 4294967295u},
        {"300x", 44, 300, 300}, {"4294967295", 255, -1, 4294967295u},
    };
    for (const Case& c : cases) {
        WriteFile(File(), "S:FLAG=" + c.stored + "\nS:NUMBER=" + c.stored +
                              "\nS:UNSIGNED=" + c.stored + "\n");
        SampleRecord record;
        settings_.ReadGroup(record, kKeyPath);
        EXPECT_EQ(record.flag, c.flag) << c.stored;
        EXPECT_EQ(record.number, c.number) << c.stored;
        EXPECT_EQ(record.unsignedNumber, c.unsignedNumber) << c.stored;
    }
}

TEST_F(RegistrySettingsTest, StringFieldsAreCutToTheirLengthInCharacters) {
    WriteFile(File(), "S:TEXT=ÄÖÜabcdefghijklmnopqrstuvwxyz\n");
    SampleRecord record;
    settings_.ReadGroup(record, kKeyPath);
    EXPECT_EQ(record.text, "ÄÖÜabcdefghijklmnopq");
}

TEST_F(RegistrySettingsTest, TextsWithLineBreaksAndBackslashesSurviveTheFile) {
    const std::string text = "a\\b\nc\rd=e\\n";
    EXPECT_FALSE(settings_.WriteValue("LTC_CURRENT", kKeyPath, text));
    EXPECT_FALSE(settings_.WriteValue("OTHER", kKeyPath, "x"));
    EXPECT_EQ(settings_.ReadValue("LTC_CURRENT", kKeyPath), text);
    EXPECT_EQ(ReadFile(File()), "LTC_CURRENT=a\\\\b\\nc\\rd=e\\\\n\nOTHER=x\n");
}

TEST_F(RegistrySettingsTest, LinesWithoutEqualsAreIgnoredAndKept) {
    WriteFile(File(), "# a comment\nA=1\r\n\nB=2");
    EXPECT_EQ(settings_.ReadValue("A", kKeyPath), "1");
    EXPECT_FALSE(settings_.WriteValue("b", kKeyPath, "3"));
    EXPECT_FALSE(settings_.WriteValue("C", kKeyPath, "4"));
    EXPECT_EQ(ReadFile(File()), "# a comment\nA=1\n\nB=3\nC=4\n");
}

TEST_F(RegistrySettingsTest, WritesThatCannotBeStoredReportFailure) {
    EXPECT_TRUE(settings_.WriteValue("NAME=WITH EQUALS", kKeyPath, "1"));
    EXPECT_TRUE(settings_.WriteValue("A", "SOFTWARE\\..\\Quillon", "1"));
    EXPECT_TRUE(settings_.WriteValue("A", "NOPATH", "1"));
    WriteFile(dir_ / "Brackwell", "a file where the folder should be");
    EXPECT_TRUE(settings_.WriteValue("A", kKeyPath, "1"));
}

// A write that dies halfway (the file-size limit cuts it off) leaves the old file as it was.
TEST_F(RegistrySettingsTest, AWriteThatFailsMidwayLeavesTheOldFile) {
    ASSERT_FALSE(settings_.WriteValue("LTC_CURRENT", kKeyPath, "old layout"));
    const std::string before = ReadFile(File());

    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{64, 64};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        const bool failed = settings_.WriteValue("LTC_CURRENT", kKeyPath, std::string(4000, 'n'));
        ::_exit(failed ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the failed write was reported";
    EXPECT_EQ(ReadFile(File()), before);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_ / "Brackwell"),
                            std::filesystem::directory_iterator()),
              1)
        << "no temporary file is left behind";
}

TEST(SettingsFileStore, KeyPathsSelectAFileBelowTheConfigFolder) {
    const SettingsFileStore store("/cfg");
    EXPECT_EQ(store.FileFor("SOFTWARE\\Brackwell\\Quillon  "), "/cfg/Brackwell/Quillon.conf");
    EXPECT_EQ(store.FileFor("SOFTWARE\\Quillon"), "/cfg/Quillon.conf");
    EXPECT_EQ(store.FileFor("SOFTWARE"), std::nullopt);
    EXPECT_EQ(store.FileFor("SOFTWARE\\\\Quillon"), std::nullopt);
    EXPECT_EQ(store.FileFor("SOFTWARE\\a/b\\Quillon"), std::nullopt);
}

TEST(SettingsFileStore, XdgConfigHomeMovesTheStore) {
    ::setenv("XDG_CONFIG_HOME", "/tmp/elsewhere", 1);
    EXPECT_EQ(SettingsFileStore::DefaultConfigRoot(), "/tmp/elsewhere");
}

class PreferencesTest : public RegistrySettingsTest {};

TEST_F(PreferencesTest, DefaultsApplyUntilThePreferencesWereSavedAndAreNotWrittenBack) {
    const PreferRecord defaults = LoadPreferences(settings_, kKeyPath);
    EXPECT_EQ(defaults, (PreferRecord{1, 16774388, 0, "AS", "MS Sans Serif", 8}));
    EXPECT_FALSE(std::filesystem::exists(File()));

    // A saved record keeps even "no colour" and blank values.
    settings_.WriteGroup(PreferRecord{0, -1, 1, "", "DejaVu Sans", 0}, kKeyPath);
    EXPECT_EQ(LoadPreferences(settings_, kKeyPath), (PreferRecord{0, -1, 1, "", "DejaVu Sans", 0}));
}

TEST_F(PreferencesTest, RecordsSharingLabelsShareValues) {
    settings_.WriteGroup(LogonRecord{"SRV1", "Sales", "sa", 1, 0}, kKeyPath);
    LogonCaptionRecord caption;
    settings_.ReadGroup(caption, kKeyPath);
    EXPECT_EQ(caption.SERVER, "SRV1");
    EXPECT_EQ(caption.DATABASE, "Sales");
    EXPECT_EQ(ReadFile(File()).find("PWD"), std::string::npos);
}

}  // namespace
}  // namespace quillon
