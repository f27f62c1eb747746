#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace errfold {

// The first occurrence of `word` (three bytes or more) in `text`, or nullptr.
// It tests sixteen places at a time by the word's first and third byte
// before it compares the whole word.
const char* find_word(std::string_view text, std::string_view word);

// The place of the first `byte` in `text` from `from` on, or npos. What the
// header rewrite looks for lies a few bytes on, where this beats a call into
// the C library.
std::size_t find_byte(std::string_view text, char byte, std::size_t from);

// Bit i is set when byte i of the 64 from `at` is `byte`; all 64 must be
// readable.
std::uint64_t byte_bits(const char* at, char byte);

// How many of the 16 bytes from `at` are decimal digits before the first
// that is not; all 16 must be readable.
std::size_t leading_digits(const char* at);

// An index of a block of input, one IndexBits to 64 bytes: for the block's
// k-th 64 bytes, bit i of index[k].newlines is set when byte 64k + i is '\n',
// and bit i of index[k].candidates when the word "error" may start there:
// its first three bytes are there, within the block. The filter finds its
// lines and its candidate headers here, in one vector pass over each block,
// instead of searching the same bytes again for each line. The block starts
// at a multiple of 64 bytes in memory; nothing past it is read.
struct IndexBits {
    std::uint64_t newlines;
    std::uint64_t candidates;
};
void index_block(std::string_view block, IndexBits* index);

// The ways index_block can work: byte by byte, the model the others must
// agree with; 16 bytes at a time with any processor's vectors; and the same
// with the bit masks of a processor family's own vector unit. The filter
// takes the fastest this processor has; tests try each in turn.
enum class IndexPath { plain, vector, sse2, neon, avx2 };
std::span<const IndexPath> index_paths_here();
void use_index_path(IndexPath path);

} // namespace errfold
