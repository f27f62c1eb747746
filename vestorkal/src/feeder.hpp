#pragma once

#include "io.hpp"

#include <cstddef>
#include <string_view>

namespace vestorkal {

enum class Outcome {
    copied,        // the map and the end marker went out
    wrong_name,    // no map reference could be read
    missing_map,   // the map file cannot be opened
    map_is_output, // standard output is the map file itself
    read_error,    // reading the map failed; no end marker was written
    write_error,   // writing standard output failed
};

// Where this system keeps the maps, and how long a path it accepts.
struct Layout {
    std::string_view map_folder; // ends in the separator
    std::size_t path_limit;      // bytes, the terminating NUL included
};

// Reads one map reference from standard input and copies the map it names to
// standard output, followed by the end marker. One feed at a time: the path
// and the copy block are the feeder's own static memory.
Outcome feed(Io& io, const Layout& layout);

// Copies the rest of the open map to standard output, inside the system where
// it can, else through a block of memory.
Outcome copy_map(Io& io);

} // namespace vestorkal
