#include "report.hpp"

#include "search.hpp"

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

} // namespace

bool completes_report_header(std::string_view line) {
    // "column" first: of the lines that hold "error", it rules out the most.
    return find_word(line, "column") && find_word(line, "line");
}

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

} // namespace errfold
