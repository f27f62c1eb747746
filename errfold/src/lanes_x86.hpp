#pragma once

#include "search.hpp"
#include "vector.hpp"

#include <bit>
#include <cstdint>
#include <emmintrin.h>

namespace errfold {

// x86: SSE2 moves the top bit of each lane into a bit mask in one
// instruction. Every 64-bit x86 processor has SSE2; a 32-bit program asks
// the processor, and compiles what uses SSE2 for it alone, so it still runs
// on one without.
struct X86Lanes {
    static constexpr IndexPath path = IndexPath::sse2;
    static bool here() { return __builtin_cpu_supports("sse2"); }

    [[gnu::target("sse2")]] static std::uint32_t bits(vector::Lanes lanes) {
        return static_cast<std::uint32_t>(_mm_movemask_epi8(std::bit_cast<__m128i>(lanes)));
    }

    // Compiles `work`, and all it calls, for SSE2.
    template <class Work> [[gnu::target("sse2"), gnu::flatten]] static void enabled(Work&& work) {
        work();
    }

#if defined(__SSE2__)
    static constexpr bool kAlwaysHere = true;
#else
    static constexpr bool kAlwaysHere = false;
#endif
};

} // namespace errfold
