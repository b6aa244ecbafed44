#pragma once

#include <QLineEdit>
#include <QPointer>
#include <cstdint>
#include <string>

#include "desktop/window_hook.h"

namespace quillon::desktop {

// Records a key combination in a read-only entry: each key down in the entry rewrites its text
// with the description of the combination ("Ctrl+Shift+F5"), and the flags and VK_CODE hold
// the combination of the last key down. Keys the platform treats as system keys (pressed while
// Alt is held without Ctrl, and F10) are not recorded.
class HotKeyEntry : public WindowHook {
public:
    static constexpr std::size_t kEntryLength = 255;  // the entry variable's length

    // Makes the entry read-only, binds the variable it shows (may be null) and hooks into it.
    bool Init(QLineEdit* entry, std::string* variable);
    // Takes the hook out and releases the variable.
    void Kill();

    LResult TakeMessage(QWidget* window, std::uint32_t message, WParam wParam,
                        LParam lParam) override;

    std::uint8_t FLAGCTRL = 0;
    std::uint8_t FLAGALT = 0;
    std::uint8_t FLAGSHIFT = 0;
    std::uint8_t FLAGWIN = 0;
    std::int32_t VK_CODE = 0;
    std::string HOTKEYSTRING;

    QLineEdit* ENTRYFEQ() const { return entry_.data(); }

private:
    QPointer<QLineEdit> entry_;
    std::string* variable_ = nullptr;
};

// The description of a combination: "Ctrl+", "Shift+", "Win+", "Alt+" for the held modifiers,
// in this order, then the key's name (empty for a modifier key alone).
std::string HotKeyDescription(bool ctrl, bool shift, bool win, bool alt,
                              const std::string& keyName);

}  // namespace quillon::desktop
