#include "feeder.hpp"

#include "reference.hpp"

#include <algorithm>

namespace vestorkal {

namespace {

// A reference is short; a small read leaves most of a long input unread.
constexpr std::size_t kInputBlock = 4096;
constexpr char kEndMarker[] = {'\xFF'};

// The feeder's memory, taken at no cost when the program starts; only the
// pages used are ever touched. The path room fits the longest path of any
// system the program is built for (Windows takes 32767 characters).
char path_room[32768];
char copy_block[std::size_t{128} * 1024];

Scan read_reference(Io& io, ReferenceScanner& scanner) {
    char block[kInputBlock];
    // Where bytes read past the name run cannot be given back, none are read:
    // the byte that ends the run is the last one taken, as in a shell's read.
    const bool unread = io.can_unread_input();
    const std::span<char> room(block, unread ? kInputBlock : 1);
    while (scanner.scan() == Scan::pending) {
        const std::ptrdiff_t got = io.read_input(room);
        if (got < 0) return Scan::no_reference;
        if (got == 0) {
            scanner.end_of_input();
            break;
        }
        const auto count = static_cast<std::size_t>(got);
        const std::size_t taken = scanner.take({block, count});
        if (taken < count && unread) io.unread_input(count - taken);
    }
    return scanner.scan();
}

} // namespace

Outcome copy_map(Io& io) {
    for (;;) {
        const std::ptrdiff_t moved = io.transfer_map();
        if (moved == 0) return Outcome::copied;
        if (moved < 0) break;
    }
    // Whatever the system could not move goes on from where it stopped.
    for (;;) {
        const std::ptrdiff_t got = io.read_map(copy_block);
        if (got == 0) return Outcome::copied;
        if (got < 0) return Outcome::read_error;
        if (io.write_output({copy_block, static_cast<std::size_t>(got)}) != 0) {
            return Outcome::write_error;
        }
    }
}

Outcome feed(Io& io, const Layout& layout) {
    const std::span<char> room(path_room, std::min(layout.path_limit, sizeof path_room));
    ReferenceScanner scanner(room, layout.map_folder);
    switch (read_reference(io, scanner)) {
    case Scan::map_path:
        break;
    case Scan::invalid_path:
        return Outcome::missing_map;
    case Scan::pending:
    case Scan::no_reference:
        return Outcome::wrong_name;
    }
    if (!io.open_map(scanner.map_path())) return Outcome::missing_map;
    // Copying a map onto itself never ends when output appends, and writes
    // the end marker into the map when it does not.
    if (io.map_is_output()) return Outcome::map_is_output;
    // A map cut short by a read error must not look complete downstream.
    if (const Outcome copied = copy_map(io); copied != Outcome::copied) return copied;
    if (io.write_output(kEndMarker) != 0 || io.finish_output() != 0) return Outcome::write_error;
    return Outcome::copied;
}

} // namespace vestorkal
