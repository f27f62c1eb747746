#pragma once

#include "io.hpp"

#include <initializer_list>
#include <string_view>

namespace errfold {

// Standard input and output as the filter's source and sink. Every write is
// checked, and standard output is closed, checked too, once something was
// written to it: a full disk may show only then.
ByteSource& standard_input();
ByteSink& standard_output();
// Whether standard input and standard output are one regular file.
bool input_is_output();

// Writes one line, the parts joined, to standard error in a single write,
// best effort: there is nowhere else to report that it failed. A line too
// long is cut, but keeps its end.
void print_error(std::initializer_list<std::string_view> parts);
// "errfold: read error: REASON", or write error, for errno value `error`.
void print_stream_error(bool reading, int error);
// Writes bytes to standard error as they are, best effort.
void write_error(std::string_view bytes);
// Writes all of `text` to standard output and closes it: 0, or the errno
// value of the failure.
int print_output(std::string_view text);

} // namespace errfold
