#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>
#include <map>
#include <set>

namespace quillon::window {

// Keys registered as alert keys raise an alert-key event instead of reaching the control.
// Registered on a control, they count while that control has the focus (a double click counts
// on the control itself); registered on the window, they count anywhere in it. A key of the
// control wins over the same key of the window. A control's keys are taken before hooks attached
// to it later see them (WindowHook), so register them before attaching hooks.
class AlertKeys final : public QObject {
    Q_OBJECT
public:
    explicit AlertKeys(QWidget* window);

    // `target` is a control of the window, or the window itself.
    void Alert(QWidget* target, int keyCode);
    void Unalert(QWidget* target, int keyCode);
    // A window key that raises the alert of another code (F1 raises F12's alert).
    void MapKey(int fromCode, int toCode);

signals:
    void AlertKey(QWidget* control, int keyCode);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* ControlOf(QObject* watched) const;
    void AddWindowKey(int registeredCode, int raisedCode);

    QWidget* window_;
    std::map<QWidget*, std::set<int>> controlKeys_;
    std::map<int, QObject*> windowShortcuts_;  // by the code pressed
};

}  // namespace quillon::window
