#pragma once

#include <cstdint>
#include <functional>

namespace quillon::desktop {

// Time of day as records keep it: hundredths of a second since midnight, plus 1.
std::int32_t TimeOfDayNow();

// Hundredths of a second from `earlier` to `later`, counting across midnight.
std::int32_t HundredthsBetween(std::int32_t earlier, std::int32_t later);

// Where an object takes the time of day from; tests give their own.
using TimeOfDaySource = std::function<std::int32_t()>;

}  // namespace quillon::desktop
