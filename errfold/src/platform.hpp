#pragma once

// The one place where errfold differs between systems. Exactly one of
// platform_posix.cpp and platform_windows.cpp is built.

#include "io.hpp"

#include <string_view>

namespace errfold::platform {

// Whether the filter itself must read CR LF as one newline. A Windows text
// stream has already done so; a POSIX stream delivers both bytes.
extern const bool fold_crlf;

ByteSource& standard_input();
ByteSink& standard_output();

// Writes one line to standard error, best effort: there is nowhere else to
// report that it failed.
void print_error(std::string_view message);
// The system's text for an errno value.
std::string_view describe(int error);

} // namespace errfold::platform
