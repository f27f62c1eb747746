// errfold: keeps the three-line error reports of a diagnostic stream, each
// written as one line with its line number lowered by one.

#include "errfold.hpp"
#include "platform.hpp"

#include <string>

using namespace errfold;

int main() {
    const Result result =
        run(platform::standard_input(), platform::standard_output(), platform::fold_crlf);
    if (result.failure == Failure::none) return result.status;

    std::string message = "errfold: ";
    message += result.failure == Failure::read ? "read error: " : "write error: ";
    message += platform::describe(result.error);
    message += '\n';
    platform::print_error(message);
    return 2;
}
