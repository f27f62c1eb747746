#include "search.hpp"

#include "lanes.hpp"
#include "report.hpp"
#include "vector.hpp"

#include <algorithm>
#include <array>
#include <bit>

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
    return LineLanes::bits(load(at) == wanted);
}

// Indexes 64 bytes at a time while the word's last bytes are within the
// block, and leaves the rest to the plain way.
template <class Lanes>
void index_vector(std::string_view block, std::size_t from, IndexBits* index) {
    constexpr std::size_t kWidth = Lanes::kWidth;
    static_assert(64 % kWidth == 0);
    using Wide = vector::Bytes<kWidth>;
    constexpr auto load_wide = vector::load<kWidth>;
    Wide wanted[kWord.size()];
    for (std::size_t i = 0; i < kWord.size(); ++i)
        wanted[i] = vector::splat<kWidth>(kWord[i]);
    const Wide newline = vector::splat<kWidth>('\n');
    std::size_t k = from / 64;
    for (; 64 * k + 64 + kWord.size() - 1 <= block.size(); ++k) {
        IndexBits bits{0, 0};
        for (std::size_t lane = 0; lane < 64; lane += kWidth) {
            const char* const at = block.data() + 64 * k + lane;
            const Wide bytes = load_wide(at);
            auto word = bytes == wanted[0];
            for (std::size_t i = 1; i < kWord.size(); ++i)
                word &= load_wide(at + i) == wanted[i];
            bits.newlines |= std::uint64_t{Lanes::bits(bytes == newline)} << lane;
            bits.candidates |= std::uint64_t{Lanes::bits(word)} << lane;
        }
        index[k] = bits;
    }
    index_plain(block, 64 * k, index);
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
        for (auto places = LineLanes::bits((load(at) == first_byte) & (load(at + 2) == third_byte));
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
    const Bytes bytes = load(at);
    const std::uint32_t digits = LineLanes::bits((bytes >= splat('0')) & (bytes <= splat('9')));
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
