// The connect window's logic on the real settings file and the real saved connections file, with
// a fake server answering the test connection.
#include "db/logon_window.h"

#include <gtest/gtest.h>

#include "app/globals.h"
#include "fake_client.h"
#include "platform/store/settings_file_store.h"
#include "support/temp_dir.h"

namespace quillon {
namespace {

using testing::FakeClient;
using testing::FakeServer;
using testing::TempDir;

constexpr std::string_view kKeyPath = "SOFTWARE\\Brackwell\\Quillon";

class RecordingView final : public LogonView {
public:
    void ShowStatus(std::string_view text) override { shown.emplace_back(text); }
    void SetWaitCursor(bool on) override { cursor.push_back(on); }
    std::vector<std::string> shown;
    std::vector<bool> cursor;
};

class LogonWindowTest : public ::testing::Test {
protected:
    // A fresh window over the same settings and files, as when the user opens it again.
    std::unique_ptr<LogonWindowLogic> NewWindow() {
        auto window = std::make_unique<LogonWindowLogic>(settings_, kKeyPath, connectionString_,
                                                         files_.DBConnections, messages_, client_);
        window->Open();
        return window;
    }

    std::vector<ConnectionRecord> Saved() {
        auto& file = files_.DBConnections;
        file.Open();
        auto records = file.Browse(ConnectionKey::KeyUnique);
        file.Close();
        return records;
    }

    TempDir dir_;
    SettingsFileStore store_{dir_.path() / "config"};
    RegistrySettings settings_{store_};
    RecordingMessageBox messages_;
    DataFiles files_{dir_.path(), std::string(kFileOwnerPassword), messages_};
    FakeServer server_;
    FakeClient client_{server_};
    std::string connectionString_;
    RecordingView view_;
};

TEST_F(LogonWindowTest, FirstStartShowsEmptyEntriesWithFocusOnTheServer) {
    auto window = NewWindow();
    EXPECT_EQ(window->logon, LogonRecord{});
    EXPECT_EQ(window->password, "");
    EXPECT_TRUE(window->CredentialsEnabled());
    EXPECT_EQ(window->InitialFocus(), "?LOGON:SERVER");
}

TEST_F(LogonWindowTest, FocusGoesToTheFirstEntryAfterTheFilledOnesUnlessTrusted) {
    struct Case {
        LogonRecord logon;
        std::string_view focus;
    } const cases[] = {
        {{"srv", "", "", 0, 0}, "?LOGON:DATABASE"},
        {{"srv", "db", "", 0, 0}, "?LOGON:USERNAME"},
        {{"srv", "db", "sa", 0, 0}, "?LOGON:PASSWORD"},
        {{"", "db", "sa", 0, 0}, "?LOGON:SERVER"},
        {{"srv", "db", "sa", 1, 0}, "?LOGON:SERVER"},
    };
    for (const auto& c : cases) {
        settings_.WriteGroup(c.logon, kKeyPath);
        EXPECT_EQ(NewWindow()->InitialFocus(), c.focus)
            << c.logon.SERVER << "/" << c.logon.DATABASE;
    }
}

TEST_F(LogonWindowTest, OkWritesTheSettingsBeforeConnectingAndNeverThePassword) {
    auto window = NewWindow();
    window->logon = {"srv", "Orders", "sa", 0, 0};
    window->password = "pw-secret";
    LogonRecord atOpen;
    server_.onOpen = [&] { settings_.ReadGroup(atOpen, kKeyPath); };

    ASSERT_TRUE(window->Ok(view_));
    EXPECT_EQ(atOpen, window->logon) << "the settings were not written before the test";
    EXPECT_EQ(server_.opened,
              std::vector<std::string>{
                  "Provider=sqloledb.1;Server=srv;Database=Orders;UID=sa;Pwd=pw-secret;"});
    EXPECT_EQ(server_.closes, 1) << "the test connection is closed again";
    EXPECT_EQ(connectionString_, server_.opened[0]);
    EXPECT_EQ(view_.shown, (std::vector<std::string>{"Connecting ...", ""}));
    EXPECT_EQ(view_.cursor, (std::vector<bool>{true, false}));
    const auto stored = store_.ReadKey(kKeyPath);
    ASSERT_TRUE(stored);
    for (const auto& value : *stored) {
        EXPECT_EQ(value.text.find("pw-secret"), std::string::npos) << value.name;
    }
    EXPECT_TRUE(Saved().empty()) << "save connection was off";
}

TEST_F(LogonWindowTest, FailedTestLeavesTheEntriesAndStoresNoSavedConnection) {
    auto window = NewWindow();
    window->logon = {"srv", "Orders", "sa", 0, 1};
    window->password = "wrong";
    server_.acceptOpen = false;

    EXPECT_FALSE(window->Ok(view_));
    ASSERT_EQ(messages_.messages.size(), 1u);
    EXPECT_EQ(messages_.messages[0].caption, "Connect");
    EXPECT_EQ(messages_.messages[0].text, "Can not connect to server !!!");
    EXPECT_EQ(window->logon, (LogonRecord{"srv", "Orders", "sa", 0, 1}));
    EXPECT_EQ(window->password, "wrong");
    EXPECT_EQ(window->statusInfo, "");
    EXPECT_TRUE(Saved().empty());
    EXPECT_EQ(NewWindow()->logon, window->logon) << "the settings hold the values of the OK press";
    EXPECT_FALSE(connectionString_.empty()) << "the string of the failed try is kept";
}

TEST_F(LogonWindowTest, UninitialisedClientFailsWithoutAMessage) {
    FakeClient uninitialised(server_, false);
    LogonWindowLogic window(settings_, kKeyPath, connectionString_, files_.DBConnections, messages_,
                            uninitialised);
    window.Open();
    window.logon = {"srv", "db", "sa", 0, 0};
    EXPECT_FALSE(window.Ok(view_));
    EXPECT_TRUE(messages_.messages.empty());
    EXPECT_TRUE(server_.opened.empty());
}

TEST_F(LogonWindowTest, SavingTheSameNamesInOtherLetterCaseUpdatesOneRecord) {
    auto first = NewWindow();
    first->logon = {"Srv1", "Orders", "sa", 0, 1};
    first->password = "old";
    ASSERT_TRUE(first->Ok(view_));
    first.reset();  // the window closes, and with it the file

    auto second = NewWindow();
    second->logon = {"SRV1", "ORDERS", "SA", 1, 1};
    second->password = "new";
    ASSERT_TRUE(second->Ok(view_));
    second.reset();

    const auto saved = Saved();
    ASSERT_EQ(saved.size(), 1u);
    EXPECT_EQ(saved[0].SERVER, "Srv1") << "names keep the case of the first save";
    EXPECT_EQ(saved[0].DATABASE, "Orders");
    EXPECT_EQ(saved[0].USERNAME, "sa");
    EXPECT_EQ(saved[0].PWD, "new");
    EXPECT_EQ(saved[0].FLAGTRUSTEDCONN, 1);
}

TEST_F(LogonWindowTest, TrustedConnectionDisablesCredentialsButKeepsTheUserName) {
    auto window = NewWindow();
    window->logon = {"srv", "db", "sa", 1, 0};
    window->password = "pw";
    EXPECT_FALSE(window->CredentialsEnabled());
    ASSERT_TRUE(window->Ok(view_));
    EXPECT_EQ(connectionString_,
              "Provider=sqloledb.1;Server=srv;Database=db;Trusted_connection=YES;");
    EXPECT_EQ(NewWindow()->logon.USERNAME, "sa") << "the typed user name is still written";
}

TEST_F(LogonWindowTest, PickingASavedConnectionFillsTheEntriesWithoutConnecting) {
    auto window = NewWindow();
    window->Pick({7, "srv2", "Sales", "bob", "pw;x", 1});
    EXPECT_EQ(window->logon.SERVER, "srv2");
    EXPECT_EQ(window->logon.DATABASE, "Sales");
    EXPECT_EQ(window->logon.USERNAME, "bob");
    EXPECT_EQ(window->password, "pw;x");
    EXPECT_FALSE(window->CredentialsEnabled()) << "a trusted pick disables the credentials at once";
    EXPECT_TRUE(server_.opened.empty());
}

}  // namespace
}  // namespace quillon
