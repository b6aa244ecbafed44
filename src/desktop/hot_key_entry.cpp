#include "desktop/hot_key_entry.h"

#include "desktop/virtual_keys.h"

namespace quillon::desktop {

std::string HotKeyDescription(bool ctrl, bool shift, bool win, bool alt,
                              const std::string& keyName) {
    std::string text;
    if (ctrl) {
        text += "Ctrl+";
    }
    if (shift) {
        text += "Shift+";
    }
    if (win) {
        text += "Win+";
    }
    if (alt) {
        text += "Alt+";
    }
    return text + keyName;
}

bool HotKeyEntry::Init(QLineEdit* entry, std::string* variable) {
    if (entry == nullptr) {
        return false;
    }
    entry_ = entry;
    entry->setReadOnly(true);  // only the recorder changes the text
    variable_ = variable;
    return Attach(entry, 0, true);
}

void HotKeyEntry::Kill() {
    Detach();
    variable_ = nullptr;
}

LResult HotKeyEntry::TakeMessage(QWidget* window, std::uint32_t message, WParam wParam,
                                 LParam lParam) {
    if (message != msg::kKeyDown) {
        return PassOn(window, message, wParam, lParam);
    }
    const int code = static_cast<int>(wParam);
    std::string keyName = VirtualKeyName(code);
    if (!keyName.empty()) {
        VK_CODE = code;
        const Qt::KeyboardModifiers held = CurrentModifiers();
        FLAGCTRL = held.testFlag(Qt::ControlModifier) ? 1 : 0;
        FLAGALT = held.testFlag(Qt::AltModifier) ? 1 : 0;
        FLAGSHIFT = held.testFlag(Qt::ShiftModifier) ? 1 : 0;
        FLAGWIN = held.testFlag(Qt::MetaModifier) ? 1 : 0;
        if (IsModifierVirtualKey(code)) {
            keyName.clear();
            VK_CODE = 0;
        }
        HOTKEYSTRING = HotKeyDescription(FLAGCTRL, FLAGSHIFT, FLAGWIN, FLAGALT, keyName);
        if (variable_ != nullptr) {
            *variable_ = HOTKEYSTRING.substr(0, kEntryLength);
            if (!entry_.isNull()) {
                entry_->setText(QString::fromStdString(*variable_));
            }
        }
    }
    return PassOn(window, message, wParam, lParam);
}

}  // namespace quillon::desktop
