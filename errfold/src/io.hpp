#pragma once

#include <cstddef>
#include <span>

namespace errfold {

// Where input bytes come from. The filter never sees a file descriptor, so
// tests can feed it from memory in any split they like.
class ByteSource {
  public:
    virtual ~ByteSource() = default;
    // Fills the front of `into`: returns the count of bytes placed, 0 at the
    // end of input, or a negated errno value when the read failed.
    virtual std::ptrdiff_t read(std::span<char> into) = 0;
};

// Where output bytes go.
class ByteSink {
  public:
    virtual ~ByteSink() = default;
    // Writes every byte; returns 0, or the errno value of the failure.
    virtual int write(std::span<const char> bytes) = 0;
    // Called once after the last write, so that a failure the system reports
    // only when the stream is closed still counts; returns 0 or an errno value.
    virtual int finish() { return 0; }
};

} // namespace errfold
