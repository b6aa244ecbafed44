#include "app/data_files.h"

namespace quillon {

namespace {

const DBConnectionsFile::Layout& ConnectionsLayout() {
    using R = ConnectionRecord;
    static const DBConnectionsFile::Layout layout{
        "DBConnections",
        {
            {"RECORDID", &R::RECORDID},
            {"SERVER", &R::SERVER, 255},
            {"DATABASE", &R::DATABASE, 255},
            {"USERNAME", &R::USERNAME, 255},
            {"PWD", &R::PWD, 255},
            {"FLAGTRUSTEDCONN", &R::FLAGTRUSTEDCONN},
        },
        {
            {"KeyPrimary", {0}, true},
            {"KeyUnique", {1, 2, 3}, true},
        },
    };
    return layout;
}

const TablesAliasesFile::Layout& AliasesLayout() {
    using R = AliasRecord;
    static const TablesAliasesFile::Layout layout{
        "TablesAliases",
        {
            {"TA_ID", &R::TA_ID},
            {"OBJECTID", &R::OBJECTID},
            {"CATALOG", &R::CATALOG, 255},
            {"SCHEMA", &R::SCHEMA, 255},
            {"TABLENAME", &R::TABLENAME, 20},
            {"ALIASNAME", &R::ALIASNAME, 255},
        },
        {
            {"KeyPrimary", {0}, true},
            {"KeyFind", {1, 2, 3, 4}, false},
        },
    };
    return layout;
}

}  // namespace

DataFiles::DataFiles(const std::filesystem::path& folder, const std::string& ownerPassword,
                     MessageBox& reporter)
    : DBConnections(folder / kConnectionsFileName, ownerPassword, ConnectionsLayout(), reporter),
      TablesAliases(folder / kAliasesFileName, "", AliasesLayout(), reporter) {}

}  // namespace quillon
