#include "errfold.hpp"

#include "line_reader.hpp"
#include "output.hpp"
#include "report.hpp"

#include <charconv>

namespace errfold {

namespace {

// Everything but the last character, normally the newline.
std::string_view chop(std::string_view line) {
    return {line.data(), line.size() - 1};
}

void put_header(Output& out, std::string_view header) {
    const auto rewrite = rewrite_header(header);
    if (!rewrite) {
        out.put(chop(header));
        return;
    }
    char number[24];
    const auto written = std::to_chars(number, number + sizeof number, rewrite->line_number);
    out.put(rewrite->prefix);
    out.put({number, written.ptr});
    out.put(rewrite->tail);
}

// Reads until the end of input, the first failed read or the first failed write.
int fold_reports(LineReader& in, Output& out) {
    int status = 0;
    // In some logs report groups follow each other; there the line after a
    // group is tested on its own, and only elsewhere is the reader sent over
    // ordinary lines in bulk, which costs more when there are none.
    bool after_group = false;
    bool groups_adjoin = false;
    while (out.error() == 0) {
        const bool passed = !(after_group && groups_adjoin) && in.skip_lines_without(kRarestWord);
        if (passed) status = 1;
        Line line = in.next();
        if (line.met_end) break;
        const bool header = is_report_header(line.text);
        if (after_group) groups_adjoin = header && !passed;
        after_group = false;
        if (!header) {
            status = 1;
            continue;
        }
        put_header(out, line.text);

        line = in.next();
        if (line.met_end) break;
        out.put(" ");
        out.put(chop(line.text));

        line = in.next();
        if (line.met_end) break;
        out.put(" - ");
        out.put(line.text);
        after_group = true;
    }
    return status;
}

} // namespace

Result run(ByteSource& input, ByteSink& output, bool fold_crlf) {
    // The filter's only large memory, taken at no cost when the program
    // starts, page-aligned so that a short input touches one page of each.
    // Hence one run at a time.
    alignas(4096) static char input_room[LineReader::kRoom];
    alignas(4096) static char output_block[Output::kCapacity];
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
