#pragma once

#include <cstddef>
#include <span>
#include <string_view>

namespace vestorkal {

enum class Scan {
    pending,      // more input is needed
    no_reference, // the input holds no map reference
    invalid_path, // the map name cannot name a file: too long, or holds a NUL
    map_path,     // map_path() is ready
};

// Reads a map reference as the scan format " {%s}" does: optional whitespace,
// "{", optional whitespace, then the name run, the longest run of bytes that
// are not whitespace. The map name is the run less its last byte, whatever
// that byte is. The run goes straight into the map path, behind the map
// folder, so the path is built without a second copy.
class ReferenceScanner {
  public:
    // `room` holds the whole map path and its terminating NUL, so its size is
    // the longest path the system accepts; a name run that cannot fit is not
    // read to its end. `map_folder` ends in the separator.
    ReferenceScanner(std::span<char> room, std::string_view map_folder);

    // Takes input bytes while the scan is pending and returns how many it
    // took; the byte that ends the name run, and all after it, stay unread.
    std::size_t take(std::string_view bytes);
    void end_of_input();

    Scan scan() const { return scan_; }
    // The NUL-terminated map path once scan() is Scan::map_path.
    const char* map_path() const { return room_.data(); }

  private:
    void end_run();

    std::span<char> room_;
    std::size_t folder_;
    std::size_t max_run_;
    std::size_t run_ = 0;
    bool brace_ = false;
    Scan scan_ = Scan::pending;
};

} // namespace vestorkal
