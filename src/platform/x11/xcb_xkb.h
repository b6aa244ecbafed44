#pragma once

// xcb's XKB header names two struct members "explicit", a C++ keyword.
#define explicit explicit_
#include <xcb/xkb.h>
#undef explicit
