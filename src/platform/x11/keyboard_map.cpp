#include "platform/x11/keyboard_map.h"

#include <X11/keysym.h>
#include "platform/x11/xcb_xkb.h"

#include <array>

namespace quillon::platform::x11 {
namespace {

// Groups beyond the second are not in the core map's first four columns, so only the first
// two groups are searched; nearly every layout set has at most two.
constexpr int kCoreGroups = 2;
constexpr int kCoreColumns = 8;

}  // namespace

KeyboardMap::KeyboardMap(const XcbConnection& connection)
    : connection_(connection), symbols_(nullptr, &xcb_key_symbols_free) {
    xcb_connection_t* c = connection_.get();
    const xcb_setup_t* setup = xcb_get_setup(c);
    minKeycode_ = setup->min_keycode;
    maxKeycode_ = setup->max_keycode;

    const xcb_query_extension_reply_t* xkb = xcb_get_extension_data(c, &xcb_xkb_id);
    if (xkb != nullptr && xkb->present) {
        XcbPtr<xcb_xkb_use_extension_reply_t> use(xcb_xkb_use_extension_reply(
            c, xcb_xkb_use_extension(c, XCB_XKB_MAJOR_VERSION, XCB_XKB_MINOR_VERSION), nullptr));
        if (use && use->supported) {
            xkbEventBase_ = xkb->first_event;
            // A held key then arrives as presses without releases in between, so a repeat can be
            // told from a new press. This setting belongs to this connection only.
            const std::uint32_t flag = XCB_XKB_PER_CLIENT_FLAG_DETECTABLE_AUTO_REPEAT;
            XcbPtr<xcb_xkb_per_client_flags_reply_t> flags(xcb_xkb_per_client_flags_reply(
                c, xcb_xkb_per_client_flags(c, XCB_XKB_ID_USE_CORE_KBD, flag, flag, 0, 0, 0),
                nullptr));
            detectableAutorepeat_ = flags && (flags->value & flag) != 0;
            const std::uint16_t events =
                XCB_XKB_EVENT_TYPE_NEW_KEYBOARD_NOTIFY | XCB_XKB_EVENT_TYPE_MAP_NOTIFY;
            const std::uint16_t mapParts = XCB_XKB_MAP_PART_KEY_TYPES | XCB_XKB_MAP_PART_KEY_SYMS |
                                           XCB_XKB_MAP_PART_MODIFIER_MAP |
                                           XCB_XKB_MAP_PART_VIRTUAL_MODS;
            xcb_xkb_select_events(c, XCB_XKB_ID_USE_CORE_KBD, events, 0, events, mapParts, mapParts,
                                  nullptr);
        }
    }
    Reload();
}

KeyboardMap::~KeyboardMap() = default;

void KeyboardMap::Reload() {
    symbols_.reset(xcb_key_symbols_alloc(connection_.get()));
    LoadModifierMasks();
}

bool KeyboardMap::HandleEvent(const xcb_generic_event_t* event) {
    const std::uint8_t type = event->response_type & 0x7f;
    if (type == XCB_MAPPING_NOTIFY) {
        const auto* mapping = reinterpret_cast<const xcb_mapping_notify_event_t*>(event);
        if (mapping->request == XCB_MAPPING_POINTER) {
            return false;
        }
        Reload();
        return true;
    }
    if (xkbEventBase_ && type == *xkbEventBase_) {
        // The XKB event's own type is in the second byte of every XKB event.
        const std::uint8_t xkbType = reinterpret_cast<const std::uint8_t*>(event)[1];
        if (xkbType == XCB_XKB_NEW_KEYBOARD_NOTIFY || xkbType == XCB_XKB_MAP_NOTIFY) {
            Reload();
            return true;
        }
    }
    return false;
}

void KeyboardMap::LoadModifierMasks() {
    masks_ = {};
    xcb_connection_t* c = connection_.get();
    XcbPtr<xcb_get_modifier_mapping_reply_t> reply(
        xcb_get_modifier_mapping_reply(c, xcb_get_modifier_mapping(c), nullptr));
    if (!reply || !symbols_) {
        return;
    }
    const xcb_keycode_t* keycodes = xcb_get_modifier_mapping_keycodes(reply.get());
    const int perModifier = reply->keycodes_per_modifier;
    for (int modifier = 0; modifier < 8; ++modifier) {
        const auto mask = static_cast<std::uint16_t>(1U << modifier);
        for (int i = 0; i < perModifier; ++i) {
            const xcb_keycode_t keycode = keycodes[modifier * perModifier + i];
            if (keycode == 0) {
                continue;
            }
            for (int column = 0; column < kCoreColumns; ++column) {
                switch (xcb_key_symbols_get_keysym(symbols_.get(), keycode, column)) {
                    case XK_Num_Lock:
                        masks_.numLock = mask;
                        break;
                    case XK_Alt_L:
                    case XK_Alt_R:
                    case XK_Meta_L:
                    case XK_Meta_R:
                        // Alt stays on the first modifier that carries it.
                        if (masks_.alt == 0) {
                            masks_.alt = mask;
                        }
                        break;
                    case XK_Super_L:
                    case XK_Super_R:
                        masks_.super = mask;
                        break;
                    default:
                        break;
                }
            }
        }
    }
}

std::vector<xcb_keycode_t> KeyboardMap::KeycodesFor(xcb_keysym_t keysym) const {
    std::vector<xcb_keycode_t> result;
    if (!symbols_ || keysym == XCB_NO_SYMBOL) {
        return result;
    }
    XcbPtr<xcb_keycode_t> keycodes(xcb_key_symbols_get_keycode(symbols_.get(), keysym));
    for (const xcb_keycode_t* k = keycodes.get(); k != nullptr && *k != XCB_NO_SYMBOL; ++k) {
        result.push_back(*k);
    }
    return result;
}

xcb_keysym_t KeyboardMap::KeysymAt(xcb_keycode_t keycode, int group, int level) const {
    if (!symbols_ || group < 0 || group >= kCoreGroups || level < 0 || level > 1) {
        return XCB_NO_SYMBOL;
    }
    return xcb_key_symbols_get_keysym(symbols_.get(), keycode, group * 2 + level);
}

std::optional<KeyPosition> KeyboardMap::FindKey(xcb_keysym_t keysym, int activeGroup) const {
    std::array<int, kCoreGroups> order{};
    order[0] = activeGroup >= 0 && activeGroup < kCoreGroups ? activeGroup : 0;
    order[1] = order[0] == 0 ? 1 : 0;
    for (int group : order) {
        for (int keycode = minKeycode_; keycode <= maxKeycode_; ++keycode) {
            if (KeysymAt(static_cast<xcb_keycode_t>(keycode), group, 0) == keysym) {
                return KeyPosition{static_cast<xcb_keycode_t>(keycode), group};
            }
        }
    }
    return std::nullopt;
}

xcb_keycode_t KeyboardMap::SpareKeycode() const {
    if (!symbols_) {
        return 0;
    }
    // From the top: the highest codes are the least likely to be on a real keyboard.
    for (int keycode = maxKeycode_; keycode >= minKeycode_; --keycode) {
        bool empty = true;
        for (int column = 0; column < kCoreColumns && empty; ++column) {
            empty = xcb_key_symbols_get_keysym(symbols_.get(), static_cast<xcb_keycode_t>(keycode),
                                               column) == XCB_NO_SYMBOL;
        }
        if (empty) {
            return static_cast<xcb_keycode_t>(keycode);
        }
    }
    return 0;
}

KeyboardMap::GroupState KeyboardMap::Groups() const {
    if (!xkbEventBase_) {
        return {};
    }
    xcb_connection_t* c = connection_.get();
    XcbPtr<xcb_xkb_get_state_reply_t> state(
        xcb_xkb_get_state_reply(c, xcb_xkb_get_state(c, XCB_XKB_ID_USE_CORE_KBD), nullptr));
    if (!state) {
        return {};
    }
    return {state->group, state->lockedGroup};
}

void KeyboardMap::LockGroup(int group) const {
    if (!xkbEventBase_) {
        return;
    }
    xcb_xkb_latch_lock_state(connection_.get(), XCB_XKB_ID_USE_CORE_KBD, 0, 0, 1,
                             static_cast<std::uint8_t>(group), 0, 0, 0);
}

std::vector<bool> KeyboardMap::KeysDown() const {
    std::vector<bool> down(256, false);
    xcb_connection_t* c = connection_.get();
    XcbPtr<xcb_query_keymap_reply_t> keymap(
        xcb_query_keymap_reply(c, xcb_query_keymap(c), nullptr));
    if (!keymap) {
        return down;
    }
    for (int keycode = 0; keycode < 256; ++keycode) {
        down[keycode] = (keymap->keys[keycode / 8] >> (keycode % 8)) & 1;
    }
    return down;
}

}  // namespace quillon::platform::x11
