#include "platform/window/control_events.h"

#include <QItemSelectionModel>
#include <QPointer>

#include "platform/window/queue_models.h"

namespace quillon::window {

ControlEvents::ControlEvents(QWidget* window) : QObject(window) {
    setObjectName(QStringLiteral("quillon-control-events"));
}

ControlEvents* ControlEvents::For(QWidget* widget) {
    QWidget* window = widget->window();
    auto* events = window->findChild<ControlEvents*>(QStringLiteral("quillon-control-events"),
                                                     Qt::FindDirectChildrenOnly);
    return events != nullptr ? events : new ControlEvents(window);
}

void ControlEvents::Post(QWidget* control, ControlEvent event) {
    QMetaObject::invokeMethod(
        this,
        [this, target = QPointer<QWidget>(control), event] {
            if (!target.isNull()) {
                emit Happened(target.data(), event);
            }
        },
        Qt::QueuedConnection);
}

void ControlEvents::Raise(QWidget* control, ControlEvent event) {
    emit Happened(control, event);
}

void ControlEvents::WatchSelection(QAbstractItemView* list) {
    connect(list->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this, list](const QModelIndex& current) {
                if (!selecting_ && current.isValid()) {
                    emit Happened(list, ControlEvent::NewSelection);
                }
            });
}

bool ControlEvents::SelectRow(QAbstractItemView* list, int position) {
    const auto* rows = dynamic_cast<const QueueRows*>(list->model());
    const QModelIndex index = rows != nullptr ? rows->IndexOf(position) : QModelIndex();
    if (!index.isValid()) {
        return false;
    }
    selecting_ = true;
    list->setCurrentIndex(index);
    list->scrollTo(index);
    selecting_ = false;
    list->setFocus();
    return true;
}

int ControlEvents::SelectedPosition(const QAbstractItemView* list) {
    const auto* rows = dynamic_cast<const QueueRows*>(list->model());
    return rows != nullptr ? rows->PositionOf(list->currentIndex()) : 0;
}

}  // namespace quillon::window
