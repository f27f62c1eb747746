#include "platform.hpp"

#include <cerrno>
#include <unistd.h>

namespace errfold::platform {

const bool fold_crlf = true;

std::ptrdiff_t read_some(int fd, std::span<char> into) {
    for (;;) {
        const ssize_t got = ::read(fd, into.data(), into.size());
        if (got >= 0) return got;
        if (errno != EINTR) return -errno;
    }
}

std::ptrdiff_t write_some(int fd, std::span<const char> bytes) {
    for (;;) {
        const ssize_t put = ::write(fd, bytes.data(), bytes.size());
        if (put >= 0) return put;
        if (errno != EINTR) return -errno;
    }
}

// After EINTR the descriptor is closed all the same on this system.
int close_stream(int fd) {
    return ::close(fd) == 0 || errno == EINTR ? 0 : errno;
}

} // namespace errfold::platform
