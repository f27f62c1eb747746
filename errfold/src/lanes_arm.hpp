#pragma once

#include "search.hpp"
#include "vector.hpp"

#include <arm_neon.h>
#include <cstdint>
#include <sys/auxv.h>

namespace errfold {

// What compiles a function for NEON: every 64-bit arm processor has it; a
// 32-bit program compiles what uses it for NEON alone, so that it still runs
// on a processor without.
#if defined(__aarch64__)
#define ERRFOLD_FOR_NEON
#else
#define ERRFOLD_FOR_NEON [[gnu::target("fpu=neon")]]
#endif

// arm: NEON compares all lanes in one instruction, but has none
// that gathers the lanes' top bits. Each lane keeps the bit of its place
// within its half, and the halves are summed across into one byte each.
struct ArmLanes {
    static constexpr std::size_t kWidth = 16;
    static constexpr IndexPath path = IndexPath::neon;
#if defined(__ARM_NEON)
    static constexpr bool kAlwaysHere = true;
    static bool here() { return true; }
#else
    static constexpr bool kAlwaysHere = false;
    static bool here() { return (::getauxval(AT_HWCAP) & HWCAP_ARM_NEON) != 0; }
#endif

    ERRFOLD_FOR_NEON static std::uint32_t equal_bits(
        const vector::Bytes<kWidth>& one, const vector::Bytes<kWidth>& other) {
        const uint8x16_t places = {1, 2, 4, 8, 16, 32, 64, 128, 1, 2, 4, 8, 16, 32, 64, 128};
        const uint8x16_t equal = vceqq_u8(__builtin_bit_cast(uint8x16_t, one),
                                          __builtin_bit_cast(uint8x16_t, other));
        const uint8x16_t kept = vandq_u8(equal, places);
#if defined(__aarch64__)
        // Each lane of the low half beside its twin of the high half: one
        // sum across the 16-bit pairs gives both halves' bytes at once.
        const uint8x16_t pairs = vzip1q_u8(kept, vextq_u8(kept, kept, 8));
        return vaddvq_u16(vreinterpretq_u16_u8(pairs));
#else
        uint8x8_t sums = vpadd_u8(vget_low_u8(kept), vget_high_u8(kept));
        sums = vpadd_u8(sums, sums);
        sums = vpadd_u8(sums, sums);
        return vget_lane_u16(vreinterpret_u16_u8(sums), 0);
#endif
    }

    // Compiles `work`, and all it calls, for NEON.
    template <class Work>
    ERRFOLD_FOR_NEON [[gnu::flatten]] static void enabled(Work&& work) {
        work();
    }
};

#undef ERRFOLD_FOR_NEON

} // namespace errfold
