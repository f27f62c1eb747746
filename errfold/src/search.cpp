#include "search.hpp"

#include "report.hpp"

#include <algorithm>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace errfold {

namespace {

bool word_at(const char* at, std::string_view word) {
    for (std::size_t i = 1; i < word.size(); ++i)
        if (at[i] != word[i]) return false;
    return true;
}

#if defined(__SSE2__)
__m128i load(const char* at) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
}

// Bit i is set where byte i of the one equals byte i of the other.
std::uint64_t equal_bytes(__m128i one, __m128i other) {
    return static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(one, other)));
}
#endif

// The index marks where the word's first three bytes are: in build output
// they are seldom there without the rest, and five compares cost more.
constexpr std::string_view kWord(kRarestWord.data(), 3);

// Indexes the block from byte `from` (a multiple of 64) on, byte by byte.
void index_plain(std::string_view block, std::size_t from, IndexBits* index) {
    for (std::size_t k = from / 64; 64 * k < block.size(); ++k) {
        IndexBits bits{0, 0};
        for (std::size_t i = 0; i < 64 && 64 * k + i < block.size(); ++i) {
            const std::size_t at = 64 * k + i;
            const bool word = at + kWord.size() <= block.size() && block[at] == kWord[0] &&
                              word_at(block.data() + at, kWord);
            bits.newlines |= std::uint64_t{block[at] == '\n'} << i;
            bits.candidates |= std::uint64_t{word} << i;
        }
        index[k] = bits;
    }
}

#if defined(__SSE2__)
// Indexes 64 bytes at a time while the word's last bytes are within the
// block, and leaves the rest to the plain way.
void index_sse2(std::string_view block, std::size_t from, IndexBits* index) {
    __m128i wanted[kWord.size()];
    for (std::size_t i = 0; i < kWord.size(); ++i)
        wanted[i] = _mm_set1_epi8(kWord[i]);
    const __m128i newline = _mm_set1_epi8('\n');
    std::size_t k = from / 64;
    for (; 64 * k + 64 + kWord.size() - 1 <= block.size(); ++k) {
        IndexBits bits{0, 0};
        for (unsigned lane = 0; lane < 64; lane += 16) {
            const char* const at = block.data() + 64 * k + lane;
            const __m128i bytes = load(at);
            __m128i word = _mm_cmpeq_epi8(bytes, wanted[0]);
            for (std::size_t i = 1; i < kWord.size(); ++i)
                word = _mm_and_si128(word, _mm_cmpeq_epi8(load(at + i), wanted[i]));
            bits.newlines |= equal_bytes(bytes, newline) << lane;
            bits.candidates |= std::uint64_t{static_cast<unsigned>(_mm_movemask_epi8(word))}
                               << lane;
        }
        index[k] = bits;
    }
    index_plain(block, 64 * k, index);
}
#endif

using IndexFunction = void (*)(std::string_view, std::size_t, IndexBits*);

constexpr IndexPath kPaths[] = {
#if defined(__SSE2__)
    IndexPath::sse2,
#endif
    IndexPath::plain};

constexpr IndexFunction index_function(IndexPath path) {
    switch (path) {
#if defined(__SSE2__)
    case IndexPath::sse2:
        return index_sse2;
#endif
    default:
        return index_plain;
    }
}

IndexFunction chosen = index_function(kPaths[0]);

} // namespace

const char* find_word(std::string_view text, std::string_view word) {
    if (text.size() < word.size()) return nullptr;
    const char* at = text.data();
    const char* const last = text.data() + (text.size() - word.size());
#if defined(__SSE2__)
    const __m128i first_byte = _mm_set1_epi8(word[0]);
    const __m128i third_byte = _mm_set1_epi8(word[2]);
    for (; last - at >= 16; at += 16) {
        auto places = static_cast<unsigned>(_mm_movemask_epi8(_mm_and_si128(
            _mm_cmpeq_epi8(load(at), first_byte), _mm_cmpeq_epi8(load(at + 2), third_byte))));
        for (; places != 0; places &= places - 1) {
            const char* const place = at + __builtin_ctz(places);
            if (word_at(place, word)) return place;
        }
    }
#endif
    for (; at <= last; ++at)
        if (*at == word[0] && word_at(at, word)) return at;
    return nullptr;
}

std::size_t find_byte(std::string_view text, char byte, std::size_t from) {
    std::size_t at = from;
#if defined(__SSE2__)
    const __m128i wanted = _mm_set1_epi8(byte);
    for (; at + 16 <= text.size(); at += 16) {
        if (const std::uint64_t found = equal_bytes(load(text.data() + at), wanted); found != 0)
            return at + static_cast<std::size_t>(__builtin_ctzll(found));
    }
#endif
    for (; at < text.size(); ++at)
        if (text[at] == byte) return at;
    return std::string_view::npos;
}

std::uint64_t byte_bits(const char* at, char byte) {
    std::uint64_t bits = 0;
#if defined(__SSE2__)
    const __m128i wanted = _mm_set1_epi8(byte);
    for (unsigned lane = 0; lane < 64; lane += 16)
        bits |= equal_bytes(load(at + lane), wanted) << lane;
#else
    for (unsigned i = 0; i < 64; ++i)
        bits |= std::uint64_t{at[i] == byte} << i;
#endif
    return bits;
}

std::size_t leading_digits(const char* at) {
#if defined(__SSE2__)
    const __m128i bytes = load(at);
    const auto digits = static_cast<unsigned>(
        _mm_movemask_epi8(_mm_and_si128(_mm_cmpgt_epi8(bytes, _mm_set1_epi8('0' - 1)),
                                        _mm_cmplt_epi8(bytes, _mm_set1_epi8('9' + 1)))));
    return static_cast<std::size_t>(__builtin_ctz(~digits));
#else
    std::size_t n = 0;
    while (n < 16 && at[n] >= '0' && at[n] <= '9')
        ++n;
    return n;
#endif
}

void index_block(std::string_view block, IndexBits* index) {
    chosen(block, 0, index);
}

std::span<const IndexPath> index_paths_here() {
    return kPaths;
}

void use_index_path(IndexPath path) {
    chosen = index_function(path);
}

} // namespace errfold
