#include "line_reader.hpp"

#include "report.hpp"

#include <algorithm>
#include <bit>
#include <cstring>

namespace errfold {

namespace {

// The place of the first bit set in [from, to) of one kind of bits of an
// index, or `to`.
template <std::uint64_t IndexBits::*kind>
std::size_t first_bit(const IndexBits* index, std::size_t from, std::size_t to) {
    if (from >= to) return to;
    std::size_t k = from / 64;
    std::uint64_t word = index[k].*kind & (~std::uint64_t{0} << from % 64);
    while (word == 0) {
        if (++k * 64 >= to) return to;
        word = index[k].*kind;
    }
    return std::min(k * 64 + static_cast<std::size_t>(std::countr_zero(word)), to);
}

// The place of the last bit set in [from, to), likewise, or `to`.
template <std::uint64_t IndexBits::*kind>
std::size_t last_bit(const IndexBits* index, std::size_t from, std::size_t to) {
    if (from >= to) return to;
    std::size_t k = (to - 1) / 64;
    std::uint64_t word = index[k].*kind & (~std::uint64_t{0} >> (63 - (to - 1) % 64));
    while (word == 0) {
        if (k-- * 64 <= from) return to;
        word = index[k].*kind;
    }
    const std::size_t place = k * 64 + 63 - static_cast<std::size_t>(std::countl_zero(word));
    return place >= from ? place : to;
}

} // namespace

LineReader::LineReader(ByteSource& source, bool fold_crlf, Output& pending, Room& room)
    : source_(source), pending_(pending), fold_crlf_(fold_crlf), room_(room) {}

bool LineReader::holds_word(const Line& line) const {
    if (line.text.size() < kRarestWord.size()) return false;
    const auto start = static_cast<std::size_t>(line.text.data() - room_.bytes);
    // The places where the whole word fits within the line.
    const std::size_t end = start + line.text.size() - kRarestWord.size() + 1;
    for (std::size_t at = first_bit<&IndexBits::candidates>(room_.index, start, end); at < end;
         at = first_bit<&IndexBits::candidates>(room_.index, at + 1, end)) {
        if (std::memcmp(room_.bytes + at, kRarestWord.data(), kRarestWord.size()) == 0) return true;
    }
    return false;
}

Line LineReader::next() {
    for (;;) {
        char* const line = room_.bytes + begin_;
        const std::size_t avail = end_ - begin_;
        // 998 characters may span 999 bytes when the last is a CR LF newline.
        const std::size_t window = begin_ + std::min(avail, kMaxChars + 1);
        if (const std::size_t nl = first_bit<&IndexBits::newlines>(room_.index, begin_, window);
            nl < window) {
            const std::size_t at = nl - begin_;
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

bool LineReader::skip_lines_without_word() {
    bool passed = false;
    for (;;) {
        // Whole lines before the one that holds the word, or before the
        // unfinished last line, cannot hold it.
        const std::size_t hit = first_bit<&IndexBits::candidates>(room_.index, begin_, end_);
        const std::size_t newline = last_bit<&IndexBits::newlines>(room_.index, begin_, hit);
        const std::size_t line = newline < hit ? newline + 1 : begin_;
        passed = passed || line > begin_;
        begin_ = line;
        if (hit < end_) return passed;

        // The unfinished line has no newline yet, so its pieces are kMaxChars
        // bytes each. Keep a byte behind those passed over, so that none ends
        // in a CR that could still pair with an LF.
        const std::size_t rest = end_ - begin_;
        const std::size_t pieces = rest > 0 ? (rest - 1) / kMaxChars * kMaxChars : 0;
        begin_ += pieces;
        passed = passed || pieces > 0;
        if (source_ended_) return passed;
        refill();
    }
}

void LineReader::refill() {
    const std::size_t unfinished = end_ - begin_;
    std::memmove(room_.bytes + kHead - unfinished, room_.bytes + begin_, unfinished);
    begin_ = kHead - unfinished;
    end_ = kHead;
    // Once output has failed, reading on would only wait for input, or run
    // for ever on endless input, with nothing left to show for it.
    const std::ptrdiff_t got = pending_.flush() ? source_.read({room_.bytes + kHead, kBlock}) : 0;
    if (got > 0) {
        end_ += static_cast<std::size_t>(got);
    } else {
        source_ended_ = true;
        if (got < 0) error_ = static_cast<int>(-got);
    }
    const std::size_t first = begin_ / 64;
    index_block({room_.bytes + 64 * first, end_ - 64 * first}, room_.index + first);
}

} // namespace errfold
