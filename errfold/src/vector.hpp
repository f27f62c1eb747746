#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <utility>

namespace errfold::vector {

// Sixteen bytes as one vector of the compiler's vector extensions (GCC and
// Clang): ==, <=, & and | work on all sixteen lanes at once, in the
// processor's vector instructions where it has them and lane by lane where
// it has none. The lanes are signed, so a byte of 0x80 or more is below
// every digit and letter.
inline constexpr std::size_t kLanes = 16;
using Bytes = signed char __attribute__((vector_size(kLanes)));
// What a compare gives: a lane of all ones where it holds, of zeros where not.
using Lanes = decltype(std::declval<Bytes>() == std::declval<Bytes>());

inline Bytes load(const char* at) {
    Bytes bytes;
    std::memcpy(&bytes, at, sizeof bytes);
    return bytes;
}

inline Bytes splat(char byte) {
    return Bytes{} + static_cast<signed char>(byte);
}

} // namespace errfold::vector
