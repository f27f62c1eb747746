#pragma once

#include "feeder.hpp"

#include <string_view>

namespace vestorkal {

// The line that standard error gets for a failure, in the encoding the build
// chose; empty for Outcome::copied.
std::string_view message(Outcome outcome);

} // namespace vestorkal
