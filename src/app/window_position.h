#pragma once

#include <string_view>

#include "platform/core/placed_window.h"

namespace quillon {

class IniFile;

// The INI sections of the dialogs.
inline constexpr std::string_view kSectionLogonWindow = "LogonWindow";
inline constexpr std::string_view kSectionSavedConnectionsWindow = "SavedConnectionsWindow";
inline constexpr std::string_view kSectionAliasWindow = "AliasWindow";
inline constexpr std::string_view kSectionPreferencesWindow = "PreferencesWindow";

// Writes the window's state to its section: "Maximize" and "Minimize" always; "XPos", "YPos"
// and, for a resizable window, "Width" and "Height" only in the normal state (deleted otherwise).
void SaveWindowPosition(IniFile& ini, std::string_view section, const PlacedWindow& window);

// Applies a saved state to a window that has just opened. A section without a valid "Maximize"
// restores nothing; a window that cannot be resized keeps its size; it never reopens minimized.
void RestoreWindowPosition(const IniFile& ini, std::string_view section, PlacedWindow& window);

// Moves a window that went off the left or top edge back to 1, unless negative positions are
// allowed (the /NEGXY switch) or the window is maximized.
void ClampWindowPosition(PlacedWindow& window, bool negativePositionsAllowed);

}  // namespace quillon
