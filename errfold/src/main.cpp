// errfold: keeps the three-line error reports of a diagnostic stream, each
// written as one line with its line number lowered by one.

#include "errfold.hpp"
#include "platform.hpp"
#include "standard_streams.hpp"

#include <cstring>
#include <string>

using namespace errfold;

int main() {
    const Result result = run(standard_input(), standard_output(), platform::fold_crlf);
    if (result.failure == Failure::none) return result.status;

    std::string message = "errfold: ";
    message += result.failure == Failure::read ? "read error: " : "write error: ";
    message += std::strerror(result.error);
    message += '\n';
    print_error(message);
    return 2;
}
