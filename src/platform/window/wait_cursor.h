#pragma once

#include <QApplication>
#include <QCursor>

namespace quillon::window {

// Shows the wait cursor for as long as it lives; nested ones stack.
class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(QCursor(Qt::WaitCursor)); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

}  // namespace quillon::window
