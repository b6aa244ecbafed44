#include "platform/window/choosers.h"

#include <QColorDialog>
#include <QFontDialog>

namespace quillon::window {

QColor ColourFromNumber(std::int32_t bgr) {
    if (bgr < 0) {
        return {};
    }
    const auto value = static_cast<std::uint32_t>(bgr);
    return QColor(static_cast<int>(value & 0xFF), static_cast<int>((value >> 8) & 0xFF),
                  static_cast<int>((value >> 16) & 0xFF));
}

std::int32_t NumberFromColour(const QColor& colour) {
    if (!colour.isValid()) {
        return kNoColour;
    }
    const QColor rgb = colour.toRgb();
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(rgb.red()) |
                                     (static_cast<std::uint32_t>(rgb.green()) << 8) |
                                     (static_cast<std::uint32_t>(rgb.blue()) << 16));
}

std::optional<std::int32_t> QtChoosers::ChooseColour(QWidget* parent, std::int32_t start) {
    QColorDialog dialog(parent);
    dialog.setWindowTitle(QString());
    if (start != kNoColour) {
        dialog.setCurrentColor(ColourFromNumber(start));
    }
    if (dialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    return NumberFromColour(dialog.selectedColor());
}

std::optional<FontChoice> QtChoosers::ChooseFont(QWidget* parent, const FontChoice& start) {
    QFont font(QString::fromStdString(start.face));
    if (start.points > 0) {
        font.setPointSize(start.points);
    }
    QFontDialog dialog(font, parent);
    dialog.setWindowTitle(QString());
    if (dialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    const QFont chosen = dialog.selectedFont();
    return FontChoice{chosen.family().toStdString(), chosen.pointSize()};
}

}  // namespace quillon::window
