#include "standard_streams.hpp"

#include "platform.hpp"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace errfold {

namespace {

constexpr int kInput = 0, kOutput = 1, kError = 2;

int write_all(int fd, std::span<const char> bytes) {
    while (!bytes.empty()) {
        const std::ptrdiff_t put = platform::write_some(fd, bytes);
        if (put < 0) return static_cast<int>(-put);
        if (put == 0) return ENOSPC;
        bytes = bytes.subspan(static_cast<std::size_t>(put));
    }
    return 0;
}

class StandardInput final : public ByteSource {
  public:
    std::ptrdiff_t read(std::span<char> into) override { return platform::read_some(kInput, into); }
};

class StandardOutput final : public ByteSink {
  public:
    int write(std::span<const char> bytes) override {
        wrote_ = wrote_ || !bytes.empty();
        return write_all(kOutput, bytes);
    }
    // With nothing written there is nothing to lose, and a standard output
    // that was never open is no error.
    int finish() override { return wrote_ ? platform::close_stream(kOutput) : 0; }

  private:
    bool wrote_ = false;
};

StandardInput input;
StandardOutput output;

} // namespace

ByteSource& standard_input() {
    return input;
}

ByteSink& standard_output() {
    return output;
}

bool input_is_output() {
    return platform::same_regular_file(kInput, kOutput);
}

void print_error(std::initializer_list<std::string_view> parts) {
    char line[1024];
    const std::string_view end = *(parts.end() - 1);
    const std::size_t kept = std::min(end.size(), sizeof line);
    std::size_t used = 0;
    for (const auto* part = parts.begin(); part + 1 < parts.end(); ++part) {
        const std::size_t n = std::min(part->size(), sizeof line - kept - used);
        std::memcpy(line + used, part->data(), n);
        used += n;
    }
    std::memcpy(line + used, end.data(), kept);
    (void)write_all(kError, {line, used + kept});
}

void print_stream_error(bool reading, int error) {
    print_error(
        {"errfold: ", reading ? "read error: " : "write error: ", std::strerror(error), "\n"});
}

void write_error(std::string_view bytes) {
    (void)write_all(kError, bytes);
}

int print_output(std::string_view text) {
    const int error = output.write(text);
    const int closed = output.finish();
    return error != 0 ? error : closed;
}

} // namespace errfold
