#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace errfold {

// Of the three words of a report header, the one ordinary build output holds
// least often: lines without it can be passed over unread.
inline constexpr std::string_view kRarestWord = "error";

// A report header in its one-line form: prefix, the lowered line number, tail.
struct HeaderRewrite {
    std::string_view prefix;
    std::int64_t line_number; // already lowered by one
    std::string_view tail;
};

// The rewrite of a header whose second "(" is followed by "line", optional
// whitespace and a signed 32-bit decimal number, with a comma somewhere after
// the cut. Any other header has none and is written as it came.
std::optional<HeaderRewrite> rewrite_header(std::string_view header);

// A report header holds "line", "error" and "column", byte for byte,
// anywhere. Whether a line already known to hold kRarestWord is a header,
// and how it is written: as it came, or by `rewrite`, which is then filled
// in. Reads the 64 bytes from the line's start, and at most 21 past its end,
// as the input's buffer allows.
enum class HeaderKind { none, as_it_came, rewritten };
HeaderKind examine_header(std::string_view line, HeaderRewrite& rewrite);

} // namespace errfold
