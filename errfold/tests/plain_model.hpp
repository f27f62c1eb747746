#pragma once

#include "report.hpp"

#include <string>

namespace errfold {

struct PlainResult {
    std::string out;
    int status = 0;
};

// The filter written as plainly as possible: one character at a time, the way
// a text-mode line read of 998 characters delivers them.
inline PlainResult plain_model(const std::string& in) {
    std::size_t pos = 0;
    std::string line;
    auto read = [&] { // true when the read met the end of input
        line.clear();
        while (line.size() < 998) {
            if (pos == in.size()) return true;
            char c = in[pos++];
            if (c == '\r' && pos < in.size() && in[pos] == '\n') c = in[pos++];
            line += c;
            if (c == '\n') break;
        }
        return false;
    };
    PlainResult f;
    while (!read()) {
        const auto holds = [&](const char* word) { return line.find(word) != std::string::npos; };
        if (!holds("line") || !holds("error") || !holds("column")) {
            f.status = 1;
            continue;
        }
        if (const auto r = rewrite_header(line))
            f.out.append(r->prefix).append(std::to_string(r->line_number)).append(r->tail);
        else
            f.out.append(line, 0, line.size() - 1);
        if (read()) break;
        f.out.append(" ").append(line, 0, line.size() - 1);
        if (read()) break;
        f.out.append(" - ").append(line);
    }
    return f;
}

} // namespace errfold
