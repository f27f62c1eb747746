// Feeds arbitrary bytes to vestorkal's map reference scanner and checks the
// map path it builds against a plain reading of " {%s}".

#include "reference.hpp"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr std::string_view kFolder = "mapy/";

bool is_space(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

void fail(const char* what) {
    std::fprintf(stderr, "%s\n", what);
    std::abort();
}

// The name run as " {%s}" reads it, or nothing when no reference is there.
std::optional<std::string> plain_name_run(std::string_view in) {
    std::size_t p = 0;
    while (p < in.size() && is_space(in[p]))
        ++p;
    if (p == in.size() || in[p++] != '{') return std::nullopt;
    while (p < in.size() && is_space(in[p]))
        ++p;
    std::string run;
    while (p < in.size() && !is_space(in[p]))
        run += in[p++];
    if (run.empty()) return std::nullopt;
    return run;
}

struct Scanned {
    vestorkal::Scan scan;
    std::string path;
    std::size_t taken;
};

Scanned scan(std::string_view input, std::size_t room_size, std::size_t step) {
    std::vector<char> room(room_size);
    vestorkal::ReferenceScanner scanner(room, kFolder);
    std::size_t taken = 0;
    while (scanner.scan() == vestorkal::Scan::pending && taken < input.size()) {
        const std::string_view piece = input.substr(taken, step);
        const std::size_t took = scanner.take(piece);
        taken += took;
        if (took < piece.size()) break;
    }
    if (scanner.scan() == vestorkal::Scan::pending) scanner.end_of_input();
    Scanned s{scanner.scan(), {}, taken};
    if (s.scan == vestorkal::Scan::map_path) s.path = scanner.map_path();
    return s;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    // Two bytes pick the room for the path (never less than the folder, the
    // extension and the NUL) and a read size; the rest is input.
    const std::size_t room_size = kFolder.size() + 5 + data[0] % 80;
    const std::size_t step = 1 + data[1] % 16;
    const std::string_view input(reinterpret_cast<const char*>(data) + 2, size - 2);

    const Scanned whole = scan(input, room_size, input.size() + 1);
    const Scanned split = scan(input, room_size, step);
    if (whole.scan != split.scan || whole.path != split.path || whole.taken != split.taken)
        fail("the result depends on how the input is split");

    const auto run = plain_name_run(input);
    if (!run) {
        if (whole.scan != vestorkal::Scan::no_reference) fail("a reference where there is none");
        return 0;
    }
    const std::string name = run->substr(0, run->size() - 1);
    const bool fits = kFolder.size() + name.size() + 4 < room_size;
    const bool nul = name.find('\0') != std::string::npos;
    if (!fits || nul) {
        if (whole.scan != vestorkal::Scan::invalid_path) fail("an impossible path was accepted");
        return 0;
    }
    if (whole.scan != vestorkal::Scan::map_path) fail("a valid reference was refused");
    if (whole.path != std::string(kFolder) + name + ".map")
        fail("the path is not folder, name, .map");
    for (const char c : name)
        if (is_space(c)) fail("whitespace in the map name");
    return 0;
}
