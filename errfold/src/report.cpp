#include "report.hpp"

#include "search.hpp"

#include <bit>
#include <cstddef>
#include <cstring>

namespace errfold {

namespace {

constexpr std::int64_t kIntMax = 2147483647;

// Whitespace as the C locale has it.
bool is_space(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

// Reads "line", optional whitespace, an optional sign and decimal digits.
std::optional<std::int64_t> scan_line_number(std::string_view at) {
    if (at.size() < 4 || std::memcmp(at.data(), "line", 4) != 0) return std::nullopt;
    std::size_t p = 4;
    while (p < at.size() && is_space(at[p]))
        ++p;
    bool negative = false;
    if (p < at.size() && (at[p] == '+' || at[p] == '-')) negative = at[p++] == '-';
    const std::size_t first_digit = p;
    std::int64_t value = 0;
    for (; p < at.size() && is_digit(at[p]); ++p) {
        value = value * 10 + (at[p] - '0');
        if (value > kIntMax + 1) return std::nullopt;
    }
    if (p == first_digit) return std::nullopt;
    if (negative) return -value;
    if (value > kIntMax) return std::nullopt;
    return value;
}

// The shape nearly every header has: "path(function(line 12, column 3) error".
// The first two "(" lie within its first 64 bytes; right after the second
// come "line ", 1 to 9 digits that neither start nor end in 0, and
// ", column". A line known to hold kRarestWord that has this shape is a
// header, and lowering its number lowers the last digit alone, so it is
// checked in a fixed number of steps, without a search or a branch on how
// many digits there are.
std::optional<HeaderRewrite> rewrite_common_header(std::string_view line) {
    constexpr std::size_t kMaxDigits = 9; // any 9 digits fit in an int; 10 may not
    constexpr std::string_view kLine = "line ";
    constexpr std::string_view kColumn = ", column";
    std::uint64_t brackets = byte_bits(line.data(), '(');
    // Brackets past a short line are not its own; dropping them also keeps
    // the digits read below within 21 bytes of the line's end.
    if (line.size() < 64) brackets &= (std::uint64_t{1} << line.size()) - 1;
    brackets &= brackets - 1;
    if (brackets == 0) return std::nullopt;
    const std::size_t anchor = static_cast<std::size_t>(std::countr_zero(brackets)) + 1;
    const std::size_t cut = anchor + kLine.size();
    const std::size_t digits = leading_digits(line.data() + cut);
    const std::size_t comma = cut + digits;
    // ", column" lies within the tail, which leaves out the line's last
    // character; that also keeps the compares below within the line.
    if (digits == 0 || digits > kMaxDigits || comma + kColumn.size() >= line.size() ||
        std::memcmp(line.data() + anchor, kLine.data(), kLine.size()) != 0 ||
        std::memcmp(line.data() + comma, kColumn.data(), kColumn.size()) != 0 || line[cut] == '0' ||
        line[comma - 1] == '0')
        return std::nullopt;
    return HeaderRewrite{{line.data(), comma - 1},
                         line[comma - 1] - '1',
                         {line.data() + comma, line.size() - 1 - comma}};
}

} // namespace

std::optional<HeaderRewrite> rewrite_header(std::string_view header) {
    const std::size_t first = find_byte(header, '(', 0);
    if (first == std::string_view::npos) return std::nullopt;
    const std::size_t second = find_byte(header, '(', first + 1);
    if (second == std::string_view::npos) return std::nullopt;
    const std::size_t anchor = second + 1;

    const auto number = scan_line_number({header.data() + anchor, header.size() - anchor});
    if (!number) return std::nullopt;

    // The prefix keeps five characters past the anchor, normally "line ";
    // the scan above guarantees they are there. The character at the cut is
    // never the tail's comma.
    const std::size_t cut = anchor + 5;
    const std::size_t comma = find_byte(header, ',', cut + 1);
    if (comma == std::string_view::npos) return std::nullopt;

    return HeaderRewrite{
        {header.data(), cut}, *number - 1, {header.data() + comma, header.size() - 1 - comma}};
}

HeaderKind examine_header(std::string_view line, HeaderRewrite& rewrite) {
    if (const auto common = rewrite_common_header(line)) {
        rewrite = *common;
        return HeaderKind::rewritten;
    }
    // "column" first: of the lines that hold "error", it rules out the most.
    // A rewrite has found "line" already.
    if (!find_word(line, "column")) return HeaderKind::none;
    if (const auto found = rewrite_header(line)) {
        rewrite = *found;
        return HeaderKind::rewritten;
    }
    return find_word(line, "line") ? HeaderKind::as_it_came : HeaderKind::none;
}

} // namespace errfold
