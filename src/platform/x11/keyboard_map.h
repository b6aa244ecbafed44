#pragma once

#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "platform/x11/xcb_connection.h"

namespace quillon::platform::x11 {

// The modifier bits that the current keyboard map gives to the keys that matter here. The
// map decides them: NumLock is not always Mod2, nor Super always Mod4. 0 = no such modifier.
struct ModifierMasks {
    std::uint16_t numLock = 0;
    std::uint16_t alt = 0;
    std::uint16_t super = 0;
};

// Where a keysym can be typed: a key and the layout group whose first level gives the keysym.
struct KeyPosition {
    xcb_keycode_t keycode = 0;
    int group = 0;
};

// The keyboard as the server maps it now: keysyms of each key, the modifier bits, the active
// layout group. Reloaded when the map changes (setxkbmap, a new keyboard).
class KeyboardMap {
public:
    explicit KeyboardMap(const XcbConnection& connection);
    ~KeyboardMap();
    KeyboardMap(const KeyboardMap&) = delete;
    KeyboardMap& operator=(const KeyboardMap&) = delete;

    // Reloads after a mapping event; returns true when `event` was one (core MappingNotify
    // or an XKB keyboard or map notification).
    bool HandleEvent(const xcb_generic_event_t* event);
    void Reload();

    // Whether the server has XKB (layout groups, detectable autorepeat).
    bool HasXkb() const { return xkbEventBase_.has_value(); }
    // Whether the server reports a held key as repeated presses without releases in between.
    bool DetectableAutorepeat() const { return detectableAutorepeat_; }

    ModifierMasks Masks() const { return masks_; }
    // Every key that gives the keysym at any level of any group (empty when none does).
    std::vector<xcb_keycode_t> KeycodesFor(xcb_keysym_t keysym) const;
    // The keysym of a key in a group at level 1 or 2 (level 0 or 1 here), 0 when none.
    xcb_keysym_t KeysymAt(xcb_keycode_t keycode, int group, int level) const;
    // A key giving the keysym at the first level, in the active group if possible, else in
    // another group; nullopt when no key of the map gives it.
    std::optional<KeyPosition> FindKey(xcb_keysym_t keysym, int activeGroup) const;
    // A key code with no keysym at all that can be borrowed for a moment; 0 when none.
    xcb_keycode_t SpareKeycode() const;
    xcb_keycode_t MinKeycode() const { return minKeycode_; }
    xcb_keycode_t MaxKeycode() const { return maxKeycode_; }

    // The active layout group (0 without XKB) and the locked group to restore after a switch.
    struct GroupState {
        int active = 0;
        int locked = 0;
    };
    GroupState Groups() const;
    void LockGroup(int group) const;

    // Which keys are down now: one bit per key code.
    std::vector<bool> KeysDown() const;

private:
    void LoadModifierMasks();

    const XcbConnection& connection_;
    std::unique_ptr<xcb_key_symbols_t, void (*)(xcb_key_symbols_t*)> symbols_;
    ModifierMasks masks_;
    xcb_keycode_t minKeycode_ = 8;
    xcb_keycode_t maxKeycode_ = 255;
    std::optional<std::uint8_t> xkbEventBase_;
    bool detectableAutorepeat_ = false;
};

}  // namespace quillon::platform::x11
