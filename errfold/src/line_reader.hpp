#pragma once

#include "io.hpp"
#include "output.hpp"
#include "search.hpp"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace errfold {

// What one read delivers.
struct Line {
    std::string_view text; // valid until the next read
    bool met_end = false;  // the read tried to go past the input
};

// Splits input into lines the way a line read of at most 998 characters does:
// a line stops after its first newline, which it keeps, or after 998
// characters. Input is taken in large blocks and indexed once (see
// index_block); no line is ever copied.
class LineReader {
  public:
    static constexpr std::size_t kMaxChars = 998;
    static constexpr std::size_t kBlock = std::size_t{256} * 1024;
    // Room for an unfinished line (at most kMaxChars bytes) in front of each
    // block, so that the block is read to a page boundary, where the system
    // copies it fastest.
    static constexpr std::size_t kHead = 4096;
    static_assert(kMaxChars < kHead);
    static constexpr std::size_t kCapacity = kHead + kBlock;

    // The header test reads the 64 bytes from a line's start, and the output
    // as far past a line's end: the padding behind the bytes serves both.
    static_assert(Output::kOverread >= 64);

    // The input and its index. The bytes come last, so that a read past
    // them runs off the object, where a sanitizer sees it, and start at a
    // page, which costs some padding.
    struct Room { // NOLINT(clang-analyzer-optin.performance.Padding)
        IndexBits index[(kCapacity + 63) / 64];
        alignas(4096) char bytes[kCapacity + Output::kOverread];
    };

    // With fold_crlf, a CR immediately followed by LF is one newline character,
    // delivered as LF, as a text-mode stream delivers it. `pending` is flushed
    // before every read that may wait, so complete output never lags behind;
    // once it has failed, input counts as ended.
    LineReader(ByteSource& source, bool fold_crlf, Output& pending, Room& room);

    Line next();
    // Passes over every line that cannot contain kRarestWord, up to the next
    // line that may, as calls of next() would; true if a line was passed over.
    bool skip_lines_without_word();
    // Whether kRarestWord lies wholly within the line last delivered.
    bool holds_word(const Line& line) const;
    // The errno value of a failed read, or 0; a failed read also ends input.
    int error() const { return error_; }

  private:
    void refill();

    ByteSource& source_;
    Output& pending_;
    bool fold_crlf_;
    Room& room_;
    std::size_t begin_ = 0;
    std::size_t end_ = 0;
    bool source_ended_ = false;
    int error_ = 0;
};

} // namespace errfold
