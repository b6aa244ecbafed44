#include "app/window_position.h"

#include <charconv>
#include <optional>
#include <string>

#include "platform/store/ini_file.h"

namespace quillon {

namespace {

std::optional<int> ReadNumber(const IniFile& ini, std::string_view section, std::string_view key) {
    const auto text = ini.Read(section, key);
    if (!text) {
        return std::nullopt;
    }
    int value = 0;
    const auto [end, error] = std::from_chars(text->data(), text->data() + text->size(), value);
    // A value that is not a number counts as missing, rather than moving the window to 0.
    if (error != std::errc() || end != text->data() + text->size()) {
        return std::nullopt;
    }
    return value;
}

}  // namespace

void SaveWindowPosition(IniFile& ini, std::string_view section, const PlacedWindow& window) {
    const bool maximized = window.IsMaximized();
    const bool minimized = window.IsMinimized();
    // Failures to write are ignored: the window simply opens at its designed place next time.
    ini.Write(section, "Maximize", maximized ? "Yes" : "No");
    ini.Write(section, "Minimize", minimized ? "Yes" : "No");
    const bool normal = !maximized && !minimized;
    const auto writeOrDelete = [&](std::string_view key, bool write, int value) {
        if (write) {
            ini.Write(section, key, std::to_string(value));
        } else {
            ini.Delete(section, key);
        }
    };
    writeOrDelete("XPos", normal, window.X());
    writeOrDelete("YPos", normal, window.Y());
    writeOrDelete("Width", normal && window.IsResizable(), window.Width());
    writeOrDelete("Height", normal && window.IsResizable(), window.Height());
}

void RestoreWindowPosition(const IniFile& ini, std::string_view section, PlacedWindow& window) {
    const auto maximize = ini.Read(section, "Maximize");
    if (!maximize || (*maximize != "Yes" && *maximize != "No")) {
        return;
    }
    if (*maximize == "No" && window.IsMaximized()) {
        window.ShowNormal();
    }
    if (const auto x = ReadNumber(ini, section, "XPos")) {
        window.SetX(*x);
    }
    if (const auto y = ReadNumber(ini, section, "YPos")) {
        window.SetY(*y);
    }
    if (window.IsResizable()) {
        if (const auto width = ReadNumber(ini, section, "Width")) {
            window.SetWidth(*width);
        }
        if (const auto height = ReadNumber(ini, section, "Height")) {
            window.SetHeight(*height);
        }
    }
    if (*maximize == "Yes" && !window.IsMaximized()) {
        window.Maximize();
    }
}

void ClampWindowPosition(PlacedWindow& window, bool negativePositionsAllowed) {
    if (negativePositionsAllowed || window.IsMaximized()) {
        return;
    }
    if (window.X() < 0) {
        window.SetX(1);
    }
    if (window.Y() < 0) {
        window.SetY(1);
    }
}

}  // namespace quillon
