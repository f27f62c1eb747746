#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <utility>

namespace errfold::vector {

// Width bytes as one vector of the compiler's vector extensions (GCC and
// Clang): ==, <=, & and | work on all lanes at once, in the processor's
// vector instructions where it has them and lane by lane where it has none.
// The lanes are signed, so a byte of 0x80 or more is below every digit and
// letter. (GCC drops the attribute from an alias template, hence the class.)
template <std::size_t Width> struct Vector {
    typedef signed char Bytes __attribute__((vector_size(Width)));
};
template <std::size_t Width> using Bytes = typename Vector<Width>::Bytes;
// What a compare gives: a lane of all ones where it holds, of zeros where not.
template <std::size_t Width>
using Lanes = decltype(std::declval<Bytes<Width>>() == std::declval<Bytes<Width>>());

template <std::size_t Width> Bytes<Width> load(const char* at) {
    Bytes<Width> bytes;
    std::memcpy(&bytes, at, sizeof bytes);
    return bytes;
}

template <std::size_t Width> Bytes<Width> splat(char byte) {
    return Bytes<Width>{} + static_cast<signed char>(byte);
}

} // namespace errfold::vector
