#include "platform/window/key_codes.h"

#include "desktop/virtual_keys.h"

namespace quillon::window {
namespace {

int ModifierCode(Qt::KeyboardModifiers modifiers) {
    return ((modifiers & Qt::ControlModifier) ? key::kCtrl : 0) +
           ((modifiers & Qt::AltModifier) ? key::kAlt : 0);
}

}  // namespace

int KeyCodeOf(const QKeyEvent& event) {
    const auto code =
        desktop::VirtualKeyFromQtKey(event.key(), event.modifiers().testFlag(Qt::KeypadModifier));
    return code ? *code + ModifierCode(event.modifiers()) : 0;
}

int KeyCodeOf(const QMouseEvent& event) {
    if (event.type() != QEvent::MouseButtonDblClick || event.button() != Qt::LeftButton) {
        return 0;
    }
    return key::kMouseLeft2 + ModifierCode(event.modifiers());
}

std::optional<QKeySequence> KeySequenceOf(int code) {
    const int base = code & 0x1FF;
    const auto rows = desktop::RowsOfVirtualKey(base);
    if (base < 8 || rows.empty() || rows.front().qtKey == 0) {
        return std::nullopt;
    }
    Qt::KeyboardModifiers modifiers;
    if (code & key::kCtrl) {
        modifiers |= Qt::ControlModifier;
    }
    if (code & key::kAlt) {
        modifiers |= Qt::AltModifier;
    }
    if (rows.front().keypad) {
        modifiers |= Qt::KeypadModifier;
    }
    return QKeySequence(QKeyCombination(modifiers, static_cast<Qt::Key>(rows.front().qtKey)));
}

}  // namespace quillon::window
