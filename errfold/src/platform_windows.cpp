#include "platform.hpp"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <io.h>

// Standard input and output stay in the C runtime's default text mode: CR LF
// arrives as LF, each LF leaves as CR LF, and Ctrl-Z ends input.

namespace errfold::platform {

const bool fold_crlf = false;

namespace {
// The runtime counts in int.
unsigned clamp(std::size_t size) {
    return static_cast<unsigned>(std::min<std::size_t>(size, INT_MAX));
}
} // namespace

std::ptrdiff_t read_some(int fd, std::span<char> into) {
    const int got = ::_read(fd, into.data(), clamp(into.size()));
    return got >= 0 ? got : -errno;
}

std::ptrdiff_t write_some(int fd, std::span<const char> bytes) {
    const int put = ::_write(fd, bytes.data(), clamp(bytes.size()));
    return put >= 0 ? put : -errno;
}

int close_stream(int fd) {
    return ::_close(fd) == 0 ? 0 : errno;
}

} // namespace errfold::platform
