#pragma once

namespace quillon {

// What placing a window needs of it, in the dialog units of the window's font.
class PlacedWindow {
public:
    virtual ~PlacedWindow() = default;
    virtual bool IsMaximized() const = 0;
    virtual bool IsMinimized() const = 0;
    virtual bool IsResizable() const = 0;
    virtual int X() const = 0;
    virtual int Y() const = 0;
    virtual int Width() const = 0;
    virtual int Height() const = 0;
    virtual void SetX(int x) = 0;
    virtual void SetY(int y) = 0;
    virtual void SetWidth(int width) = 0;
    virtual void SetHeight(int height) = 0;
    virtual void Maximize() = 0;
    virtual void ShowNormal() = 0;
};

}  // namespace quillon
