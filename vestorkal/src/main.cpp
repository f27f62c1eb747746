// vestorkal: the map feeder. Reads a map reference such as {ostrov} from
// standard input and writes the map file it names, then the end marker byte
// 0xFF, to standard output for the next program of the chain.

#include "feeder.hpp"
#include "messages.hpp"
#include "platform.hpp"

using namespace vestorkal;

int main(int argc, char** /*argv*/) {
    // The reference comes on standard input only; an operand is a mistake
    // that would otherwise show as a wrong map name.
    if (argc > 1) {
        platform::print_error("usage: vestorkal < reference > output\n");
        return 2;
    }
    const Outcome outcome = feed(platform::standard_io(), platform::layout);
    if (outcome == Outcome::copied) return 0;
    platform::print_error(message(outcome));
    return 1;
}
