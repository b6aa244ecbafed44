#pragma once

#include <QFont>
#include <QPoint>
#include <QRect>
#include <QSize>

namespace quillon::window {

// Layouts give positions and sizes in dialog units of the window's font: a horizontal unit is a
// quarter of the font's average character width, a vertical unit an eighth of its height.
class DialogUnits {
public:
    explicit DialogUnits(const QFont& font);
    DialogUnits(int averageCharWidth, int charHeight);

    int averageCharWidth() const { return averageCharWidth_; }
    int charHeight() const { return charHeight_; }

    int ToPixelsX(int units) const;
    int ToPixelsY(int units) const;
    int FromPixelsX(int pixels) const;
    int FromPixelsY(int pixels) const;
    QPoint ToPixels(QPoint units) const;
    QSize ToPixels(QSize units) const;
    QRect ToPixels(QRect units) const;  // x, y, w, h of a layout table

private:
    int averageCharWidth_;
    int charHeight_;
};

}  // namespace quillon::window
