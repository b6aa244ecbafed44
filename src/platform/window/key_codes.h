#pragma once

#include <QKeyEvent>
#include <QKeySequence>
#include <QMouseEvent>
#include <optional>

namespace quillon::window {

// Key codes of alert keys: the key's code (its virtual-key code), plus 0x200 with Ctrl and
// 0x400 with Alt. Shift adds nothing.
namespace key {
inline constexpr int kCtrl = 0x200;
inline constexpr int kAlt = 0x400;
inline constexpr int kMouseLeft = 1;   // a left click
inline constexpr int kMouseRight = 2;  // a right click
inline constexpr int kMouseLeft2 = 5;  // a left double click
inline constexpr int kEnter = 13;
inline constexpr int kF1 = 112;
inline constexpr int kF12 = 123;
inline constexpr int kCtrlEnter = kCtrl + kEnter;            // 525
inline constexpr int kCtrlMouseLeft2 = kCtrl + kMouseLeft2;  // 517
constexpr int Ctrl(int code) {
    return code + kCtrl;
}
constexpr int Alt(int code) {
    return code + kAlt;
}
constexpr int Letter(char upper) {
    return upper;
}  // 'A' is 65 ... 'Z' is 90
}  // namespace key

// The key code of a key press; 0 for a key without one (a modifier alone counts as a key).
int KeyCodeOf(const QKeyEvent& event);
// The key code of a double click: 5 for the left button, with Ctrl and Alt added; 0 otherwise.
int KeyCodeOf(const QMouseEvent& event);
// The key combination of a key code, for a shortcut; nothing for mouse codes and unknown keys.
std::optional<QKeySequence> KeySequenceOf(int code);

}  // namespace quillon::window
