#include "feeder.hpp"
#include "reference.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>
#include <utility>

using namespace vestorkal;
using namespace std::string_view_literals;

namespace {

constexpr Layout kLayout{"mapy/", 4096};
constexpr std::size_t kNone = std::string::npos;

struct Scanned {
    Scan scan;
    std::string path;
    std::size_t taken = 0;
};

// Feeds `input` to a scanner in pieces of `piece` bytes, as reads would.
Scanned scan(std::string_view input, std::size_t piece, std::size_t limit = 4096) {
    std::string room(limit, '?');
    ReferenceScanner scanner(room, "mapy/");
    std::size_t taken = 0;
    for (std::size_t at = 0; at < input.size() && scanner.scan() == Scan::pending; at += piece) {
        taken += scanner.take(input.substr(at, piece));
    }
    scanner.end_of_input();
    const bool named = scanner.scan() == Scan::map_path;
    return {scanner.scan(), named ? scanner.map_path() : "", taken};
}

// Standard input holds "{m}"; the map and standard output are in memory. The
// system moves `transfers` chunks of the map before it refuses, map reads fail
// at `read_error_at`, and output beyond `output_room` bytes fails.
class MemoryIo final : public Io {
  public:
    std::string map, output;
    std::size_t transfers = 0, read_error_at = kNone, output_room = kNone;
    int finish_error = 0;

    std::ptrdiff_t read_input(std::span<char> into) override {
        const std::string_view input = std::exchange(input_, "");
        return std::copy(input.begin(), input.end(), into.begin()) - into.begin();
    }
    void unread_input(std::size_t /*count*/) override {}
    bool open_map(const char* path) override { return path == "mapy/m.map"sv; }
    std::ptrdiff_t read_map(std::span<char> into) override {
        if (at_ == read_error_at) return -EIO;
        return advance(std::min({into.size(), map.size() - at_, read_error_at - at_}), into.data());
    }
    std::ptrdiff_t transfer_map() override {
        const std::size_t n = std::min<std::size_t>(map.size() - at_, 65536);
        if (transfers-- == 0 || at_ + n > read_error_at || output.size() + n > output_room) {
            transfers = 0;
            return -EINVAL;
        }
        output.append(map, at_, n);
        return advance(n, nullptr);
    }
    int write_output(std::span<const char> bytes) override {
        if (output.size() + bytes.size() > output_room) return ENOSPC;
        output.append(bytes.data(), bytes.size());
        return 0;
    }
    int finish_output() override { return finish_error; }

  private:
    std::ptrdiff_t advance(std::size_t n, char* into) {
        if (into != nullptr) std::memcpy(into, map.data() + at_, n);
        at_ += n;
        return static_cast<std::ptrdiff_t>(n);
    }
    std::string_view input_ = "{m}";
    std::size_t at_ = 0;
};

} // namespace

TEST(Reference, ScansAsTheScanFormatDoes) {
    const struct {
        std::string_view input;
        Scan scan;
        std::string_view path;
        std::size_t taken;
    } cases[] = {
        {"{abc}", Scan::map_path, "mapy/abc.map", 5},
        {"  { abc}", Scan::map_path, "mapy/abc.map", 8},
        {"{abc }", Scan::map_path, "mapy/ab.map", 4},
        {"{abc}xyz", Scan::map_path, "mapy/abc}xy.map", 8},
        {"{}", Scan::map_path, "mapy/.map", 2},
        {"\t\n\v\f\r {\t\n\v\f\r abc}\f{next}", Scan::map_path, "mapy/abc.map", 17},
        {"{{}}\n", Scan::map_path, "mapy/{}.map", 4},
        {"{sub/../a\xA0\x85\xFF}", Scan::map_path, "mapy/sub/../a\xA0\x85\xFF.map", 13},
        {"{abc\0"sv, Scan::map_path, "mapy/abc.map", 5},
        {"{a\0bc}"sv, Scan::invalid_path, "", 6},
        {"x{abc}", Scan::no_reference, "", 0},
        {" \0{abc}"sv, Scan::no_reference, "", 1},
        {"", Scan::no_reference, "", 0},
        {"{", Scan::no_reference, "", 1},
        {" { \n", Scan::no_reference, "", 4},
    };
    for (const auto& c : cases) {
        for (std::size_t piece : {1U, 2U, 3U, 7U, 100U}) {
            const Scanned s = scan(c.input, piece);
            EXPECT_EQ(s.scan, c.scan) << c.input << " in pieces of " << piece;
            EXPECT_EQ(s.path, c.path) << c.input;
            EXPECT_EQ(s.taken, c.taken) << c.input << " in pieces of " << piece;
        }
    }
}

TEST(Reference, NameRunStopsAtThePathLimit) {
    // 16 bytes: "mapy/", six name bytes, ".map" and the NUL.
    EXPECT_EQ(scan("{abcdef}", 3, 16).path, "mapy/abcdef.map");
    const Scanned longer = scan("{abcdefg} ", 3, 16);
    EXPECT_EQ(longer.scan, Scan::invalid_path);
    EXPECT_EQ(longer.taken, 8U);
}

TEST(Copy, EveryPathCopiesEveryByteOrFails) {
    std::string map(300000, '\0');
    for (std::size_t i = 0; i < map.size(); ++i)
        map[i] = static_cast<char>(i * 7 + i / 251);
    const std::string whole = map + "\xFF";
    const struct {
        std::size_t read_error_at, output_room;
        int finish_error;
        Outcome outcome;
        std::size_t written;
    } cases[] = {
        {kNone, kNone, 0, Outcome::copied, whole.size()},
        {200000, kNone, 0, Outcome::read_error, 200000}, // and no end marker
        {kNone, 0, 0, Outcome::write_error, 0},
        {kNone, 150000, 0, Outcome::write_error, kNone},
        {kNone, map.size(), 0, Outcome::write_error, map.size()}, // the end marker
        {kNone, kNone, EIO, Outcome::write_error, whole.size()},  // at the close
    };
    // The system moves no chunk, every chunk, or two before it refuses.
    for (const std::size_t transfers : {0U, 1000U, 2U}) {
        for (const auto& c : cases) {
            MemoryIo io;
            io.map = map;
            io.transfers = transfers;
            io.read_error_at = c.read_error_at;
            io.output_room = c.output_room;
            io.finish_error = c.finish_error;
            EXPECT_EQ(feed(io, kLayout), c.outcome) << transfers << " " << c.output_room;
            EXPECT_TRUE(whole.starts_with(io.output));
            if (c.written != kNone) {
                EXPECT_EQ(io.output.size(), c.written);
            }
        }
    }
}
