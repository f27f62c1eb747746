// vestorkal: the map feeder. Reads a map reference such as {ostrov} from
// standard input and writes the map file it names, then the end marker byte
// 0xFF, to standard output for the next program of the chain.

#include "feeder.hpp"
#include "messages.hpp"
#include "platform.hpp"

using namespace vestorkal;

int main() {
    const Outcome outcome = feed(platform::standard_io(), platform::layout);
    if (outcome == Outcome::copied) return 0;
    platform::print_error(message(outcome));
    return 1;
}
