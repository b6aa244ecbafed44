#pragma once

#include <cstdint>
#include <functional>

#include "platform/desktop/window_id.h"

namespace quillon::platform {

// Modifier bits of a hot-key combination, the same bits the stored records and the hot-key
// message use.
inline constexpr std::uint32_t kModAlt = 1;
inline constexpr std::uint32_t kModControl = 2;
inline constexpr std::uint32_t kModShift = 4;
inline constexpr std::uint32_t kModWin = 8;
inline constexpr std::uint32_t kModAll = kModAlt | kModControl | kModShift | kModWin;

// A system-wide key combination: modifier bits and the Windows virtual-key code of the main key.
struct HotKeyCombination {
    std::uint32_t modifiers = 0;
    int virtualKey = 0;

    friend bool operator==(const HotKeyCombination&, const HotKeyCombination&) = default;
};

// Results of HotKeyGrabber::Register. The codes keep the meaning they have on Windows.
inline constexpr int kHotKeyOk = 0;
// The session has no global hot keys (not an X11 session).
inline constexpr int kHotKeyUnavailable = 50;
// The key has no key on the current keyboard layout, or the code is 0.
inline constexpr int kHotKeyNoSuchKey = 87;
// Another application, or another registration of this program, holds the combination.
inline constexpr int kHotKeyAlreadyRegistered = 1409;

// Grabs key combinations for the whole desktop and reports their presses on the program's
// thread. A registration is named by its owner window and id; a press of a held key repeated
// by the keyboard is reported once.
class HotKeyGrabber {
public:
    using PressedHandler = std::function<void(int id, HotKeyCombination combination)>;

    virtual ~HotKeyGrabber() = default;

    // Grabs the combination for (owner, id), replacing what that pair held before. Returns
    // kHotKeyOk or one of the codes above (other non-zero codes are display-server errors);
    // on failure nothing stays grabbed for (owner, id).
    virtual int Register(WindowId owner, int id, HotKeyCombination combination,
                         PressedHandler onPressed) = 0;
    // Releases the combination of (owner, id); harmless when nothing is registered there.
    virtual void Unregister(WindowId owner, int id) = 0;
};

}  // namespace quillon::platform
