#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quillon {

// The connection string of the connect window:
//   Provider=sqloledb.1;Server=<server>;Database=<database>;
// followed by Trusted_connection=YES; or by UID=<user name>;Pwd=<password>;
// Each value without its trailing blanks. A value that contains ";" or starts with "{" is put in
// braces with each "}" doubled, so that any password survives; nothing is cut.
std::string BuildConnectionString(std::string_view server, std::string_view database,
                                  std::string_view userName, std::string_view password,
                                  bool trustedConnection);

// One value as it goes into a connection string (braces where the format needs them).
std::string ConnectionStringValue(std::string_view value);

struct ConnectionStringKey {
    std::string name;   // as written, blanks around it removed
    std::string value;  // braces and doubled "}" undone
};

// Splits a connection string into its keys, in order. Empty parts are skipped.
std::vector<ConnectionStringKey> ParseConnectionString(std::string_view text);

}  // namespace quillon
