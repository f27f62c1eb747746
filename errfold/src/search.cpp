#include "search.hpp"

#include "lanes.hpp"
#include "report.hpp"
#include "vector.hpp"

#include <algorithm>
#include <array>
#include <bit>
#include <memory>

namespace errfold {

namespace {

// The searches within a line take 16 bytes at a time.
constexpr std::size_t kLineWidth = LineLanes::kWidth;
using Bytes = vector::Bytes<kLineWidth>;
constexpr auto load = vector::load<kLineWidth>;
constexpr auto splat = vector::splat<kLineWidth>;

bool word_at(const char* at, std::string_view word) {
    for (std::size_t i = 1; i < word.size(); ++i)
        if (at[i] != word[i]) return false;
    return true;
}

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

// Bit i is set where byte i of the 16 from `at` equals `wanted`.
std::uint64_t equal_bytes(const char* at, Bytes wanted) {
    return LineLanes::equal_bits(load(at), wanted);
}

// Which of 64 bytes are a newline, which are the word's first byte and which
// its second, which is also its third.
static_assert(kWord[1] == kWord[2]);
struct ChunkBits {
    std::uint64_t newlines;
    std::uint64_t first;
    std::uint64_t rest;
};

// Indexes 64 bytes at a time, loading only whole vectors at their own
// alignment: a place is a candidate where the word's first byte stands and
// its second and third one and two places on, the bits of the next 64
// bytes carried in. (A processor without a vector unit would load an
// unaligned vector byte by byte.) The plain way finishes the block.
template <class Lanes>
void index_vector(std::string_view block, std::size_t from, IndexBits* index) {
    constexpr std::size_t kWidth = Lanes::kWidth;
    static_assert(64 % kWidth == 0);
    using Wide = vector::Bytes<kWidth>;
    const char* const bytes = std::assume_aligned<64>(block.data());
    const Wide first = vector::splat<kWidth>(kWord[0]);
    const Wide rest = vector::splat<kWidth>(kWord[1]);
    const Wide newline = vector::splat<kWidth>('\n');
    const auto chunk_bits = [&](std::size_t k) {
        ChunkBits bits{0, 0, 0};
        for (std::size_t lane = 0; lane < 64; lane += kWidth) {
            const Wide chunk = vector::load<kWidth>(bytes + 64 * k + lane);
            bits.newlines |= std::uint64_t{Lanes::equal_bits(chunk, newline)} << lane;
            bits.first |= std::uint64_t{Lanes::equal_bits(chunk, first)} << lane;
            bits.rest |= std::uint64_t{Lanes::equal_bits(chunk, rest)} << lane;
        }
        return bits;
    };

    std::size_t k = from / 64;
    if (64 * k + 64 > block.size()) return index_plain(block, from, index);
    ChunkBits here = chunk_bits(k);
    for (;; ++k) {
        ChunkBits next{0, 0, 0};
        const bool next_whole = 64 * k + 128 <= block.size();
        if (next_whole) {
            next = chunk_bits(k + 1);
        } else {
            for (std::size_t at = 64 * k + 64; at < std::min(64 * k + 66, block.size()); ++at)
                next.rest |= std::uint64_t{block[at] == kWord[1]} << (at - 64 * k - 64);
        }
        const std::uint64_t candidates =
            here.first & (here.rest >> 1 | next.rest << 63) & (here.rest >> 2 | next.rest << 62);
        index[k] = {here.newlines, candidates};
        if (!next_whole) break;
        here = next;
    }
    index_plain(block, 64 * k + 64, index);
}

template <class Lanes>
void index_with(std::string_view block, std::size_t from, IndexBits* index) {
    Lanes::enabled([&] { index_vector<Lanes>(block, from, index); });
}

using IndexFunction = void (*)(std::string_view, std::size_t, IndexBits*);

struct IndexWay {
    IndexPath path;
    bool (*here)();
    // cppcheck-suppress unusedStructMember ; read where a way is looked up
    IndexFunction index;
};

bool always() {
    return true;
}

// Fastest first: the processor family's own, then the portable vectors,
// then byte by byte.
template <class... Families> constexpr auto ways_of(LaneFamilies<Families...> /*families*/) {
    return std::array{IndexWay{Families::path, Families::here, index_with<Families>}...,
                      IndexWay{PortableLanes::path, PortableLanes::here, index_with<PortableLanes>},
                      IndexWay{IndexPath::plain, always, index_plain}};
}
constexpr auto kWays = ways_of(IndexLanes{});

// The ways this processor has, worked out on first use. (A function's
// static would bring in the runtime's thread-safe guard, and with it the
// exception support the program leaves out.)
struct WaysHere {
    IndexPath paths[kWays.size()];
    std::size_t count = 0;
};
WaysHere ways_found;
const WaysHere& ways_here() {
    if (ways_found.count == 0) {
        for (const IndexWay& way : kWays)
            if (way.here()) ways_found.paths[ways_found.count++] = way.path;
    }
    return ways_found;
}

IndexFunction index_function(IndexPath path) {
    const auto* const way = std::find_if(kWays.begin(), kWays.end(),
                                         [path](const IndexWay& one) { return one.path == path; });
    return way != kWays.end() ? way->index : index_plain;
}

IndexFunction chosen = nullptr;

} // namespace

const char* find_word(std::string_view text, std::string_view word) {
    if (text.size() < word.size()) return nullptr;
    const char* at = text.data();
    const char* const last = text.data() + (text.size() - word.size());
    const Bytes first_byte = splat(word[0]);
    const Bytes third_byte = splat(word[2]);
    for (; last - at >= 16; at += 16) {
        for (auto places = LineLanes::equal_bits(load(at), first_byte) &
                           LineLanes::equal_bits(load(at + 2), third_byte);
             places != 0; places &= places - 1) {
            const char* const place = at + std::countr_zero(places);
            if (word_at(place, word)) return place;
        }
    }
    for (; at <= last; ++at)
        if (*at == word[0] && word_at(at, word)) return at;
    return nullptr;
}

std::size_t find_byte(std::string_view text, char byte, std::size_t from) {
    std::size_t at = from;
    const Bytes wanted = splat(byte);
    for (; at + 16 <= text.size(); at += 16) {
        if (const std::uint64_t found = equal_bytes(text.data() + at, wanted); found != 0)
            return at + static_cast<std::size_t>(std::countr_zero(found));
    }
    for (; at < text.size(); ++at)
        if (text[at] == byte) return at;
    return std::string_view::npos;
}

std::uint64_t byte_bits(const char* at, char byte) {
    const Bytes wanted = splat(byte);
    std::uint64_t bits = 0;
    for (unsigned lane = 0; lane < 64; lane += 16)
        bits |= equal_bytes(at + lane, wanted) << lane;
    return bits;
}

std::size_t leading_digits(const char* at) {
    // A digit is 0x30 to 0x39: its high half is 3, and adding 6 to its low
    // half carries nothing out of it.
    const Bytes bytes = load(at);
    const Bytes high = (bytes & splat('\xF0')) ^ splat('0');
    const Bytes over_nine = ((bytes & splat('\x0F')) + splat('\x06')) & splat('\x10');
    const std::uint32_t digits = LineLanes::equal_bits(high | over_nine, Bytes{});
    return static_cast<std::size_t>(std::countr_zero(~digits));
}

void index_block(std::string_view block, IndexBits* index) {
    if (chosen == nullptr) chosen = index_function(index_paths_here().front());
    chosen(block, 0, index);
}

std::span<const IndexPath> index_paths_here() {
    const WaysHere& here = ways_here();
    return {here.paths, here.count};
}

void use_index_path(IndexPath path) {
    chosen = index_function(path);
}

} // namespace errfold
