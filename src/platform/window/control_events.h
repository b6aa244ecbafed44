#pragma once

#include <QAbstractItemView>
#include <QObject>
#include <QWidget>

namespace quillon::window {

enum class ControlEvent {
    Accepted,      // a button pressed, an option chosen
    NewSelection,  // a list row chosen
};

// The control events of one window. The window reacts to Happened; a posted event is raised
// after the current reaction has returned, from the event loop.
class ControlEvents final : public QObject {
    Q_OBJECT
public:
    // The events of the window that `widget` belongs to (made on first use, owned by the window).
    static ControlEvents* For(QWidget* widget);

    // Raises the event once the current reaction is over; dropped if the control is gone.
    void Post(QWidget* control, ControlEvent event);
    // Raises the event now.
    void Raise(QWidget* control, ControlEvent event);

    // The user's change of the list's current row raises NewSelection. Call after the list has
    // its model.
    void WatchSelection(QAbstractItemView* list);
    // Selects the row of a queue position (1-based) and gives the list the focus, without
    // raising NewSelection; false when the list's model has no such position.
    bool SelectRow(QAbstractItemView* list, int position);
    // The queue position of the list's current row; 0 for none.
    static int SelectedPosition(const QAbstractItemView* list);

signals:
    void Happened(QWidget* control, quillon::window::ControlEvent event);

private:
    explicit ControlEvents(QWidget* window);
    bool selecting_ = false;
};

}  // namespace quillon::window
