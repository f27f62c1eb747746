// errfold: keeps the three-line error reports of a diagnostic stream, each
// written as one line with its line number lowered by one.

#include "errfold.hpp"
#include "platform.hpp"
#include "standard_streams.hpp"

#include <cstring>

using namespace errfold;

int main(int argc, char** /*argv*/) {
    // errfold reads standard input only: a file name given as an operand
    // would be ignored, and an exit status of 0 would then lie.
    if (argc > 1) {
        print_error({"usage: errfold < input > output\n"});
        return 2;
    }
    // Every output line is a report header again: fed its own output,
    // errfold would grow the file until the disk is full.
    if (input_is_output()) {
        print_error({"errfold: input file is output file\n"});
        return 2;
    }

    const Result result = run(standard_input(), standard_output(), platform::fold_crlf);
    if (result.failure == Failure::none) return result.status;

    print_error({"errfold: ", result.failure == Failure::read ? "read error: " : "write error: ",
                 std::strerror(result.error), "\n"});
    return 2;
}
