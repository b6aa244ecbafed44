#include "platform/window/qt_placed_window.h"

#include "platform/window/dialog_units.h"

namespace quillon::window {

namespace {

DialogUnits UnitsOf(const QWidget& window) {
    return DialogUnits(window.font());
}

}  // namespace

bool QtPlacedWindow::IsMaximized() const {
    return window_ && window_->isMaximized();
}

bool QtPlacedWindow::IsMinimized() const {
    return window_ && window_->isMinimized();
}

bool QtPlacedWindow::IsResizable() const {
    return window_ && window_->minimumSize() != window_->maximumSize();
}

int QtPlacedWindow::X() const {
    return window_ ? UnitsOf(*window_).FromPixelsX(window_->pos().x()) : 0;
}

int QtPlacedWindow::Y() const {
    return window_ ? UnitsOf(*window_).FromPixelsY(window_->pos().y()) : 0;
}

int QtPlacedWindow::Width() const {
    return window_ ? UnitsOf(*window_).FromPixelsX(window_->width()) : 0;
}

int QtPlacedWindow::Height() const {
    return window_ ? UnitsOf(*window_).FromPixelsY(window_->height()) : 0;
}

void QtPlacedWindow::SetX(int x) {
    if (window_) {
        window_->move(UnitsOf(*window_).ToPixelsX(x), window_->pos().y());
    }
}

void QtPlacedWindow::SetY(int y) {
    if (window_) {
        window_->move(window_->pos().x(), UnitsOf(*window_).ToPixelsY(y));
    }
}

void QtPlacedWindow::SetWidth(int width) {
    if (window_) {
        window_->resize(UnitsOf(*window_).ToPixelsX(width), window_->height());
    }
}

void QtPlacedWindow::SetHeight(int height) {
    if (window_) {
        window_->resize(window_->width(), UnitsOf(*window_).ToPixelsY(height));
    }
}

void QtPlacedWindow::Maximize() {
    if (window_) {
        window_->setWindowState((window_->windowState() & ~Qt::WindowMinimized) |
                                Qt::WindowMaximized);
    }
}

void QtPlacedWindow::ShowNormal() {
    if (window_) {
        window_->setWindowState(window_->windowState() &
                                ~(Qt::WindowMaximized | Qt::WindowMinimized));
    }
}

}  // namespace quillon::window
