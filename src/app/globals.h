#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "app/settings_records.h"

namespace quillon {

// A native window: the X window id on X11, 0 for none.
using NativeWindow = std::uint64_t;

inline constexpr std::string_view kRegistryKey = "SOFTWARE\\Brackwell\\Quillon";

// The owner password of the saved-connections file. It must never change: files written under
// one password cannot be opened under another.
inline constexpr std::string_view kFileOwnerPassword = "Tq7#pL2x!Vm9@Kd";

// The program's globals, one set for the whole run.
struct Globals {
    PreferRecord GLO_PREFER;  // the preferences in force; blank until the main window loads them
    std::string GLO_REGISTRYKEY;       // STRING(260): the settings key path
    std::string GLO_FILEOWNER;         // STRING(255): owner password of the saved-connections file
    std::string GLO_CONNECTIONSTRING;  // the connection text the connect window builds
    NativeWindow GLO_PREVIOUSWINDOW = 0;    // the window that receives inserted text
    bool negativePositionsAllowed = false;  // "/NEGXY" was on the command line
};

}  // namespace quillon
