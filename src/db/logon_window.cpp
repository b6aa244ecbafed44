#include "db/logon_window.h"

#include "db/connection_string.h"
#include "db/database_connection.h"
#include "platform/core/text.h"

namespace quillon {

LogonWindowLogic::LogonWindowLogic(RegistrySettings& settings, std::string_view keyPath,
                                   std::string& connectionString, DBConnectionsFile& connections,
                                   MessageBox& messages, DatabaseClient& client)
    : settings_(settings),
      keyPath_(keyPath),
      connectionString_(connectionString),
      connections_(connections),
      messages_(messages),
      client_(client) {}

LogonWindowLogic::~LogonWindowLogic() {
    if (connectionsOpened_) {
        connections_.Close();
    }
}

void LogonWindowLogic::Open() {
    settings_.ReadGroup(logon, keyPath_);
    password.clear();
    statusInfo.clear();
    if (!connectionsOpened_) {
        connectionsOpened_ = connections_.Open();
    }
}

std::string_view LogonWindowLogic::InitialFocus() const {
    const auto filled = [](const std::string& entry) { return !TrimTrailingBlanks(entry).empty(); };
    if (logon.USETRUSTEDCONNECTION != 0 || !filled(logon.SERVER)) {
        return "?LOGON:SERVER";
    }
    if (!filled(logon.DATABASE)) {
        return "?LOGON:DATABASE";
    }
    if (!filled(logon.USERNAME)) {
        return "?LOGON:USERNAME";
    }
    return "?LOGON:PASSWORD";
}

bool LogonWindowLogic::Ok(LogonView& view) {
    settings_.WriteGroup(logon, keyPath_);  // before anything is tried; failures are ignored

    view.SetWaitCursor(true);
    statusInfo = kConnectingStatus;
    view.ShowStatus(statusInfo);

    connectionString_ = BuildConnectionString(logon.SERVER, logon.DATABASE, logon.USERNAME,
                                              password, logon.USETRUSTEDCONNECTION == 1);
    bool proved = false;
    if (client_.Initialised()) {
        proved = TestConnection(client_, connectionString_);
        if (!proved) {
            messages_.Show(kConnectCaption, kConnectFailedText);
        }
    }

    statusInfo.clear();
    view.ShowStatus(statusInfo);
    view.SetWaitCursor(false);

    if (!proved) {
        return false;
    }
    if (logon.SAVECONNECTION == 1) {
        StoreSavedConnection();
    }
    return true;
}

void LogonWindowLogic::StoreSavedConnection() {
    // Letter case does not matter in the key: the names keep the case of their first save.
    auto& record = connections_.buffer;
    connections_.ClearKey(ConnectionKey::KeyUnique);
    record.SERVER = TrimTrailingBlanks(logon.SERVER);
    record.DATABASE = TrimTrailingBlanks(logon.DATABASE);
    record.USERNAME = TrimTrailingBlanks(logon.USERNAME);
    if (connections_.Fetch(ConnectionKey::KeyUnique)) {
        record.PWD = TrimTrailingBlanks(password);
        record.FLAGTRUSTEDCONN = logon.USETRUSTEDCONNECTION;
        connections_.Update(Report::No);  // a failure is not reported
        return;
    }
    connections_.ClearRecord();
    record.SERVER = TrimTrailingBlanks(logon.SERVER);
    record.DATABASE = TrimTrailingBlanks(logon.DATABASE);
    record.USERNAME = TrimTrailingBlanks(logon.USERNAME);
    record.PWD = TrimTrailingBlanks(password);
    record.FLAGTRUSTEDCONN = logon.USETRUSTEDCONNECTION;
    connections_.Insert(Report::No);
}

void LogonWindowLogic::Pick(const ConnectionRecord& picked) {
    logon.SERVER = picked.SERVER;
    logon.DATABASE = picked.DATABASE;
    logon.USERNAME = picked.USERNAME;
    logon.USETRUSTEDCONNECTION = picked.FLAGTRUSTEDCONN;
    password = picked.PWD;
}

}  // namespace quillon
