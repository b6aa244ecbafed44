#pragma once

#include <string_view>

namespace quillon {

class IniFile;

// What placing a window needs of it, in the dialog units of the window's font.
class PlacedWindow {
public:
    virtual ~PlacedWindow() = default;
    virtual bool IsMaximized() const = 0;
    virtual bool IsMinimized() const = 0;
    virtual bool IsResizable() const = 0;
    virtual int X() const = 0;
    virtual int Y() const = 0;
    virtual int Width() const = 0;
    virtual int Height() const = 0;
    virtual void SetX(int x) = 0;
    virtual void SetY(int y) = 0;
    virtual void SetWidth(int width) = 0;
    virtual void SetHeight(int height) = 0;
    virtual void Maximize() = 0;
    virtual void ShowNormal() = 0;
};

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
