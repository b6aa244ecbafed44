#include "platform/x11/paste_keys.h"

#include <X11/keysym.h>
#include <xcb/xtest.h>

#include <array>
#include <chrono>

namespace quillon::platform::x11 {
namespace {

// How long a borrowed key keeps its v. Applications read a changed map lazily, when they look up
// their next key event, so the key is handed back well after the paste keys were handled.
constexpr std::chrono::milliseconds kBorrowTime{2000};
constexpr std::uint8_t kKeysymsPerBorrowedKey = 4;  // v and V in the first two groups

}  // namespace

X11PasteKeys::X11PasteKeys(const XcbConnection& connection, const KeyboardMap& keyboard)
    : connection_(connection), keyboard_(keyboard) {
    const xcb_query_extension_reply_t* xtest =
        xcb_get_extension_data(connection_.get(), &xcb_test_id);
    available_ = xtest != nullptr && xtest->present;
    returnTimer_.setSingleShot(true);
    returnTimer_.setInterval(kBorrowTime);
    QObject::connect(&returnTimer_, &QTimer::timeout, [this] { ReturnSpareKey(); });
}

X11PasteKeys::~X11PasteKeys() {
    ReturnSpareKey();
}

void X11PasteKeys::FakeKey(bool press, xcb_keycode_t keycode) const {
    xcb_test_fake_input(connection_.get(), press ? XCB_KEY_PRESS : XCB_KEY_RELEASE, keycode,
                        XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
}

bool X11PasteKeys::Send() {
    if (!available_) {
        return false;
    }
    const std::vector<xcb_keycode_t> controls = keyboard_.KeycodesFor(XK_Control_L);
    if (controls.empty()) {
        return false;
    }
    const KeyboardMap::GroupState groups = keyboard_.Groups();
    xcb_keycode_t v = borrowed_;
    bool switchGroup = false;
    if (v == 0) {
        if (const std::optional<KeyPosition> key = keyboard_.FindKey(XK_v, groups.active)) {
            v = key->keycode;
            switchGroup = key->group != groups.active;
            if (switchGroup) {
                keyboard_.LockGroup(key->group);
            }
        } else {
            v = BorrowSpareKey();
        }
    }
    if (v == 0) {
        return false;
    }
    if (borrowed_ != 0) {
        returnTimer_.start();
    }

    FakeKey(true, controls.front());
    FakeKey(true, v);
    FakeKey(false, v);
    FakeKey(false, controls.front());
    if (switchGroup) {
        // The server stamps each key event with the group in force when it made it, so the
        // receiver reads v even though the group is back before it looks at the events.
        keyboard_.LockGroup(groups.locked);
    }
    connection_.Flush();
    return true;
}

xcb_keycode_t X11PasteKeys::BorrowSpareKey() {
    const xcb_keycode_t spare = keyboard_.SpareKeycode();
    if (spare == 0) {
        return 0;
    }
    const std::array<xcb_keysym_t, kKeysymsPerBorrowedKey> keysyms = {XK_v, XK_V, XK_v, XK_V};
    xcb_connection_t* c = connection_.get();
    XcbPtr<xcb_generic_error_t> error(xcb_request_check(
        c,
        xcb_change_keyboard_mapping_checked(c, 1, spare, kKeysymsPerBorrowedKey, keysyms.data())));
    if (error) {
        return 0;
    }
    borrowed_ = spare;
    return spare;
}

void X11PasteKeys::ReturnSpareKey() {
    returnTimer_.stop();
    if (borrowed_ == 0) {
        return;
    }
    const std::array<xcb_keysym_t, kKeysymsPerBorrowedKey> none = {};
    xcb_change_keyboard_mapping(connection_.get(), 1, borrowed_, kKeysymsPerBorrowedKey,
                                none.data());
    connection_.Flush();
    borrowed_ = 0;
}

}  // namespace quillon::platform::x11
