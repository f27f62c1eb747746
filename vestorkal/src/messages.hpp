#pragma once

#include "feeder.hpp"

#include <string_view>

namespace vestorkal {

// The line that standard error gets for a failure, in the encoding the build
// chose; empty for Outcome::copied.
std::string_view message(Outcome outcome);

// The Windows code page number of that encoding: 1250 or 65001 (UTF-8).
extern const unsigned message_code_page;

} // namespace vestorkal
