#include "platform/window/dialog_units.h"

#include <QFontMetrics>
#include <QString>
#include <algorithm>
#include <cmath>

namespace quillon::window {
namespace {

// Rounded a * b / c, as the platform's own conversion rounds (halves away from zero).
int MulDiv(int a, int b, int c) {
    const long long product = static_cast<long long>(a) * b;
    const long long half = c / 2;
    return static_cast<int>(product >= 0 ? (product + half) / c : -((-product + half) / c));
}

int AverageCharWidth(const QFont& font) {
    // The average over the 52 letters, rounded, is what dialog units of a font are based on.
    static const QString kLetters =
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    const QFontMetrics metrics(font);
    return std::max(1, (metrics.horizontalAdvance(kLetters) + 26) / 52);
}

}  // namespace

DialogUnits::DialogUnits(const QFont& font)
    : DialogUnits(AverageCharWidth(font), QFontMetrics(font).height()) {}

DialogUnits::DialogUnits(int averageCharWidth, int charHeight)
    : averageCharWidth_(std::max(1, averageCharWidth)), charHeight_(std::max(1, charHeight)) {}

int DialogUnits::ToPixelsX(int units) const {
    return MulDiv(units, averageCharWidth_, 4);
}
int DialogUnits::ToPixelsY(int units) const {
    return MulDiv(units, charHeight_, 8);
}
int DialogUnits::FromPixelsX(int pixels) const {
    return MulDiv(pixels, 4, averageCharWidth_);
}
int DialogUnits::FromPixelsY(int pixels) const {
    return MulDiv(pixels, 8, charHeight_);
}

QPoint DialogUnits::ToPixels(QPoint units) const {
    return {ToPixelsX(units.x()), ToPixelsY(units.y())};
}

QSize DialogUnits::ToPixels(QSize units) const {
    return {ToPixelsX(units.width()), ToPixelsY(units.height())};
}

QRect DialogUnits::ToPixels(QRect units) const {
    return {ToPixels(units.topLeft()), ToPixels(units.size())};
}

}  // namespace quillon::window
