#pragma once

#include <QPointer>
#include <QWidget>

#include "platform/core/placed_window.h"

namespace quillon::window {

// A Qt top-level window as the placement rules see it: positions and sizes in the dialog units of
// the window's font. A window whose minimum and maximum sizes are equal cannot be resized.
class QtPlacedWindow final : public PlacedWindow {
public:
    explicit QtPlacedWindow(QWidget& window) : window_(&window) {}

    bool IsMaximized() const override;
    bool IsMinimized() const override;
    bool IsResizable() const override;
    int X() const override;
    int Y() const override;
    int Width() const override;
    int Height() const override;
    void SetX(int x) override;
    void SetY(int y) override;
    void SetWidth(int width) override;
    void SetHeight(int height) override;
    void Maximize() override;
    void ShowNormal() override;

private:
    QPointer<QWidget> window_;
};

}  // namespace quillon::window
