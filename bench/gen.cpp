// Makes the benchmark's inputs, byte for byte the same on every run: the seed
// is fixed and nothing depends on the clock, the locale or the machine.
//
//   gen log BYTES FILE        build log: ordinary lines of 20-300 bytes, some of
//                             them near misses, and about 30% of all lines in
//                             three-line error reports
//   gen reports BYTES FILE    three-line error reports only
//   gen longlines BYTES FILE  lines of 1 KiB to 2 MiB, with reports among them
//   gen binary BYTES FILE     random bytes, every value alike
//
// and build logs of the same kind as `log` with lines 1.85 times as long:
//
//   gen wide BYTES FILE        ordinary lines of 37-555 bytes; 160 bytes a line
//                              on average, against 90 in `log`
//   gen wide-paths BYTES FILE  the same, every path 60 bytes or longer, so a
//                              report header's second "(" lies past its first
//                              64 bytes
//   gen wide-zeros BYTES FILE  the same, every line number ending in 0
//   gen wide-crlf BYTES FILE   the lines of `wide`, each ending in CR LF
//
// A text file stops at the last whole line or report that fits in BYTES, so
// the smaller file of a kind is a prefix of the larger one.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

namespace {

class Random {
  public:
    explicit Random(std::uint64_t seed) : state_(seed) {}

    std::uint64_t next() {
        std::uint64_t z = (state_ += 0x9e3779b97f4a7c15u);
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9u;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebu;
        return z ^ (z >> 31);
    }
    // Uniform in [lo, hi].
    std::size_t between(std::size_t lo, std::size_t hi) { return lo + next() % (hi - lo + 1); }
    bool chance(unsigned percent) { return next() % 100 < percent; }
    template <std::size_t N> std::string_view pick(const std::string_view (&list)[N]) {
        return list[next() % N];
    }

  private:
    std::uint64_t state_;
};

// What sets a log apart from the plain one. The plain shape draws the same
// numbers and writes the same bytes as it always has.
struct Shape {
    std::size_t stretch = 100;  // line lengths are drawn as usual, then scaled by this %
    bool deep_paths = false;    // every path starts with folders of 60 bytes or more
    bool round_numbers = false; // every line number ends in 0
    bool crlf = false;          // lines end in CR LF
};
Shape shape;

std::size_t stretched(std::size_t length) {
    return length * shape.stretch / 100;
}

// None of these holds "line", "error" or "column", so joined by blanks they
// never make a report header by accident.
constexpr std::string_view kUnits[] = {
    "editor", "buffer", "parser",  "lexer",  "render", "config", "network", "storage",
    "cursor", "undo",   "history", "search", "syntax", "theme",  "plugin",  "session",
    "window", "layout", "fonts",   "clip",   "keymap", "macro",  "spell",   "status"};
constexpr std::string_view kDirs[] = {"src",      "src/core", "src/ui",     "src/io",
                                      "lib/util", "lib/text", "vendor/zip", "tests/unit"};
constexpr std::string_view kFlags[] = {
    "-O2",      "-g",        "-Wall",           "-Wextra",       "-fPIC",
    "-DNDEBUG", "-Iinclude", "-Isrc",           "-Ilib/util",    "-DUSE_UNICODE=1",
    "-std=iso", "-pipe",     "-fno-exceptions", "-march=x86-64", "-MD",
    "-MP"};
constexpr std::string_view kWords[] = {
    "the",   "value",    "of",      "type",     "is",         "not",       "used",       "declared",
    "here",  "unit",     "record",  "field",    "pointer",    "array",     "integer",    "string",
    "call",  "to",       "with",    "result",   "argument",   "implicit",  "conversion", "from",
    "might", "overflow", "range",   "constant", "expression", "procedure", "function",   "label",
    "never", "assigned", "shadows", "outer",    "variable",   "in",        "scope",      "unused"};
constexpr std::string_view kIdents[] = {"cursr", "bufLen", "nodeCount", "tmp",   "i",      "j",
                                        "count", "offset", "pos",       "width", "height", "key",
                                        "item",  "first",  "next",      "total", "flags",  "ch"};
// Near misses: one or two of the three words, never all three.
constexpr std::string_view kNearMisses[] = {
    "warning: unused variable 'tmp' at line ",
    "note: previous declaration at line ",
    "error: cannot open include file 'settings.inc'",
    "errors found in unit; see the listing for details",
    "hint: a column of zero means the whole line",
    "column widths recomputed for the listing",
    "error while linking: unresolved external 'DrawText'",
    "see the error listing, pass --column-numbers to get more",
    "inline expansion limit reached for procedure ",
    "pipeline stage finished without errors",
    "multiline string constant continued at ",
    "underlined identifier shadows an outer one",
};

std::size_t number(Random& rnd) {
    const std::size_t n = rnd.chance(80) ? rnd.between(1, 999) : rnd.between(1000, 40000);
    // 10 to 40010: lowering one of these borrows from the digit before.
    return shape.round_numbers ? (n / 10 + 1) * 10 : n;
}

// Appends whole words until the line is at least `length` long.
void fill(Random& rnd, std::string& line, std::size_t length) {
    while (line.size() < length) {
        line += ' ';
        line += rnd.chance(30) ? rnd.pick(kIdents) : rnd.pick(kWords);
    }
}

void path(Random& rnd, std::string& line, std::string_view ext) {
    if (shape.deep_paths) {
        // A source tree deep below a build folder.
        const std::size_t start = line.size();
        line += "/home/builder/work";
        while (line.size() - start < 60) {
            line += '/';
            line += rnd.pick(kUnits);
        }
        line += '/';
    }
    line += rnd.pick(kDirs);
    line += '/';
    line += rnd.pick(kUnits);
    line += ext;
}

constexpr std::size_t kLongest = 300;

// Most build output is short; a compiler command line is the long kind.
std::size_t ordinary_length(Random& rnd) {
    const auto kind = rnd.next() % 10;
    if (kind < 6) return stretched(rnd.between(20, 80));
    if (kind < 9) return stretched(rnd.between(81, 160));
    return stretched(rnd.between(161, kLongest - 12));
}

// Output goes to the file in blocks of about this size.
constexpr std::size_t kBlock = std::size_t{1} << 20;

bool has_all_three(std::string_view line) {
    return line.find("line") != line.npos && line.find("error") != line.npos &&
           line.find("column") != line.npos;
}

// "(line N, column M)". The column is drawn first: the logs' bytes were
// first made by a compiler that did so, and each draw is its own statement so
// that every compiler makes them in that order.
std::string position(Random& rnd) {
    const std::size_t column = rnd.between(1, 120);
    const std::string line = std::to_string(number(rnd));
    return "(line " + line + ", column " + std::to_string(column) + ")";
}

std::string ordinary_line(Random& rnd) {
    const std::size_t length = ordinary_length(rnd);
    std::string line;
    switch (rnd.next() % 10) {
    case 0:
    case 1: // near miss
        line = rnd.pick(kNearMisses);
        if (line.back() == ' ') line += std::to_string(number(rnd));
        break;
    case 2: // a warning in the shape of a report header, without "error"
        path(rnd, line, ".src(");
        line += rnd.pick(kUnits);
        line += position(rnd) + " warning:";
        break;
    case 3:
        line = "Compiling unit ";
        line += rnd.pick(kUnits);
        line += " (";
        path(rnd, line, ".src)");
        break;
    case 4:
        line = "[" + std::to_string(rnd.between(0, 100)) + "%] Building object ";
        path(rnd, line, ".obj");
        break;
    case 5: // compiler command line
        line = "cc";
        while (line.size() + 40 < length) {
            line += ' ';
            line += rnd.pick(kFlags);
        }
        line += " -c ";
        path(rnd, line, ".c");
        break;
    default:
        line = rnd.pick(kWords);
        break;
    }
    fill(rnd, line, length);
    if (line.size() > stretched(kLongest)) line.resize(stretched(kLongest));
    line += '\n';
    return line;
}

// Callers draw the continuation length before the header length, the order
// the logs were first made in.
void report(Random& rnd, std::string& out, std::size_t header_length,
            std::size_t continuation_length) {
    std::string line;
    path(rnd, line, ".src(");
    line += rnd.pick(kUnits);
    line += position(rnd) + " error: ";
    line += rnd.pick(kWords);
    if (line.size() < header_length) fill(rnd, line, header_length);
    out += line;
    out += '\n';

    // The offending source line, then a hint.
    line = "    ";
    line += rnd.pick(kIdents);
    line += " := ";
    line += rnd.pick(kIdents);
    line += " + 1;";
    if (line.size() < continuation_length) fill(rnd, line, continuation_length);
    out += line;
    out += '\n';

    line = "    did you mean \"";
    line += rnd.pick(kIdents);
    line += "\"?";
    if (line.size() < continuation_length && rnd.chance(50))
        fill(rnd, line, rnd.between(line.size(), continuation_length));
    out += line;
    out += '\n';
}

// One item: an ordinary line, or a report. A report starts an item with
// probability 1/8, which puts 3/(3 + 7) = 30% of all lines in reports.
void log_item(Random& rnd, std::string& out) {
    if (rnd.next() % 8 == 0) {
        const std::size_t continuation = stretched(rnd.between(10, 120));
        report(rnd, out, stretched(rnd.between(60, 200)), continuation);
    } else {
        const std::string line = ordinary_line(rnd);
        if (!has_all_three(line)) out += line;
    }
}

void reports_item(Random& rnd, std::string& out) {
    const std::size_t continuation = rnd.between(10, 120);
    report(rnd, out, rnd.between(60, 200), continuation);
}

// Sizes spread evenly on a log scale, so each binary order of magnitude
// between 1 KiB and 2 MiB is as common as the next.
std::size_t long_length(Random& rnd) {
    const std::size_t shift = rnd.between(10, 20);
    return rnd.between(std::size_t{1} << shift, std::size_t{2} << shift);
}

void longlines_item(Random& rnd, std::string& out) {
    if (rnd.chance(30)) {
        const std::size_t continuation = long_length(rnd);
        report(rnd, out, long_length(rnd), continuation);
        return;
    }
    std::string line(rnd.pick(kWords));
    fill(rnd, line, long_length(rnd));
    out += line;
    out += '\n';
}

void write_text(void (*item)(Random&, std::string&), std::uint64_t seed, std::size_t limit,
                std::FILE* file) {
    Random rnd(seed);
    std::string block, next;
    std::size_t written = 0;
    for (;;) {
        next.clear();
        item(rnd, next);
        if (shape.crlf) {
            std::string lines;
            for (const char c : next) {
                if (c == '\n') lines += '\r';
                lines += c;
            }
            next.swap(lines);
        }
        if (written + block.size() + next.size() > limit) break;
        block += next;
        if (block.size() >= kBlock) {
            written += std::fwrite(block.data(), 1, block.size(), file);
            block.clear();
        }
    }
    std::fwrite(block.data(), 1, block.size(), file);
}

void write_binary(std::uint64_t seed, std::size_t limit, std::FILE* file) {
    Random rnd(seed);
    std::string block;
    while (limit > 0) {
        block.clear();
        while (block.size() < kBlock && block.size() < limit) {
            // Least significant byte first, on every machine.
            for (std::uint64_t r = rnd.next(), i = 0; i < 8; ++i, r >>= 8)
                block += static_cast<char>(r & 0xFF);
        }
        if (block.size() > limit) block.resize(limit);
        std::fwrite(block.data(), 1, block.size(), file);
        limit -= block.size();
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: gen log|reports|longlines|binary|wide|wide-paths|"
                             "wide-zeros|wide-crlf BYTES FILE\n");
        return 2;
    }
    const std::string_view kind = argv[1];
    const std::size_t bytes = std::strtoull(argv[2], nullptr, 10);
    std::FILE* file = std::fopen(argv[3], "wb");
    if (!file) {
        std::perror(argv[3]);
        return 1;
    }
    if (kind == "log") {
        write_text(log_item, 1, bytes, file);
    } else if (kind == "reports") {
        write_text(reports_item, 2, bytes, file);
    } else if (kind == "longlines") {
        write_text(longlines_item, 3, bytes, file);
    } else if (kind == "binary") {
        write_binary(4, bytes, file);
    } else if (kind.starts_with("wide")) {
        shape.stretch = 185;
        if (kind == "wide-paths") {
            shape.deep_paths = true;
        } else if (kind == "wide-zeros") {
            shape.round_numbers = true;
        } else if (kind == "wide-crlf") {
            shape.crlf = true;
        } else if (kind != "wide") {
            std::fprintf(stderr, "gen: unknown kind %s\n", argv[1]);
            return 2;
        }
        write_text(log_item, 5, bytes, file);
    } else {
        std::fprintf(stderr, "gen: unknown kind %s\n", argv[1]);
        return 2;
    }
    if (std::ferror(file) || std::fclose(file) != 0) {
        std::perror(argv[3]);
        return 1;
    }
    return 0;
}
