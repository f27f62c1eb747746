#pragma once

#include <string_view>

namespace errfold {

// The first occurrence of `word` (three bytes or more) in `text`, or nullptr.
// Build logs are searched end to end for one short word, so this is the
// filter's inner loop: where the processor can, it tests sixteen places at a
// time by the word's first and third byte (for "error", a pair that ordinary
// text holds far less often than its first and last), before it compares the
// whole word.
const char* find_word(std::string_view text, std::string_view word);

// The first occurrence of `byte` in `text`, or nullptr. Lines are short:
// this costs less than a call into the C library for each of them.
const char* find_first(std::string_view text, char byte);

// The last occurrence of `byte` in `text`, or nullptr.
const char* find_last(std::string_view text, char byte);

} // namespace errfold
