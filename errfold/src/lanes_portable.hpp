#pragma once

#include "search.hpp"
#include "vector.hpp"

#include <bit>
#include <cstdint>
#include <cstring>

namespace errfold {

// Compares on any processor, in two 64-bit words: lanes are equal where their
// exclusive or is zero, and a byte is zero when neither its low seven bits,
// carried into its top bit by an addition, nor its top bit itself are set.
// One multiplication gathers the top bits of a word's 8 lanes into one byte.
struct PortableLanes {
    static constexpr std::size_t kWidth = 16;
    static constexpr IndexPath path = IndexPath::vector;
    static constexpr bool kAlwaysHere = true;
    static bool here() { return true; }

    // Bit i is set when lane i of the one equals lane i of the other.
    static std::uint32_t equal_bits(const vector::Bytes<kWidth>& one,
                                    const vector::Bytes<kWidth>& other) {
        const vector::Bytes<kWidth> differ = one ^ other;
        std::uint64_t words[2];
        std::memcpy(words, &differ, sizeof words);
        return gather(zero_tops(words[0])) | gather(zero_tops(words[1])) << 8;
    }

    // Runs `work` with whatever the family needs switched on: nothing here.
    template <class Work> [[gnu::flatten]] static void enabled(Work&& work) { work(); }

  private:
    static constexpr std::uint64_t kLow7 = 0x7F7F7F7F7F7F7F7F;

    // The top bit of each byte of the word that is zero, and no other bit.
    static std::uint64_t zero_tops(std::uint64_t word) {
        return ~(((word & kLow7) + kLow7) | word | kLow7);
    }

    // The top bits of the 8 lanes, in memory order, into one byte: each is
    // moved to its own place of the top byte, where no two products meet, so
    // no carry disturbs another.
    static std::uint32_t gather(std::uint64_t tops) {
        constexpr std::uint64_t kFirstLaneLow = 0x0102040810204080;
        constexpr std::uint64_t kFirstLaneHigh = 0x8040201008040201;
        constexpr std::uint64_t kSpread =
            std::endian::native == std::endian::little ? kFirstLaneLow : kFirstLaneHigh;
        return static_cast<std::uint32_t>((tops >> 7) * kSpread >> 56);
    }
};

} // namespace errfold
