#pragma once

#include "lanes_x86_features.hpp"
#include "search.hpp"
#include "vector.hpp"

#include <cstdint>
#include <immintrin.h>

namespace errfold {

// x86: SSE2 compares all lanes and moves the top bit of each into a bit
// mask, one instruction each. Every 64-bit x86 processor has SSE2; a 32-bit
// program asks whether it may use it (lanes_x86_features.hpp), and compiles
// what uses SSE2 for it alone, so it still runs on a processor without.
struct X86Lanes {
    static constexpr std::size_t kWidth = 16;
    static constexpr IndexPath path = IndexPath::sse2;
#if defined(__SSE2__)
    static constexpr bool kAlwaysHere = true;
#else
    static constexpr bool kAlwaysHere = false;
#endif
    static bool here() {
        return kAlwaysHere || x86::has_sse2();
    }

    // The lanes arrive by reference and are recast by the built-in, which is
    // no call: no vector crosses code compiled without the instructions.
    [[gnu::target("sse2")]] static std::uint32_t equal_bits(const vector::Bytes<kWidth>& one,
                                                            const vector::Bytes<kWidth>& other) {
        return static_cast<std::uint32_t>(_mm_movemask_epi8(
            _mm_cmpeq_epi8(__builtin_bit_cast(__m128i, one), __builtin_bit_cast(__m128i, other))));
    }

    // Compiles `work`, and all it calls, for SSE2.
    template <class Work> [[gnu::target("sse2"), gnu::flatten]] static void enabled(Work&& work) {
        work();
    }
};

// x86 with AVX2: 32 lanes to a compare, for the index alone, where the
// processor has it.
struct X86WideLanes {
    static constexpr std::size_t kWidth = 32;
    static constexpr IndexPath path = IndexPath::avx2;
    static bool here() { return x86::has_avx2(); }

    [[gnu::target("avx2")]] static std::uint32_t equal_bits(const vector::Bytes<kWidth>& one,
                                                            const vector::Bytes<kWidth>& other) {
        return static_cast<std::uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(
            __builtin_bit_cast(__m256i, one), __builtin_bit_cast(__m256i, other))));
    }

    // Compiles `work`, and all it calls, for AVX2.
    template <class Work> [[gnu::target("avx2"), gnu::flatten]] static void enabled(Work&& work) {
        work();
    }
};

} // namespace errfold
