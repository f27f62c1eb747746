// errfold: keeps the three-line error reports of a diagnostic stream, each
// written as one line with its line number lowered by one. Given a command,
// it runs the build itself and ends with the build's own status.

#include "errfold.hpp"
#include "platform.hpp"
#include "runner.hpp"
#include "standard_streams.hpp"

#include <string_view>

using namespace errfold;

namespace {

constexpr std::string_view kUsage = "usage: errfold < input > output\n"
                                    "       errfold [--] command [argument ...]\n";

int print_or_fail(std::string_view text) {
    const int error = print_output(text);
    if (error != 0) print_stream_error(false, error);
    return error == 0 ? 0 : 2;
}

int fold_input() {
    // Every output line is a report header again: fed its own output,
    // errfold would grow the file until the disk is full.
    if (input_is_output()) {
        print_error({"errfold: input file is output file\n"});
        return 2;
    }
    const Result result = run(standard_input(), standard_output(), platform::fold_crlf);
    if (result.failure == Failure::none) return result.status;
    print_stream_error(result.failure == Failure::read, result.error);
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) return fold_input();
    const std::string_view first = argv[1];
    if (first == "--help") return print_or_fail(kUsage);
    if (first == "--version")
        return print_or_fail("errfold (" PACKAGE_NAME ") " PACKAGE_VERSION "\n");
    const int command = first == "--" ? 2 : 1;
    // An option errfold does not know is refused before anything runs.
    if (command >= argc || (command == 1 && first.size() > 1 && first[0] == '-')) {
        print_error({kUsage});
        return 2;
    }
    return fold_command(argc, argv, command);
}
