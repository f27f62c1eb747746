#include "line_reader.hpp"

#include "search.hpp"

#include <algorithm>
#include <cstring>

namespace errfold {

LineReader::LineReader(ByteSource& source, bool fold_crlf, Output& pending, std::span<char> room)
    : source_(source), pending_(pending), fold_crlf_(fold_crlf), room_(room) {}

Line LineReader::next() {
    for (;;) {
        char* const line = room_.data() + begin_;
        const std::size_t avail = end_ - begin_;
        // 998 characters may span 999 bytes when the last is a CR LF newline.
        const std::size_t window = std::min(avail, kMaxChars + 1);
        if (const char* nl = find_first({line, window}, '\n')) {
            const auto at = static_cast<std::size_t>(nl - line);
            if (fold_crlf_ && at > 0 && line[at - 1] == '\r') {
                line[at - 1] = '\n';
                begin_ += at + 1;
                return {{line, at}};
            }
            if (at < kMaxChars) {
                begin_ += at + 1;
                return {{line, at + 1}};
            }
        }
        // No newline among the first 998 characters. A CR in last place may
        // still pair with an LF that has not arrived yet.
        const bool may_pair = fold_crlf_ && avail == kMaxChars && line[kMaxChars - 1] == '\r';
        if (avail > kMaxChars || (avail == kMaxChars && (!may_pair || source_ended_))) {
            begin_ += kMaxChars;
            return {{line, kMaxChars}};
        }
        if (source_ended_) {
            begin_ = end_;
            return {{line, avail}, true};
        }
        refill();
    }
}

bool LineReader::skip_lines_without(std::string_view word) {
    bool passed = false;
    for (;;) {
        const std::string_view text(room_.data() + begin_, end_ - begin_);
        const char* hit = find_word(text, word);
        // Whole lines before the one that holds the word, or before the
        // unfinished last line, cannot hold it.
        const std::size_t upto = hit ? static_cast<std::size_t>(hit - text.data()) : text.size();
        const char* const newline = find_last({text.data(), upto}, '\n');
        const std::size_t line = newline ? static_cast<std::size_t>(newline - text.data()) + 1 : 0;
        begin_ += line;
        passed = passed || line > 0;
        if (hit) return passed;

        // The unfinished line has no newline yet, so its pieces are kMaxChars
        // bytes each. Keep a byte behind those passed over, so that none ends
        // in a CR that could still pair with an LF.
        const std::size_t rest = text.size() - line;
        const std::size_t pieces = rest > 0 ? (rest - 1) / kMaxChars * kMaxChars : 0;
        begin_ += pieces;
        passed = passed || pieces > 0;
        if (source_ended_) return passed;
        refill();
    }
}

void LineReader::refill() {
    if (begin_ > 0) {
        std::memmove(room_.data(), room_.data() + begin_, end_ - begin_);
        end_ -= begin_;
        begin_ = 0;
    }
    // Once output has failed, reading on would only wait for input, or run
    // for ever on endless input, with nothing left to show for it.
    if (!pending_.flush()) {
        source_ended_ = true;
        return;
    }
    const std::ptrdiff_t got = source_.read({room_.data() + end_, room_.size() - end_});
    if (got > 0) {
        end_ += static_cast<std::size_t>(got);
    } else {
        source_ended_ = true;
        if (got < 0) error_ = static_cast<int>(-got);
    }
}

} // namespace errfold
