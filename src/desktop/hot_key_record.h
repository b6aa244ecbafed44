#pragma once

#include <cstdint>
#include <string>

#include "desktop/virtual_keys.h"
#include "platform/desktop/hot_key_grabber.h"

namespace quillon::desktop {

// One stored hot key (the HOTKEY and ROLL records). Only a record with a description counts as
// set; the flags and key code of an unset record are never used.
struct HotKeyRecord {
    std::uint8_t FLAGCTRL = 0;
    std::uint8_t FLAGALT = 0;
    std::uint8_t FLAGSHIFT = 0;
    std::uint8_t FLAGWIN = 0;
    std::int32_t VK_CODE = 0;  // virtual-key code of the main key; 0 = none
    std::string HOTKEYNAME;    // description, at most 256 characters ("Win+Space")

    static constexpr std::size_t kNameLength = 256;

    // Set when the description, trailing blanks removed, is not empty.
    bool IsSet() const { return HOTKEYNAME.find_first_not_of(' ') != std::string::npos; }

    friend bool operator==(const HotKeyRecord&, const HotKeyRecord&) = default;
};

// Registration ids of the two hot keys; ROLL takes the id of HOTKEY plus 1.
inline constexpr int kHotKeyId = 101;
inline constexpr int kRollHotKeyId = kHotKeyId + 1;

// Bring to front/back: Win+Space.
inline HotKeyRecord DefaultHotKey() {
    return {0, 0, 0, 1, vk::kSpace, "Win+Space"};
}
// Roll up/down: Win+Z.
inline HotKeyRecord DefaultRollHotKey() {
    return {0, 0, 0, 1, vk::kA + ('Z' - 'A'), "Win+Z"};
}

// The sum of the registration bits of the set flags (1 Alt, 2 Ctrl, 4 Shift, 8 Win).
inline std::uint32_t ModifierBits(std::uint8_t ctrl, std::uint8_t alt, std::uint8_t shift,
                                  std::uint8_t win) {
    return (alt != 0 ? platform::kModAlt : 0) | (ctrl != 0 ? platform::kModControl : 0) |
           (shift != 0 ? platform::kModShift : 0) | (win != 0 ? platform::kModWin : 0);
}

inline std::uint32_t ModifierBits(const HotKeyRecord& record) {
    return ModifierBits(record.FLAGCTRL, record.FLAGALT, record.FLAGSHIFT, record.FLAGWIN);
}

}  // namespace quillon::desktop
