#include "platform.hpp"

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace errfold::platform {

const bool fold_crlf = true;

namespace {

class FdSource final : public ByteSource {
  public:
    std::ptrdiff_t read(std::span<char> into) override {
        for (;;) {
            const ssize_t got = ::read(STDIN_FILENO, into.data(), into.size());
            if (got >= 0) return got;
            if (errno != EINTR) return -errno;
        }
    }
};

int write_all(int fd, std::span<const char> bytes) {
    while (!bytes.empty()) {
        const ssize_t put = ::write(fd, bytes.data(), bytes.size());
        if (put < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        bytes = bytes.subspan(static_cast<std::size_t>(put));
    }
    return 0;
}

class FdSink final : public ByteSink {
  public:
    int write(std::span<const char> bytes) override {
        wrote_ = wrote_ || !bytes.empty();
        return write_all(STDOUT_FILENO, bytes);
    }
    // A file system may report a failed write only at close. With nothing
    // written there is nothing to lose, and a closed descriptor is no error.
    int finish() override {
        if (!wrote_ || ::close(STDOUT_FILENO) == 0) return 0;
        return errno == EINTR ? 0 : errno;
    }

  private:
    bool wrote_ = false;
};

} // namespace

ByteSource& standard_input() {
    static FdSource source;
    return source;
}

ByteSink& standard_output() {
    static FdSink sink;
    return sink;
}

void print_error(std::string_view message) {
    (void)write_all(STDERR_FILENO, message);
}

std::string_view describe(int error) {
    return std::strerror(error);
}

} // namespace errfold::platform
