#include "errfold.hpp"
#include "line_reader.hpp"
#include "memory_io.hpp"
#include "output.hpp"
#include "plain_model.hpp"
#include "search.hpp"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <new>
#include <random>
#include <string>
#include <vector>

using namespace errfold;

namespace {

PlainResult fold(const std::string& input, std::vector<int> sizes = {1 << 20}, bool crlf = true) {
    ScriptedSource source(input, std::move(sizes));
    StringSink sink;
    const Result result = run(source, sink, crlf);
    EXPECT_EQ(result.failure, Failure::none);
    return {sink.text, result.status};
}

// Random text made of the pieces that matter: the three words, brackets,
// commas, numbers, every kind of line end, NUL, and runs near the read limit.
// cppcheck-suppress constParameter ; drawing a number changes the engine
std::string random_log(std::mt19937& rng) {
    static const std::string pieces[] = {"line ",
                                         "error",
                                         "column",
                                         "(",
                                         "a(b(line 3",
                                         ", column",
                                         "10",
                                         ",",
                                         "\r\n",
                                         "\n",
                                         "\n",
                                         "\r",
                                         std::string(1, '\0'),
                                         "x",
                                         "-7",
                                         " ",
                                         "err",
                                         "or",
                                         std::string(990, 'a'),
                                         std::string(998, 'c'),
                                         std::string("\n").append(995, 'd').append("error"),
                                         std::string("\n").append(997, 'f').append("\r")};
    std::string s;
    for (auto n = rng() % 300; n > 0; --n)
        s += pieces[rng() % std::size(pieces)];
    return s;
}

// A copy at a multiple of 64 bytes, where the reader puts each block of
// input, with nothing behind it.
class AlignedCopy {
  public:
    explicit AlignedCopy(std::string_view text)
        : bytes_(static_cast<char*>(::operator new(text.size(), kAlignment))) {
        std::memcpy(bytes_, text.data(), text.size());
    }
    ~AlignedCopy() { ::operator delete(bytes_, kAlignment); }
    AlignedCopy(const AlignedCopy&) = delete;
    AlignedCopy& operator=(const AlignedCopy&) = delete;
    std::string_view first(std::size_t size) const { return {bytes_, size}; }

  private:
    static constexpr std::align_val_t kAlignment{64};
    char* bytes_;
};

} // namespace

// The block reader, its index, its bulk pass over ordinary lines and the
// output block against a plain character-at-a-time model, with the input
// split anywhere, for every way of indexing this processor has.
TEST(Filter, AgreesWithAPlainModelOnRandomInput) {
    for (const IndexPath path : index_paths_here()) {
        use_index_path(path);
        std::mt19937 rng(2026);
        const auto read_size = [&](unsigned most) { return 1 + static_cast<int>(rng() % most); };
        for (int round = 0; round < 3000; ++round) {
            const std::string input = random_log(rng);
            const PlainResult want = plain_model(input);
            // Tiny reads put boundaries everywhere, large ones cross the limit.
            const PlainResult got =
                fold(input, {read_size(9), read_size(1500), read_size(9), read_size(1500)});
            ASSERT_EQ(got.out, want.out) << "round " << round << " path " << int(path);
            ASSERT_EQ(got.status, want.status) << "round " << round << " path " << int(path);
        }
        // A log of several MiB, dense with reports: it spans many read
        // blocks and its output many output blocks. Read as from a file
        // (every read filled, up to the end of the reader's room) and as
        // from a pipe (reads of any size).
        std::string big;
        while (big.size() < 6 << 20) {
            big += random_log(rng);
            for (auto n = rng() % 400; n > 0; --n)
                big.append("p(q(line ")
                    .append(std::to_string(rng() % 100000))
                    .append(n % 2 ? ", column 3) error\r\n" : ", column 3) error\n")
                    .append(rng() % 300, 'c')
                    .append("\n-\n");
        }
        std::vector<int> pipe_reads(200);
        for (std::size_t i = 0; i < pipe_reads.size(); ++i)
            pipe_reads[i] = read_size(i % 10 ? 65536 : 9);
        const PlainResult want = plain_model(big);
        for (const auto& sizes :
             {std::vector<int>{1 << 20}, std::vector<int>{262144, 7}, pipe_reads}) {
            const PlainResult got = fold(big, sizes);
            ASSERT_EQ(got.out, want.out) << "path " << int(path);
            ASSERT_EQ(got.status, want.status) << "path " << int(path);
        }
    }
    use_index_path(index_paths_here().front());
}

// A file is read in whole blocks. The hard cases, each laid across the edge
// of the first block at every place that matters: the last 64-byte word of
// the block, and next to each line end, CR and "err" of the case. A line of
// 992 bytes goes first, so that the line start before the edge lies more
// than 998 bytes back; the lines before it are dropped.
TEST(Filter, HardCasesAcrossAFullReadBlock) {
    const std::string header = "a(b(line 12, column 5) error";
    const std::string x997(997, 'x');
    const std::string cases[] = {
        "yyyyyyyyyy" + header + "\nc\nd\n",
        header + "\r\nc\r\nd\r\n",
        header + "\n" + x997 + "\r\nd\n",
        header + "\n" + x997 + "x\r\nd\n",
        header + std::string(970, 'x') + "\nd\n",
        header + std::string(971, 'x') + "\nd\n",
        header + "\n" + std::string(2000, 'c') + "\n",
        header + " " + std::string(969, 'x') + "\r",
        std::string(1000, 'p') + "\n" + header + "\nc\nd\n",
        "a(b(line 4 column error" + std::string(974, 'y') + ",",
    };
    constexpr std::size_t block = LineReader::kBlock;
    std::string lines;
    while (lines.size() < block)
        lines += std::string(79, 'p') + "\n";
    const std::string before = std::string(991, 'q') + "\n";
    std::string input; // one buffer for every run, which keeps the run short
    for (const std::string& hard : cases) {
        PlainResult want = plain_model(hard);
        want.status = 1;
        std::vector<std::size_t> edges;
        for (std::size_t i = 0; i < 72; ++i)
            edges.push_back(i);
        for (std::size_t i = 0; i < hard.size(); ++i)
            if (hard[i] == '\n' || hard[i] == '\r' || hard.compare(i, 3, "err") == 0)
                for (std::size_t e = i; e < i + 4; ++e)
                    edges.push_back(e);
        for (const std::size_t edge : edges) {
            // The case starts `edge` bytes before the end of the block.
            input.assign(lines, lines.size() - (block - before.size() - edge));
            input += before;
            input += hard;
            const PlainResult got = fold(input);
            ASSERT_EQ(got.out, want.out) << hard.substr(0, 40) << " edge " << edge;
            ASSERT_EQ(got.status, want.status) << hard.substr(0, 40) << " edge " << edge;
        }
    }
}

TEST(Filter, CrLfIsLeftToATextModeRuntimeWhenItFoldsIt) {
    EXPECT_EQ(fold("a(b(line 3, column 1) error\r\nc\r\nd\r\n", {1 << 20}, false).out,
              "a(b(line 2, column 1) error\r c\r - d\r\n");
}

TEST(Filter, CompleteReportsAreWrittenBeforeWaitingForInput) {
    const std::string group = "a(b(line 3, column 1) error\nc\nd\n";
    ScriptedSource source(group + "more", {static_cast<int>(group.size()), 4});
    StringSink sink;
    std::vector<std::string> seen;
    source.on_read = [&] { seen.push_back(sink.text); };
    run(source, sink, true);
    ASSERT_GE(seen.size(), 2U);
    EXPECT_EQ(seen[1], "a(b(line 2, column 1) error c - d\n");
}

TEST(Filter, ReadFailureKeepsWhatWasWritten) {
    const std::string group = "a(b(line 3, column 1) error\nc\nd\n";
    ScriptedSource source(group + "a(b(line", {static_cast<int>(group.size() + 4), -EIO});
    StringSink sink;
    const Result r = run(source, sink, true);
    EXPECT_EQ(r.failure, Failure::read);
    EXPECT_EQ(r.error, EIO);
    EXPECT_EQ(sink.text, "a(b(line 2, column 1) error c - d\n");
}

// Endless input after a report, to an output that fails: errfold must stop at
// the failed write instead of reading for ever.
TEST(Filter, StopsReadingOnceOutputFails) {
    int reads = 0;
    std::string input = "a(b(line 3, column 1) error\nc\nd\n";
    input.append(1 << 16, '\n');
    ScriptedSource source(std::move(input), {1000});
    source.on_read = [&] { ASSERT_LT(++reads, 5); };
    StringSink sink;
    sink.fail_with = ENOSPC;
    const Result r = run(source, sink, true);
    EXPECT_EQ(r.failure, Failure::write);
    EXPECT_EQ(r.error, ENOSPC);
}

// Pieces of output against the size of the output block: a block filled
// exactly and then one byte alone, pieces larger than the block, which go out
// directly, with bytes pending before them and with none.
TEST(Output, PiecesArriveWholeAndInOrder) {
    constexpr std::size_t block = Output::kCapacity;
    const std::vector<std::vector<std::size_t>> rows = {
        {block, 1},     {block - 1, 1, 1},  {1, block - 1, 1},   {block + 1},
        {3 * block, 1}, {1, 3 * block + 5}, {10, block + 1, 10}, {block / 2, block / 2 + 1, 1},
    };
    static char room[Output::kCapacity + Output::kOverread];
    for (const auto& sizes : rows) {
        StringSink sink;
        Output out(sink, room);
        std::string want;
        for (std::size_t n = 0; n < sizes.size(); ++n) {
            // Each piece has its own bytes, and padding that put_input may read.
            std::string piece(sizes[n] + Output::kOverread, '\0');
            for (std::size_t i = 0; i < piece.size(); ++i)
                piece[i] = static_cast<char>('a' + (i * 7 + n) % 26);
            out.put_input({piece.data(), sizes[n]});
            want.append(piece, 0, sizes[n]);
        }
        EXPECT_TRUE(out.flush());
        ASSERT_EQ(sink.text.size(), want.size()) << sizes.size() << " pieces, first " << sizes[0];
        EXPECT_EQ(sink.text, want) << sizes.size() << " pieces, first " << sizes[0];
    }
}

TEST(Search, IndexesTheWayThisProcessorIsBuiltFor) {
    const auto family = [](IndexPath path) -> std::string {
        switch (path) {
        case IndexPath::avx2:
        case IndexPath::sse2:
            return "x86";
        case IndexPath::neon:
            return "arm";
        case IndexPath::vector:
            return "portable";
        case IndexPath::plain:
            break;
        }
        return "byte by byte";
    };
    EXPECT_EQ(family(index_paths_here().front()), EXPECTED_INDEX_FAMILY);
    EXPECT_EQ(index_paths_here().back(), IndexPath::plain);
}

// The vectorised search and index read many bytes at a time: every length
// and every place of the word, near both ends of the text, must still give
// what a plain search gives, and nothing past the end may count.
TEST(Search, AgreesWithPlainSearchAtEveryPlace) {
    const auto offset = [](std::string_view in, const char* at) {
        return at ? static_cast<std::size_t>(at - in.data()) : std::string_view::npos;
    };
    for (std::size_t size = 0; size < 150; ++size) {
        for (std::size_t at = 0; at <= size; ++at) {
            // The text twice, where the reader puts a block: alone, where a
            // sanitizer sees any read past its end, and with the rest of the
            // word, or else an "o", and more near misses behind it, which
            // nothing may count.
            std::string bytes(size + 64, 'e');
            for (std::size_t i = 0; i < bytes.size(); i += 3)
                bytes[i] = i % 7 ? 'r' : '\n'; // near misses
            bytes.replace(at, 5, "error");
            if (at + 5 <= size) bytes[size] = 'o';
            const AlignedCopy alone(std::string_view(bytes).substr(0, size));
            const AlignedCopy behind(bytes);
            for (const std::string_view view : {alone.first(size), behind.first(size)}) {
                for (const std::string_view word : {"error", "line", "rre"})
                    ASSERT_EQ(offset(view, find_word(view, word)), view.find(word)) << size << at;
                for (const std::size_t from : {at, std::min(at + 4, size)})
                    ASSERT_EQ(find_byte(view, 'o', from), view.find('o', from)) << size << at;
                for (const IndexPath path : index_paths_here()) {
                    use_index_path(path);
                    IndexBits index[3];
                    index_block(view, index);
                    for (std::size_t i = 0; i < (size + 63) / 64 * 64; ++i) {
                        const auto bit = [i](std::uint64_t bits) { return bits >> i % 64 & 1; };
                        ASSERT_EQ(bit(index[i / 64].newlines), i < size && view[i] == '\n')
                            << size << at << i;
                        ASSERT_EQ(bit(index[i / 64].candidates),
                                  i + 3 <= size && view.substr(i).starts_with("err"))
                            << size << at << i << int(path);
                    }
                }
            }
        }
    }
    use_index_path(index_paths_here().front());
}
