#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace errfold::vector {

// Width bytes as one vector of the compiler's vector extensions (GCC and
// Clang): ^, |, & and + work on all lanes at once, in the processor's vector
// instructions where it has them and on whole machine words where it has
// none. Compares are left to the processor family (lanes.hpp), since without
// a vector unit the compiler would make them lane by lane. GCC drops the
// attribute from an alias template, hence the class.
template <std::size_t Width> struct Vector {
    typedef unsigned char Bytes __attribute__((vector_size(Width)));
};
template <std::size_t Width> using Bytes = typename Vector<Width>::Bytes;

template <std::size_t Width> Bytes<Width> load(const char* at) {
    Bytes<Width> bytes;
    std::memcpy(&bytes, at, sizeof bytes);
    return bytes;
}

template <std::size_t Width> Bytes<Width> splat(char byte) {
    return Bytes<Width>{} + static_cast<unsigned char>(byte);
}

} // namespace errfold::vector
