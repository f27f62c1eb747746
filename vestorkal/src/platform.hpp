#pragma once

// The one place where vestorkal differs between systems. Exactly one of
// platform_posix.cpp and platform_windows.cpp is built.

#include "feeder.hpp"
#include "io.hpp"

#include <string_view>

namespace vestorkal::platform {

// The map folder with this system's separator, and its path limit.
extern const Layout layout;

Io& standard_io();

// Writes one line to standard error, best effort: there is nowhere else to
// report that it failed.
void print_error(std::string_view message);

} // namespace vestorkal::platform
