#include "desktop/time_of_day.h"

#include <QTime>

namespace quillon::desktop {

namespace {
constexpr std::int32_t kHundredthsPerDay = 24 * 60 * 60 * 100;
}

std::int32_t TimeOfDayNow() {
    return QTime::currentTime().msecsSinceStartOfDay() / 10 + 1;
}

std::int32_t HundredthsBetween(std::int32_t earlier, std::int32_t later) {
    const std::int32_t difference = later - earlier;
    return difference >= 0 ? difference : difference + kHundredthsPerDay;
}

}  // namespace quillon::desktop
