#pragma once

#include "io.hpp"

namespace errfold {

enum class Failure { none, read, write };

struct Result {
    int status = 0; // 1 once a line was dropped
    Failure failure = Failure::none;
    int error = 0; // errno value of the failure
};

// Copies every complete report group of `input` to `output` as one line and
// drops every other line. With fold_crlf a CR LF pair reads as one newline.
Result run(ByteSource& input, ByteSink& output, bool fold_crlf);

} // namespace errfold
