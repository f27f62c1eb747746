#pragma once

#include <cstddef>
#include <span>

namespace vestorkal {

// Everything the feeder touches outside itself: standard input, the map file
// and standard output. The platform provides the real one; tests stand in
// with memory. Counts are returned as they come; a negated errno value
// reports a failure.
class Io {
  public:
    virtual ~Io() = default;

    // Fills the front of `into` from standard input: the count placed, 0 at
    // the end of input, or a negated errno value.
    virtual std::ptrdiff_t read_input(std::span<char> into) = 0;
    // Whether standard input can take back bytes read past the reference, so
    // that they stay there for whoever reads it next: true for a regular
    // file, false for a pipe, a terminal or a device, where they would be
    // gone.
    virtual bool can_unread_input() = 0;
    // Gives the last `count` bytes read back; only where can_unread_input().
    virtual void unread_input(std::size_t count) = 0;

    // Opens the map file for reading; false when that cannot be done, which
    // includes a path that names a directory.
    virtual bool open_map(const char* path) = 0;
    // Whether the open map and standard output are one regular file.
    virtual bool map_is_output() = 0;
    // Like read_input, from the open map file.
    virtual std::ptrdiff_t read_map(std::span<char> into) = 0;
    // Moves bytes of the map straight to standard output inside the system,
    // where it can: the count moved, 0 at the end of the map, or a negated
    // errno value when it cannot, and read_map and write_output must go on.
    virtual std::ptrdiff_t transfer_map() = 0;

    // Writes every byte to standard output; 0, or the errno value.
    virtual int write_output(std::span<const char> bytes) = 0;
    // Called once after the last write, so that a failure the system reports
    // only when the stream is closed still counts; 0 or an errno value.
    virtual int finish_output() = 0;
};

} // namespace vestorkal
