// Feeds arbitrary bytes through errfold's whole filter and checks properties
// that must hold for every input, not only that nothing crashes.

#include "errfold.hpp"
#include "memory_io.hpp"
#include "plain_model.hpp"
#include "search.hpp"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

errfold::PlainResult fold(std::string_view input, std::size_t step) {
    errfold::ScriptedSource source(std::string(input), {static_cast<int>(step)});
    errfold::StringSink sink;
    const errfold::Result r = errfold::run(source, sink, true);
    if (r.failure != errfold::Failure::none || (r.status != 0 && r.status != 1)) {
        std::fprintf(stderr, "unexpected result: status %d, failure %d\n", r.status,
                     static_cast<int>(r.failure));
        std::abort();
    }
    return {sink.text, r.status};
}

void require_same(const errfold::PlainResult& a, const errfold::PlainResult& b, const char* what) {
    if (a.out == b.out && a.status == b.status) return;
    std::fprintf(stderr, "%s: results differ\n", what);
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    // The last byte picks the way of indexing, so that every one is fuzzed.
    const auto paths = errfold::index_paths_here();
    errfold::use_index_path(paths[size > 0 ? data[size - 1] % paths.size() : 0]);
    const auto whole = fold(input, input.size() + 1);

    require_same(whole, errfold::plain_model(input), "block reader against plain model");
    // The first byte picks a read size, so that splits vary with the input.
    const std::size_t step = size > 0 ? 1 + data[0] % 64 : 1;
    require_same(whole, fold(input, step), "one read against many");

    // Without lone CRs, a log with CR LF line ends reads as the same log with LF.
    std::string lf, crlf;
    for (const char c : input) {
        if (c == '\r') continue;
        lf += c;
        if (c == '\n') crlf += '\r';
        crlf += c;
    }
    require_same(fold(lf, step), fold(crlf, step), "CR LF against LF");
    return 0;
}
