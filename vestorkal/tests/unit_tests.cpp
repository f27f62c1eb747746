#include "feeder.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>

using namespace vestorkal;
using namespace std::string_view_literals;

namespace {

constexpr Layout kLayout{"mapy/", 4096};
constexpr std::size_t kNone = std::string::npos;

// Standard input holds "{m}"; the map and standard output are in memory. The
// system moves `transfers` chunks of the map before it refuses, map reads fail
// at `read_error_at`, and output beyond `output_room` bytes fails.
class MemoryIo final : public Io {
  public:
    std::string map, output;
    std::size_t transfers = 0, read_error_at = kNone, output_room = kNone;
    int finish_error = 0;

    std::ptrdiff_t read_input(std::span<char> into) override {
        const std::size_t n = std::min(into.size(), input_.size());
        std::copy_n(input_.begin(), n, into.begin());
        input_.remove_prefix(n);
        return static_cast<std::ptrdiff_t>(n);
    }
    bool can_unread_input() override { return false; }
    void unread_input(std::size_t /*count*/) override {}
    bool open_map(const char* path) override { return path == "mapy/m.map"sv; }
    bool map_is_output() override { return false; }
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

// The copy meets every mix of moves inside the system, block copies and
// failures; what it writes is always a prefix of the map and the end marker.
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
