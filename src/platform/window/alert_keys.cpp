#include "platform/window/alert_keys.h"

#include <QAbstractScrollArea>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QShortcut>

#include "platform/window/key_codes.h"

namespace quillon::window {

AlertKeys::AlertKeys(QWidget* window) : QObject(window), window_(window) {}

void AlertKeys::Alert(QWidget* target, int keyCode) {
    if (target == nullptr) {
        return;
    }
    if (target == window_) {
        AddWindowKey(keyCode, keyCode);
        return;
    }
    auto [entry, added] = controlKeys_.try_emplace(target);
    entry->second.insert(keyCode);
    if (added) {
        target->installEventFilter(this);
        if (auto* area = qobject_cast<QAbstractScrollArea*>(target)) {
            area->viewport()->installEventFilter(this);
        }
        connect(target, &QObject::destroyed, this, [this, target] { controlKeys_.erase(target); });
    }
}

void AlertKeys::Unalert(QWidget* target, int keyCode) {
    if (target == window_) {
        const auto found = windowShortcuts_.find(keyCode);
        if (found != windowShortcuts_.end()) {
            delete found->second;
            windowShortcuts_.erase(found);
        }
        return;
    }
    const auto found = controlKeys_.find(target);
    if (found != controlKeys_.end()) {
        found->second.erase(keyCode);
    }
}

void AlertKeys::MapKey(int fromCode, int toCode) {
    AddWindowKey(fromCode, toCode);
}

void AlertKeys::AddWindowKey(int registeredCode, int raisedCode) {
    const auto sequence = KeySequenceOf(registeredCode);
    if (!sequence || windowShortcuts_.count(registeredCode) != 0) {
        return;
    }
    auto* shortcut = new QShortcut(*sequence, window_);  // owned by the window
    shortcut->setContext(Qt::WindowShortcut);
    connect(shortcut, &QShortcut::activated, this,
            [this, raisedCode] { emit AlertKey(window_, raisedCode); });
    windowShortcuts_[registeredCode] = shortcut;
}

QWidget* AlertKeys::ControlOf(QObject* watched) const {
    for (const auto& [control, codes] : controlKeys_) {
        if (control == watched) {
            return control;
        }
        auto* area = qobject_cast<QAbstractScrollArea*>(control);
        if (area != nullptr && area->viewport() == watched) {
            return control;
        }
    }
    return nullptr;
}

bool AlertKeys::eventFilter(QObject* watched, QEvent* event) {
    int code = 0;
    switch (event->type()) {
        case QEvent::ShortcutOverride:
        case QEvent::KeyPress:
            code = KeyCodeOf(*static_cast<QKeyEvent*>(event));
            break;
        case QEvent::MouseButtonDblClick:
            code = KeyCodeOf(*static_cast<QMouseEvent*>(event));
            break;
        default:
            return false;
    }
    QWidget* control = code != 0 ? ControlOf(watched) : nullptr;
    if (control == nullptr || controlKeys_.at(control).count(code) == 0) {
        return false;
    }
    event->accept();
    if (event->type() == QEvent::ShortcutOverride) {
        return true;  // the key comes to the control as a key press, not as a window shortcut
    }
    emit AlertKey(control, code);
    return true;
}

}  // namespace quillon::window
