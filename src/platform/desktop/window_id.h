#pragma once

#include <cstdint>

namespace quillon::platform {

// A native top-level window of any application: an X window id on X11. 0 means no window.
using WindowId = std::uint32_t;

}  // namespace quillon::platform
