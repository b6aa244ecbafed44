#pragma once

// Every record and single value the program keeps in the per-user settings store.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "app/settings_record.h"

namespace quillon {

class RegistrySettings;

// The preferences, as the preferences window saves them and the main window applies them.
struct PreferRecord {
    std::uint8_t ONTOP = 0;
    std::int32_t ACTIVELISTCOLOR = 0;  // 0x00BBGGRR; -1 = no colour
    std::uint8_t FLAGSET = 0;          // 1 once saved from the preferences window
    std::string ASCLAUSE;              // STRING(20)
    std::string FONTNAME;              // STRING(50)
    std::int32_t FONTSIZE = 0;

    static SettingsTable<PreferRecord> Fields();
    bool operator==(const PreferRecord&) const = default;
};

// What stands in a preference while the record has never been saved.
inline constexpr std::uint8_t kDefaultOnTop = 1;
inline constexpr std::int32_t kDefaultActiveListColor = 16774388;  // 0xFFF4F4
inline constexpr std::string_view kDefaultAsClause = "AS";
inline constexpr std::string_view kDefaultFontName = "MS Sans Serif";
inline constexpr std::int32_t kDefaultFontSize = 8;

// The stored preferences, with the defaults in place while FLAGSET is 0. The defaults are never
// written back: once saved, even 0 or blank values are taken as they are.
PreferRecord LoadPreferences(const RegistrySettings& settings, std::string_view keyPath);

// The last logon, as the connect window keeps it. The password is never part of it.
struct LogonRecord {
    std::string SERVER;    // STRING(255)
    std::string DATABASE;  // STRING(255)
    std::string USERNAME;  // STRING(255)
    std::uint8_t USETRUSTEDCONNECTION = 0;
    std::uint8_t SAVECONNECTION = 0;

    static SettingsTable<LogonRecord> Fields();
    bool operator==(const LogonRecord&) const = default;
};

// The part of the last logon that the main window shows in its caption; shares its values with
// LogonRecord.
struct LogonCaptionRecord {
    std::string SERVER;
    std::string DATABASE;

    static SettingsTable<LogonCaptionRecord> Fields();
};

// The main window's rectangle in screen pixels.
struct MainRecord {
    std::uint32_t XPOS = 0;
    std::uint32_t YPOS = 0;
    std::uint32_t WIDTH = 0;
    std::uint32_t HEIGHT = 0;

    static SettingsTable<MainRecord> Fields();
};

// Single values.
inline constexpr std::string_view kValueLtcOrig = "LTC_ORIG";        // column layout as first shown
inline constexpr std::string_view kValueLtcCurrent = "LTC_CURRENT";  // column layout at last close
inline constexpr std::string_view kValueSavedHeight = "SAVED_HEIGHT";
inline constexpr std::string_view kValueSplitYPos = "SPLIT_YPOS";

}  // namespace quillon
