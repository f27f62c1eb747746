#include "platform.hpp"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <io.h>

// Standard input and output stay in the C runtime's default text mode: CR LF
// arrives as LF, each LF leaves as CR LF, and Ctrl-Z ends input.

namespace errfold::platform {

const bool fold_crlf = false;

namespace {

constexpr unsigned kMaxCount = INT_MAX;

class FdSource final : public ByteSource {
  public:
    std::ptrdiff_t read(std::span<char> into) override {
        const auto count = static_cast<unsigned>(std::min<std::size_t>(into.size(), kMaxCount));
        const int got = ::_read(0, into.data(), count);
        return got >= 0 ? got : -errno;
    }
};

int write_all(int fd, std::span<const char> bytes) {
    while (!bytes.empty()) {
        const auto count = static_cast<unsigned>(std::min<std::size_t>(bytes.size(), kMaxCount));
        const int put = ::_write(fd, bytes.data(), count);
        if (put < 0) return errno;
        if (put == 0) return ENOSPC;
        bytes = bytes.subspan(static_cast<std::size_t>(put));
    }
    return 0;
}

class FdSink final : public ByteSink {
  public:
    int write(std::span<const char> bytes) override {
        wrote_ = wrote_ || !bytes.empty();
        return write_all(1, bytes);
    }
    int finish() override {
        if (!wrote_ || ::_close(1) == 0) return 0;
        return errno;
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
    (void)write_all(2, message);
}

std::string_view describe(int error) {
    return std::strerror(error);
}

} // namespace errfold::platform
