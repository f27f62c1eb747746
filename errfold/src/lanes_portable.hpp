#pragma once

#include "search.hpp"
#include "vector.hpp"

#include <bit>
#include <cstdint>
#include <cstring>

namespace errfold {

// Turns a compare into bits on any processor: the lanes, read as two 64-bit
// words, are gathered by one multiplication each. Where the processor has no
// vector unit, the compiler works the vector lane by lane and this still
// beats a branch per byte.
struct PortableLanes {
    static constexpr std::size_t kWidth = 16;
    static constexpr IndexPath path = IndexPath::vector;
    static constexpr bool kAlwaysHere = true;
    static bool here() { return true; }

    // Bit i is set when lane i holds.
    static std::uint32_t bits(const vector::Lanes<kWidth>& lanes) {
        std::uint64_t words[2];
        std::memcpy(words, &lanes, sizeof words);
        return gather(words[0]) | gather(words[1]) << 8;
    }

    // Runs `work` with whatever the family needs switched on: nothing here.
    template <class Work> [[gnu::flatten]] static void enabled(Work&& work) { work(); }

  private:
    // One bit of each of the word's 8 lanes, in memory order, into one byte:
    // each lane's bit is moved to its own place of the top byte, where no two
    // products meet, so no carry disturbs another.
    static std::uint32_t gather(std::uint64_t word) {
        constexpr std::uint64_t kFirstLaneLow = 0x0102040810204080;
        constexpr std::uint64_t kFirstLaneHigh = 0x8040201008040201;
        constexpr std::uint64_t kSpread =
            std::endian::native == std::endian::little ? kFirstLaneLow : kFirstLaneHigh;
        return static_cast<std::uint32_t>((word >> 7 & 0x0101010101010101) * kSpread >> 56);
    }
};

} // namespace errfold
