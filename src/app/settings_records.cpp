#include "app/settings_records.h"

#include "app/registry_settings.h"

namespace quillon {

SettingsTable<PreferRecord> PreferRecord::Fields() {
    using R = PreferRecord;
    static constexpr std::array<SettingsField<R>, 6> kFields = {
        ByteField("PREFER:ONTOP", &R::ONTOP),
        LongField("PREFER:ACTIVELISTCOLOR", &R::ACTIVELISTCOLOR),
        ByteField("PREFER:FLAGSET", &R::FLAGSET),
        StringField("PREFER:ASCLAUSE", 20, &R::ASCLAUSE),
        StringField("PREFER:FONTNAME", 50, &R::FONTNAME),
        LongField("PREFER:FONTSIZE", &R::FONTSIZE),
    };
    return kFields;
}

PreferRecord LoadPreferences(const RegistrySettings& settings, std::string_view keyPath) {
    PreferRecord prefer;
    settings.ReadGroup(prefer, keyPath);
    if (prefer.FLAGSET == 0) {
        prefer.ONTOP = kDefaultOnTop;
        prefer.ACTIVELISTCOLOR = kDefaultActiveListColor;
        prefer.ASCLAUSE = kDefaultAsClause;
        prefer.FONTNAME = kDefaultFontName;
        prefer.FONTSIZE = kDefaultFontSize;
    }
    return prefer;
}

SettingsTable<LogonRecord> LogonRecord::Fields() {
    using R = LogonRecord;
    static constexpr std::array<SettingsField<R>, 5> kFields = {
        StringField("LOGON:SERVER", 255, &R::SERVER),
        StringField("LOGON:DATABASE", 255, &R::DATABASE),
        StringField("LOGON:USERNAME", 255, &R::USERNAME),
        ByteField("LOGON:USETRUSTEDCONNECTION", &R::USETRUSTEDCONNECTION),
        ByteField("LOGON:SAVECONNECTION", &R::SAVECONNECTION),
    };
    return kFields;
}

SettingsTable<LogonCaptionRecord> LogonCaptionRecord::Fields() {
    using R = LogonCaptionRecord;
    static constexpr std::array<SettingsField<R>, 2> kFields = {
        StringField("LOGON:SERVER", 255, &R::SERVER),
        StringField("LOGON:DATABASE", 255, &R::DATABASE),
    };
    return kFields;
}

SettingsTable<MainRecord> MainRecord::Fields() {
    using R = MainRecord;
    static constexpr std::array<SettingsField<R>, 4> kFields = {
        ULongField("MAIN:XPOS", &R::XPOS),
        ULongField("MAIN:YPOS", &R::YPOS),
        ULongField("MAIN:WIDTH", &R::WIDTH),
        ULongField("MAIN:HEIGHT", &R::HEIGHT),
    };
    return kFields;
}

}  // namespace quillon
