#include "search.hpp"

#include <cstring>

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

unsigned equal_bytes(__m128i block, __m128i byte) {
    return static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(block, byte)));
}
#endif

} // namespace

const char* find_word(std::string_view text, std::string_view word) {
    if (text.size() < word.size()) return nullptr;
    const char* at = text.data();
    const char* const last = text.data() + (text.size() - word.size());
#if defined(__SSE2__)
    const __m128i first_byte = _mm_set1_epi8(word[0]);
    const __m128i third_byte = _mm_set1_epi8(word[2]);
    const auto candidates = [&](const char* block) {
        return _mm_and_si128(_mm_cmpeq_epi8(load(block), first_byte),
                             _mm_cmpeq_epi8(load(block + 2), third_byte));
    };
    const auto first_match = [&](const char* block, unsigned places) -> const char* {
        for (; places != 0; places &= places - 1) {
            const char* const place = block + __builtin_ctz(places);
            if (word_at(place, word)) return place;
        }
        return nullptr;
    };
    for (; last - at >= 64; at += 64) {
        // Most blocks hold no candidate: test 64 places with one branch.
        const __m128i any = _mm_or_si128(_mm_or_si128(candidates(at), candidates(at + 16)),
                                         _mm_or_si128(candidates(at + 32), candidates(at + 48)));
        if (_mm_movemask_epi8(any) == 0) continue;
        for (const char* block = at; block < at + 64; block += 16) {
            const auto places = static_cast<unsigned>(_mm_movemask_epi8(candidates(block)));
            if (const char* found = first_match(block, places)) return found;
        }
    }
    for (; last - at >= 16; at += 16) {
        const auto places = static_cast<unsigned>(_mm_movemask_epi8(candidates(at)));
        if (const char* found = first_match(at, places)) return found;
    }
#endif
    for (; at <= last; ++at)
        if (*at == word[0] && word_at(at, word)) return at;
    return nullptr;
}

const char* find_first(std::string_view text, char byte) {
    const char* at = text.data();
    const char* const end = text.data() + text.size();
#if defined(__SSE2__)
    const __m128i wanted = _mm_set1_epi8(byte);
    for (; end - at >= 16; at += 16) {
        if (const unsigned found = equal_bytes(load(at), wanted); found != 0)
            return at + __builtin_ctz(found);
    }
#endif
    for (; at != end; ++at)
        if (*at == byte) return at;
    return nullptr;
}

const char* find_last(std::string_view text, char byte) {
    const char* end = text.data() + text.size();
#if defined(__SSE2__)
    const __m128i wanted = _mm_set1_epi8(byte);
    for (; end - text.data() >= 16; end -= 16) {
        if (const unsigned found = equal_bytes(load(end - 16), wanted); found != 0)
            return end - 16 + (31 - __builtin_clz(found));
    }
#endif
    while (end != text.data())
        if (*--end == byte) return end;
    return nullptr;
}

} // namespace errfold
