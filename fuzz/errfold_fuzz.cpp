// Feeds arbitrary bytes through errfold's whole filter and checks properties
// that must hold for every input, not only that nothing crashes.

#include "errfold.hpp"
#include "plain_model.hpp"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

class MemorySource final : public errfold::ByteSource {
  public:
    MemorySource(std::string_view input, std::size_t step) : rest_(input), step_(step) {}
    std::ptrdiff_t read(std::span<char> into) override {
        const std::size_t n = std::min({into.size(), rest_.size(), step_});
        std::memcpy(into.data(), rest_.data(), n);
        rest_.remove_prefix(n);
        return static_cast<std::ptrdiff_t>(n);
    }

  private:
    std::string_view rest_;
    std::size_t step_;
};

class MemorySink final : public errfold::ByteSink {
  public:
    int write(std::span<const char> bytes) override {
        text.append(bytes.data(), bytes.size());
        return 0;
    }
    std::string text;
};

errfold::PlainResult fold(std::string_view input, std::size_t step) {
    MemorySource source(input, step);
    MemorySink sink;
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
