#include "platform.hpp"

#include <cerrno>
#include <sys/stat.h>
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

bool same_regular_file(int fd, int other_fd) {
    struct stat one {};
    struct stat other {};
    return ::fstat(fd, &one) == 0 && ::fstat(other_fd, &other) == 0 && S_ISREG(one.st_mode) &&
           S_ISREG(other.st_mode) && one.st_dev == other.st_dev && one.st_ino == other.st_ino;
}

} // namespace errfold::platform
