#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace quillon::desktop {

// Windows virtual-key codes. Stored hot keys keep these codes (Space 32, Z 90, F5 116), so a
// record written on one platform means the same key on every other.
namespace vk {
inline constexpr int kBack = 0x08;
inline constexpr int kTab = 0x09;
inline constexpr int kClear = 0x0C;  // keypad 5 without Num Lock
inline constexpr int kReturn = 0x0D;
inline constexpr int kShift = 0x10;
inline constexpr int kControl = 0x11;
inline constexpr int kMenu = 0x12;  // Alt
inline constexpr int kPause = 0x13;
inline constexpr int kCapital = 0x14;  // Caps Lock
inline constexpr int kEscape = 0x1B;
inline constexpr int kSpace = 0x20;
inline constexpr int kPrior = 0x21;  // Page Up
inline constexpr int kNext = 0x22;   // Page Down
inline constexpr int kEnd = 0x23;
inline constexpr int kHome = 0x24;
inline constexpr int kLeft = 0x25;
inline constexpr int kUp = 0x26;
inline constexpr int kRight = 0x27;
inline constexpr int kDown = 0x28;
inline constexpr int kSnapshot = 0x2C;  // Print Screen
inline constexpr int kInsert = 0x2D;
inline constexpr int kDelete = 0x2E;
inline constexpr int k0 = 0x30;  // '0' ... '9' are 0x30 ... 0x39
inline constexpr int kA = 0x41;  // 'A' ... 'Z' are 0x41 ... 0x5A
inline constexpr int kLWin = 0x5B;
inline constexpr int kRWin = 0x5C;
inline constexpr int kApps = 0x5D;     // context menu key
inline constexpr int kNumpad0 = 0x60;  // keypad digits are 0x60 ... 0x69
inline constexpr int kMultiply = 0x6A;
inline constexpr int kAdd = 0x6B;
inline constexpr int kSeparator = 0x6C;
inline constexpr int kSubtract = 0x6D;
inline constexpr int kDecimal = 0x6E;
inline constexpr int kDivide = 0x6F;
inline constexpr int kF1 = 0x70;  // F1 ... F24 are 0x70 ... 0x87
inline constexpr int kF10 = 0x79;
inline constexpr int kF12 = 0x7B;
inline constexpr int kF24 = 0x87;
inline constexpr int kNumLock = 0x90;
inline constexpr int kScroll = 0x91;
inline constexpr int kOem1 = 0xBA;       // ;:
inline constexpr int kOemPlus = 0xBB;    // =+
inline constexpr int kOemComma = 0xBC;   // ,<
inline constexpr int kOemMinus = 0xBD;   // -_
inline constexpr int kOemPeriod = 0xBE;  // .>
inline constexpr int kOem2 = 0xBF;       // /?
inline constexpr int kOem3 = 0xC0;       // `~
inline constexpr int kOem4 = 0xDB;       // [{
inline constexpr int kOem5 = 0xDC;       // \|
inline constexpr int kOem6 = 0xDD;       // ]}
inline constexpr int kOem7 = 0xDE;       // '"
}  // namespace vk

// One key as the three layers name it. A virtual-key code may have several rows (the Qt key of
// Shift+1 is '!', the keypad sends different keysyms with and without Num Lock); the first row
// of a code is its primary one, used for the way from the code to Qt, X and the name.
struct VirtualKey {
    int virtualKey;        // Windows virtual-key code
    int qtKey;             // Qt::Key value, 0 when Qt has none
    bool keypad;           // the Qt key arrives with Qt::KeypadModifier
    std::uint32_t keysym;  // X keysym, 0 when X has none
    const char* name;      // readable key name, as shown in a hot-key description
};

// The whole table, primary rows before alias rows of the same code.
std::span<const VirtualKey> VirtualKeyTable();

// The code of a Qt key; `keypad` is whether the event carried Qt::KeypadModifier.
std::optional<int> VirtualKeyFromQtKey(int qtKey, bool keypad = false);
// The code of an X keysym (case of letters ignored).
std::optional<int> VirtualKeyFromKeysym(std::uint32_t keysym);
// The Qt key of a code (Qt::Key value), if Qt has one.
std::optional<int> QtKeyFromVirtualKey(int virtualKey);
// The primary X keysym of a code (Space gives XK_space, Z gives XK_z).
std::optional<std::uint32_t> KeysymFromVirtualKey(int virtualKey);
// Every X keysym that stands for a code (the keypad digit 0 is both KP_0 and KP_Insert).
std::span<const VirtualKey> RowsOfVirtualKey(int virtualKey);
// Readable name of a code ("Space", "Z", "F5", "Num +"); empty for an unknown code.
std::string VirtualKeyName(int virtualKey);

// The four modifier keys whose press alone gives a description ending in "+".
bool IsModifierVirtualKey(int virtualKey);

}  // namespace quillon::desktop
