#include "errfold.hpp"

#include "line_reader.hpp"
#include "output.hpp"
#include "report.hpp"

#include <charconv>

namespace errfold {

namespace {

// The separators within a report's line, " " and " - ", padded so that
// put_input may read past them.
constexpr char kSeparators[Output::kOverread] = " - ";
constexpr std::string_view kSpace(kSeparators, 1);
constexpr std::string_view kDash(kSeparators, 3);

// Everything but the last character, normally the newline.
std::string_view chop(std::string_view line) {
    return {line.data(), line.size() - 1};
}

void put_rewritten(Output& out, const HeaderRewrite& rewrite) {
    char number[Output::kOverread];
    const auto written = std::to_chars(number, number + sizeof number, rewrite.line_number);
    out.put_input(rewrite.prefix);
    out.put_input({number, written.ptr});
    out.put_input(rewrite.tail);
}

// Reads until the end of input, the first failed read or the first failed write.
int fold_reports(LineReader& in, Output& out) {
    int status = 0;
    while (out.error() == 0) {
        if (in.skip_lines_without_word()) status = 1;
        Line line = in.next();
        if (line.met_end) break;
        HeaderRewrite rewrite;
        const HeaderKind header =
            in.holds_word(line) ? examine_header(line.text, rewrite) : HeaderKind::none;
        if (header == HeaderKind::none) {
            status = 1;
            continue;
        }
        if (header == HeaderKind::rewritten)
            put_rewritten(out, rewrite);
        else
            out.put_input(chop(line.text));

        line = in.next();
        if (line.met_end) break;
        out.put_input(kSpace);
        out.put_input(chop(line.text));

        line = in.next();
        if (line.met_end) break;
        out.put_input(kDash);
        out.put_input(line.text);
    }
    return status;
}

} // namespace

Result run(ByteSource& input, ByteSink& output, bool fold_crlf) {
    // The filter's only large memory, taken at no cost when the program
    // starts: only the pages used are touched, a few for a short input.
    // Hence one run at a time.
    static LineReader::Room input_room;
    alignas(4096) static char output_block[Output::kCapacity + Output::kOverread];
    Output out(output, output_block);
    LineReader in(input, fold_crlf, out, input_room);
    Result result{fold_reports(in, out)};

    // What was written before a read failed still goes out.
    const bool flushed = out.flush();
    if (in.error() != 0) {
        result.failure = Failure::read;
        result.error = in.error();
    } else if (!flushed) {
        result.failure = Failure::write;
        result.error = out.error();
    } else if (const int closed = output.finish(); closed != 0) {
        result.failure = Failure::write;
        result.error = closed;
    }
    return result;
}

} // namespace errfold
