#pragma once

#include <QColor>
#include <QWidget>
#include <cstdint>
#include <optional>
#include <string>

namespace quillon::window {

// Colours are kept as 0x00BBGGRR numbers; -1 means no colour.
inline constexpr std::int32_t kNoColour = -1;
QColor ColourFromNumber(std::int32_t bgr);            // invalid QColor for -1
std::int32_t NumberFromColour(const QColor& colour);  // -1 for an invalid colour

struct FontChoice {
    std::string face;
    int points = 8;
    friend bool operator==(const FontChoice&, const FontChoice&) = default;
};

// The platform's colour and font choosers; nothing back when the user cancels.
class Choosers {
public:
    virtual ~Choosers() = default;
    // Starts from `start` unless it is -1.
    virtual std::optional<std::int32_t> ChooseColour(QWidget* parent, std::int32_t start) = 0;
    // Only face and size are taken from the chooser.
    virtual std::optional<FontChoice> ChooseFont(QWidget* parent, const FontChoice& start) = 0;
};

// Qt's colour and font dialogs, without a title.
class QtChoosers final : public Choosers {
public:
    std::optional<std::int32_t> ChooseColour(QWidget* parent, std::int32_t start) override;
    std::optional<FontChoice> ChooseFont(QWidget* parent, const FontChoice& start) override;
};

}  // namespace quillon::window
