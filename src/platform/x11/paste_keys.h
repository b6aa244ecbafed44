#pragma once

#include <QTimer>

#include "platform/x11/keyboard_map.h"
#include "platform/x11/xcb_connection.h"

namespace quillon::platform::x11 {

// Sends the paste keys (Ctrl down, V down, V up, Ctrl up) through XTest, as if typed on the
// keyboard, to whichever window has the focus.
//
// V is the key that types "v" in the active layout group. When only another group has it (a
// Cyrillic layout next to a Latin one), that group is locked for the four keys and unlocked
// after. When no key of the map types "v" at all, a key code without symbols is borrowed and
// given v for a while; it is handed back a little later, once the receiving application has had
// time to read the changed map.
class X11PasteKeys {
public:
    X11PasteKeys(const XcbConnection& connection, const KeyboardMap& keyboard);
    ~X11PasteKeys();
    X11PasteKeys(const X11PasteKeys&) = delete;
    X11PasteKeys& operator=(const X11PasteKeys&) = delete;

    // Whether the server offers XTest.
    bool Available() const { return available_; }
    bool Send();

private:
    xcb_keycode_t BorrowSpareKey();
    void ReturnSpareKey();
    void FakeKey(bool press, xcb_keycode_t keycode) const;

    const XcbConnection& connection_;
    const KeyboardMap& keyboard_;
    bool available_ = false;
    xcb_keycode_t borrowed_ = 0;
    QTimer returnTimer_;
};

}  // namespace quillon::platform::x11
