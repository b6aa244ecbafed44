#pragma once

#include <QString>
#include <QWidget>
#include <string_view>

namespace quillon::window {

// The control of a window with a label such as "?LIST_OBJECTS" (its objectName, exactly); the
// window itself when it carries the label; null when there is none of that type.
template <class Widget = QWidget>
Widget* FindControl(QWidget* window, std::string_view label) {
    const QString name = QString::fromUtf8(label.data(), static_cast<qsizetype>(label.size()));
    if (window == nullptr) {
        return nullptr;
    }
    if (window->objectName() == name) {
        if (auto* self = qobject_cast<Widget*>(window)) {
            return self;
        }
    }
    return window->findChild<Widget*>(name);
}

}  // namespace quillon::window
