#pragma once

#include <array>
#include <string>
#include <string_view>

#include "app/data_files.h"
#include "app/registry_settings.h"
#include "app/settings_records.h"
#include "db/client.h"
#include "platform/core/message_box.h"

namespace quillon {

inline constexpr std::string_view kLogonWindowCaption = "Connect to MS SQL Server";
inline constexpr std::string_view kLogonWindowSection = "LogonWindow";  // INI section
inline constexpr std::string_view kConnectingStatus = "Connecting ...";

// The controls that the trusted-connection box disables and enables.
inline constexpr std::array<std::string_view, 4> kCredentialControls = {
    "?LOGON:USERNAME", "?LOGON:PASSWORD", "?STRING1", "?STRING2"};

// What the connect window shows while OK works.
class LogonView {
public:
    virtual ~LogonView() = default;
    virtual void ShowStatus(std::string_view text) = 0;  // LOC:STATUSINFO, displayed at once
    virtual void SetWaitCursor(bool on) = 0;
};

// The connect window without the window: the values its entries are bound to, and what its
// opening, its check box, its OK button and the pick of a saved connection do. The dialog only
// displays this and calls it.
class LogonWindowLogic {
public:
    // Everything is taken by reference and must outlive this object. `connectionString` is the
    // program's GLO_CONNECTIONSTRING.
    LogonWindowLogic(RegistrySettings& settings, std::string_view keyPath,
                     std::string& connectionString, DBConnectionsFile& connections,
                     MessageBox& messages, DatabaseClient& client);
    LogonWindowLogic(const LogonWindowLogic&) = delete;
    LogonWindowLogic& operator=(const LogonWindowLogic&) = delete;
    ~LogonWindowLogic();  // closes the saved connections file if Open opened it

    // The window opens: reads the last logon from the settings (missing values are blank or 0),
    // blanks the password and opens the saved connections file.
    void Open();

    // The control that gets the focus first: with trusted connection off, the first entry after
    // the filled ones (server, database, user name, password); otherwise "?LOGON:SERVER".
    std::string_view InitialFocus() const;

    // False while trusted connection is on: the user name, the password and their prompts are
    // disabled (their contents stay).
    bool CredentialsEnabled() const { return logon.USETRUSTEDCONNECTION != 1; }

    // OK: writes the logon to the settings first, then proves the connection string built from
    // the entries by opening and closing it. On success it stores the saved connection when "save
    // connection" is on and returns true (the window closes with result 1). On failure the user
    // is told, every entry stays as it was and false is returned (the window stays open).
    bool Ok(LogonView& view);

    // A saved connection was picked: its values replace the entries (nothing connects yet).
    void Pick(const ConnectionRecord& picked);

    LogonRecord logon;       // the entries and the two boxes
    std::string password;    // ?LOGON:PASSWORD; never written to the settings
    std::string statusInfo;  // LOC:STATUSINFO

private:
    void StoreSavedConnection();

    RegistrySettings& settings_;
    std::string keyPath_;
    std::string& connectionString_;
    DBConnectionsFile& connections_;
    MessageBox& messages_;
    DatabaseClient& client_;
    bool connectionsOpened_ = false;
};

}  // namespace quillon
