#pragma once

// The one place where errfold differs between systems. Exactly one of
// platform_posix.cpp and platform_windows.cpp is built.

#include <cstddef>
#include <span>

namespace errfold::platform {

// Whether the filter itself must read CR LF as one newline. A Windows text
// stream has already done so; a POSIX stream delivers both bytes.
extern const bool fold_crlf;

// One read from a standard stream: the count placed, 0 at its end, or a
// negated errno value.
std::ptrdiff_t read_some(int fd, std::span<char> into);
// One write to a standard stream: the count taken, or a negated errno value.
std::ptrdiff_t write_some(int fd, std::span<const char> bytes);
// Closes a standard stream: 0, or the errno value of the failure.
int close_stream(int fd);
// Whether both streams are open on one and the same regular file. Devices,
// pipes and terminals never count, even when both streams share one.
bool same_regular_file(int fd, int other_fd);

} // namespace errfold::platform
