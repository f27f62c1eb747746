// vestorkal: the map feeder. Reads a map reference such as {ostrov} from
// standard input and writes the map file it names, then the end marker byte
// 0xFF, to standard output for the next program of the chain.

#include "feeder.hpp"
#include "messages.hpp"
#include "platform.hpp"

#include <string_view>

using namespace vestorkal;

namespace {

constexpr std::string_view kUsage = "usage: vestorkal < reference > output\n";
constexpr std::string_view kVersion = "vestorkal (errfold-vestorkal) " VESTORKAL_VERSION "\n";

// An answer to --help or --version that cannot be written is a failure too.
int answer(std::string_view text) {
    Io& io = platform::standard_io();
    if (io.write_output(text) == 0 && io.finish_output() == 0) return 0;
    platform::print_error(message(Outcome::write_error));
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::string_view(argv[1]) == "--help") return answer(kUsage);
    if (argc == 2 && std::string_view(argv[1]) == "--version") return answer(kVersion);
    // The reference comes on standard input only; an operand is a mistake
    // that would otherwise show as a wrong map name.
    if (argc > 1) {
        platform::print_error(kUsage);
        return 2;
    }
    const Outcome outcome = feed(platform::standard_io(), platform::layout);
    if (outcome == Outcome::copied) return 0;
    platform::print_error(message(outcome));
    return 1;
}
