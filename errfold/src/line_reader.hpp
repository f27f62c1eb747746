#pragma once

#include "io.hpp"
#include "output.hpp"

#include <cstddef>
#include <span>
#include <string_view>

namespace errfold {

// What one read delivers.
struct Line {
    std::string_view text; // valid until the next read
    bool met_end = false;  // the read tried to go past the input
};

// Splits input into lines the way a line read of at most 998 characters does:
// a line stops after its first newline, which it keeps, or after 998
// characters. Input is taken in large blocks; no line is ever copied.
class LineReader {
  public:
    static constexpr std::size_t kMaxChars = 998;
    static constexpr std::size_t kBlock = std::size_t{256} * 1024;
    // Room for one whole block behind an unfinished line of at most 999 bytes.
    static constexpr std::size_t kRoom = kBlock + kMaxChars + 1;

    // With fold_crlf, a CR immediately followed by LF is one newline character,
    // delivered as LF, as a text-mode stream delivers it. `pending` is flushed
    // before every read that may wait, so complete output never lags behind;
    // once it has failed, input counts as ended. `room`, kRoom bytes, holds
    // the input.
    LineReader(ByteSource& source, bool fold_crlf, Output& pending, std::span<char> room);

    Line next();
    // Passes over every line that cannot contain `word` (which holds no CR or
    // LF), up to the next line that may, as calls of next() would; true if a
    // line was passed over. Far faster than next() on lines it passes.
    bool skip_lines_without(std::string_view word);
    // The errno value of a failed read, or 0; a failed read also ends input.
    int error() const { return error_; }

  private:
    void refill();

    ByteSource& source_;
    Output& pending_;
    bool fold_crlf_;
    std::span<char> room_;
    std::size_t begin_ = 0;
    std::size_t end_ = 0;
    bool source_ended_ = false;
    int error_ = 0;
};

} // namespace errfold
