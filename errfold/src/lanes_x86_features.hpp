#pragma once

// Where an x86 program learns which vector instructions it may use: the one
// place that differs here between systems. The question itself, cpuid, is
// slow in a virtual machine, where each one traps to the host (about 5 us
// against 0.1 us on bare metal), and a short run is mostly start-up. So the
// answer is taken from the system, which asked once when it started the
// program: glibc for its own string functions, Windows in its kernel. Only
// where neither has one does the compiler's probe ask, at every start.
// Each says yes only where the processor has the instructions and the
// system saves their registers (for AVX2, the 32-byte ones) on a switch.

#if __has_include(<sys/platform/x86.h>)
// The header is written for C, whose _Bool C++ spells bool: GCC knows the C
// name in C++ too, Clang (and clang-tidy with it) does not.
#define _Bool bool // NOLINT(bugprone-reserved-identifier,cert-dcl37-c,cert-dcl51-cpp)
#include <sys/platform/x86.h>
#undef _Bool

namespace errfold::x86 {
inline bool has_sse2() {
    return CPU_FEATURE_ACTIVE(SSE2);
}
inline bool has_avx2() {
    return CPU_FEATURE_ACTIVE(AVX2);
}
} // namespace errfold::x86

#elif defined(_WIN32)
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

// A Windows that does not know AVX2 says no, and the index takes SSE2.
namespace errfold::x86 {
inline bool has_sse2() {
    return IsProcessorFeaturePresent(PF_XMMI64_INSTRUCTIONS_AVAILABLE) != 0;
}
inline bool has_avx2() {
    return IsProcessorFeaturePresent(PF_AVX2_INSTRUCTIONS_AVAILABLE) != 0;
}
} // namespace errfold::x86

#else
namespace errfold::x86 {
inline bool has_sse2() {
    return __builtin_cpu_supports("sse2");
}
inline bool has_avx2() {
    return __builtin_cpu_supports("avx2");
}
} // namespace errfold::x86
#endif
