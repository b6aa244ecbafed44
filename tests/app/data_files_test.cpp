#include "app/data_files.h"

#include <gtest/gtest.h>

#include "platform/core/message_box.h"
#include "support/temp_dir.h"

namespace quillon {
namespace {

using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

constexpr const char* kOwner = "Tq7#pL2x!Vm9@Kd";

class DataFilesTest : public ::testing::Test {
protected:
    std::filesystem::path Conns() const { return dir_ / "conns.db"; }

    std::int32_t SaveConnection(DBConnectionsFile& file, const ConnectionRecord& record) {
        file.ClearRecord();
        file.buffer = record;
        EXPECT_EQ(file.Insert(Report::No), StoreStatus::Ok);
        return file.buffer.RECORDID;
    }

    TempDir dir_;
    RecordingMessageBox reporter_;
    DataFiles files_{dir_.path(), kOwner, reporter_};
};

TEST_F(DataFilesTest, RecordNumbersFollowTheHighestNumberPresent) {
    auto& conns = files_.DBConnections;
    EXPECT_FALSE(std::filesystem::exists(Conns())) << "no file before it is opened";
    ASSERT_TRUE(conns.Open());
    EXPECT_EQ(SaveConnection(conns, {0, "srv", "db", "a", "p", 0}), 1);
    EXPECT_TRUE(std::filesystem::exists(Conns()));
    EXPECT_EQ(SaveConnection(conns, {0, "srv", "db", "b", "p", 0}), 2);

    conns.buffer.RECORDID = 1;
    ASSERT_TRUE(conns.Fetch(ConnectionKey::KeyPrimary));
    ASSERT_EQ(conns.Delete(), StoreStatus::Ok);
    EXPECT_EQ(SaveConnection(conns, {0, "srv", "db", "c", "p", 0}), 3);

    for (const std::int32_t number : {2, 3}) {
        conns.buffer.RECORDID = number;
        ASSERT_TRUE(conns.Fetch(ConnectionKey::KeyPrimary));
        ASSERT_EQ(conns.Delete(), StoreStatus::Ok);
    }
    EXPECT_EQ(SaveConnection(conns, {0, "srv", "db", "d", "p", 0}), 1);
    EXPECT_TRUE(reporter_.messages.empty());
}

TEST_F(DataFilesTest, UniqueKeyIgnoresLetterCaseAndUpdatesKeepTheFirstSpelling) {
    auto& conns = files_.DBConnections;
    ASSERT_TRUE(conns.Open());
    SaveConnection(conns, {0, "Srv1", "Sales", "sa", "old", 0});

    conns.ClearKey(ConnectionKey::KeyUnique);
    conns.buffer.SERVER = "SRV1";
    conns.buffer.DATABASE = "SALES";
    conns.buffer.USERNAME = "SA";
    ASSERT_TRUE(conns.Fetch(ConnectionKey::KeyUnique));
    conns.buffer.PWD = "new";
    conns.buffer.FLAGTRUSTEDCONN = 1;
    ASSERT_EQ(conns.Update(Report::No), StoreStatus::Ok);

    const auto all = conns.Browse(ConnectionKey::KeyUnique);
    ASSERT_EQ(all.size(), 1u);
    EXPECT_EQ(all[0], (ConnectionRecord{1, "Srv1", "Sales", "sa", "new", 1}));

    // A second record with the same names is refused; only the reporting form tells the user.
    conns.buffer = {0, "srv1", "sales", "SA", "x", 0};
    EXPECT_EQ(conns.Insert(Report::No), StoreStatus::DuplicateKey);
    EXPECT_TRUE(reporter_.messages.empty());
    EXPECT_EQ(conns.Insert(Report::Yes), StoreStatus::DuplicateKey);
    ASSERT_EQ(reporter_.messages.size(), 1u);
    EXPECT_NE(reporter_.messages[0].text.find("conns.db"), std::string::npos);
}

TEST_F(DataFilesTest, BrowsingFollowsTheKeyWithoutRegardToLetterCase) {
    auto& conns = files_.DBConnections;
    ASSERT_TRUE(conns.Open());
    SaveConnection(conns, {0, "b", "db", "u", "", 0});
    SaveConnection(conns, {0, "A", "db", "z", "", 0});
    SaveConnection(conns, {0, "a", "db", "y", "", 0});
    std::vector<std::string> order;
    for (const auto& record : conns.Browse(ConnectionKey::KeyUnique)) {
        order.push_back(record.SERVER + "/" + record.USERNAME);
    }
    EXPECT_EQ(order, (std::vector<std::string>{"a/y", "A/z", "b/u"}));
}

TEST_F(DataFilesTest, PasswordsAppearNowhereInTheEncryptedFile) {
    auto& conns = files_.DBConnections;
    ASSERT_TRUE(conns.Open());
    SaveConnection(conns, {0, "VisibleServerName", "db", "user", "S3cretPassw0rd;", 0});
    conns.Close();
    const std::string bytes = ReadFile(Conns());
    ASSERT_FALSE(bytes.empty());
    EXPECT_EQ(bytes.find("S3cretPassw0rd"), std::string::npos);
    EXPECT_EQ(bytes.find("VisibleServerName"), std::string::npos);
    EXPECT_NE(bytes.rfind("SQLite format 3", 0), 0u) << "not a plain SQLite file";

    ASSERT_TRUE(conns.Open());
    conns.buffer.RECORDID = 1;
    ASSERT_TRUE(conns.Fetch(ConnectionKey::KeyPrimary));
    EXPECT_EQ(conns.buffer.PWD, "S3cretPassw0rd;");
}

TEST_F(DataFilesTest, AFileThatCannotBeOpenedIsReportedAndLeftAsItWas) {
    {
        DataFiles writer(dir_.path(), kOwner, reporter_);
        ASSERT_TRUE(writer.DBConnections.Open());
        SaveConnection(writer.DBConnections, {0, "s", "d", "u", "p", 0});
    }
    WriteFile(dir_ / "tAliases.db", "this is not a database, just some text\n");
    const std::string connsBefore = ReadFile(Conns());
    const std::string aliasesBefore = ReadFile(dir_ / "tAliases.db");

    DataFiles other(dir_.path(), "AnotherPassword", reporter_);
    EXPECT_FALSE(other.DBConnections.Open());
    EXPECT_FALSE(other.DBConnections.IsOpen());
    EXPECT_FALSE(other.TablesAliases.Open());
    ASSERT_EQ(reporter_.messages.size(), 2u);
    EXPECT_NE(reporter_.messages[0].text.find("conns.db"), std::string::npos);
    EXPECT_NE(reporter_.messages[0].text.find("not a database"), std::string::npos)
        << reporter_.messages[0].text;
    EXPECT_NE(reporter_.messages[1].text.find("tAliases.db"), std::string::npos);

    EXPECT_EQ(ReadFile(Conns()), connsBefore);
    EXPECT_EQ(ReadFile(dir_ / "tAliases.db"), aliasesBefore);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_.path()),
                            std::filesystem::directory_iterator()),
              2)
        << "no journal or other file was created";
}

TEST_F(DataFilesTest, AFolderThatCannotHoldTheFileIsReportedAndNothingIsCreated) {
    WriteFile(dir_ / "notafolder", "");
    DataFiles files(dir_ / "notafolder", kOwner, reporter_);
    EXPECT_FALSE(files.TablesAliases.Open());
    EXPECT_EQ(reporter_.messages.size(), 1u);
    EXPECT_FALSE(files.TablesAliases.Fetch(AliasKey::KeyPrimary));
    EXPECT_EQ(files.TablesAliases.Insert(Report::No), StoreStatus::NotOpen);
}

TEST_F(DataFilesTest, OpeningIsCounted) {
    auto& aliases = files_.TablesAliases;
    ASSERT_TRUE(aliases.Open());
    ASSERT_TRUE(aliases.Open());
    aliases.Close();
    EXPECT_TRUE(aliases.IsOpen()) << "one opener remains";
    aliases.Close();
    EXPECT_FALSE(aliases.IsOpen());
    aliases.Close();  // one close too many is harmless
    EXPECT_TRUE(aliases.Open());
}

TEST_F(DataFilesTest, AliasesAreFoundByObjectIdAndTheFirstTwentyCharacters) {
    auto& aliases = files_.TablesAliases;
    ASSERT_TRUE(aliases.Open());
    const std::string longName = "CustomerAddressHistoryArchive";  // 29 characters
    const std::string sibling = "CustomerAddressHistoryCurrent";   // same first 20
    const auto setAlias = [&](std::int32_t objectId, const std::string& name,
                              const std::string& alias) {
        aliases.ClearRecord();
        aliases.buffer = {0, objectId, "Orders", "dbo", name, alias};
        ASSERT_EQ(aliases.Insert(Report::Yes), StoreStatus::Ok);
    };
    const auto findAlias = [&](std::int32_t objectId, const std::string& catalog,
                               const std::string& name) -> std::optional<std::string> {
        aliases.ClearKey(AliasKey::KeyFind);
        aliases.buffer.OBJECTID = objectId;
        aliases.buffer.CATALOG = catalog;
        aliases.buffer.SCHEMA = "DBO";
        aliases.buffer.TABLENAME = name;
        if (!aliases.Fetch(AliasKey::KeyFind)) {
            return std::nullopt;
        }
        return aliases.buffer.ALIASNAME;
    };
    setAlias(101, longName, "cah");
    setAlias(102, sibling, "cac");

    EXPECT_EQ(findAlias(101, "orders", longName), "cah");
    EXPECT_EQ(findAlias(102, "ORDERS", sibling), "cac");
    EXPECT_EQ(aliases.buffer.TABLENAME, "CustomerAddressHisto");
    EXPECT_EQ(findAlias(103, "Orders", longName), std::nullopt) << "a recreated table";
    EXPECT_EQ(findAlias(101, "Other", longName), std::nullopt);

    // Duplicates are allowed; the first in key order counts.
    setAlias(101, longName, "second");
    EXPECT_EQ(findAlias(101, "Orders", longName), "cah");
    EXPECT_EQ(ReadFile(dir_ / "tAliases.db").rfind("SQLite format 3", 0), 0u)
        << "the aliases file is kept in the clear";
}

TEST_F(DataFilesTest, UpdateAndDeleteNeedAFetchedRecord) {
    auto& conns = files_.DBConnections;
    ASSERT_TRUE(conns.Open());
    EXPECT_EQ(conns.Update(Report::No), StoreStatus::NoCurrentRecord);
    EXPECT_EQ(conns.Delete(), StoreStatus::NoCurrentRecord);
    conns.buffer.RECORDID = 42;
    EXPECT_FALSE(conns.Fetch(ConnectionKey::KeyPrimary));
    EXPECT_EQ(conns.buffer.RECORDID, 42) << "a failed fetch leaves the buffer";
}

}  // namespace
}  // namespace quillon
