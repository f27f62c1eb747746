#include "platform.hpp"

#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#if defined(__linux__)
#include <sys/sendfile.h>
#endif

namespace vestorkal::platform {

const Layout layout{"mapy/", PATH_MAX};

namespace {

bool regular_file(int fd, struct stat& status) {
    return ::fstat(fd, &status) == 0 && S_ISREG(status.st_mode);
}

std::ptrdiff_t read_some(int fd, std::span<char> into) {
    for (;;) {
        const ssize_t got = ::read(fd, into.data(), into.size());
        if (got >= 0) return got;
        if (errno != EINTR) return -errno;
    }
}

int write_all(int fd, std::span<const char> bytes) {
    while (!bytes.empty()) {
        const ssize_t put = ::write(fd, bytes.data(), bytes.size());
        if (put < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        // A write that takes nothing would take nothing again: a full device.
        if (put == 0) return ENOSPC;
        bytes = bytes.subspan(static_cast<std::size_t>(put));
    }
    return 0;
}

class PosixIo final : public Io {
  public:
    std::ptrdiff_t read_input(std::span<char> into) override {
        return read_some(STDIN_FILENO, into);
    }

    bool can_unread_input() override {
        struct stat status {};
        return regular_file(STDIN_FILENO, status);
    }

    void unread_input(std::size_t count) override {
        (void)::lseek(STDIN_FILENO, -static_cast<off_t>(count), SEEK_CUR);
    }

    bool open_map(const char* path) override {
        map_ = ::open(path, O_RDONLY | O_CLOEXEC);
        if (map_ < 0) return false;
        // A directory opens for reading here, but it holds no map.
        if (::fstat(map_, &map_status_) == 0 && !S_ISDIR(map_status_.st_mode)) return true;
        ::close(map_);
        map_ = -1;
        return false;
    }

    // With standard output closed, the map takes its number; writes to it
    // then fail as they would on any closed output.
    bool map_is_output() override {
        struct stat output {};
        return map_ != STDOUT_FILENO && S_ISREG(map_status_.st_mode) &&
               regular_file(STDOUT_FILENO, output) && map_status_.st_dev == output.st_dev &&
               map_status_.st_ino == output.st_ino;
    }

    std::ptrdiff_t read_map(std::span<char> into) override { return read_some(map_, into); }

    // The kernel moves file pages to a pipe, file or socket without copying
    // them through the program. It refuses (EINVAL) when output is in append
    // mode, a terminal or a device such as /dev/full, and when the map is a
    // file it cannot splice from; those take the block copy.
    std::ptrdiff_t transfer_map() override {
#if defined(__linux__)
        constexpr std::size_t kChunk = std::size_t{1} << 30;
        // A pipe of the default 64 KiB makes both ends wake for every few
        // pages; a larger one lets each side move a megabyte at a time. Only
        // pipes take the request, and the kernel may refuse it: both fine.
        constexpr int kPipeBytes = 1 << 20;
        if (!pipe_sized_) (void)::fcntl(STDOUT_FILENO, F_SETPIPE_SZ, kPipeBytes);
        pipe_sized_ = true;
        for (;;) {
            const ssize_t moved = ::sendfile(STDOUT_FILENO, map_, nullptr, kChunk);
            if (moved >= 0) return moved;
            if (errno != EINTR) return -errno;
        }
#else
        return -ENOSYS;
#endif
    }

    int write_output(std::span<const char> bytes) override {
        return write_all(STDOUT_FILENO, bytes);
    }

    // A file system may report a failed write only at close.
    int finish_output() override {
        if (::close(STDOUT_FILENO) == 0) return 0;
        return errno == EINTR ? 0 : errno;
    }

  private:
    int map_ = -1;
    struct stat map_status_ {};
    bool pipe_sized_ = false;
};

PosixIo io;

} // namespace

Io& standard_io() {
    return io;
}

void print_error(std::string_view message) {
    (void)write_all(STDERR_FILENO, message);
}

} // namespace vestorkal::platform
