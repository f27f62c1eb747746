#include "runner.hpp"

#include "errfold.hpp"
#include "platform.hpp"
#include "process.hpp"
#include "standard_streams.hpp"

#include <algorithm>
#include <charconv>
#include <cstring>

namespace errfold {

std::ptrdiff_t Tail::read(std::span<char> into) {
    const std::ptrdiff_t got = source_.read(into);
    if (got > 0) keep({into.data(), static_cast<std::size_t>(got)});
    return got;
}

// The bytes go on behind those kept, which move to the front when there is
// no room left: of a read of kKept bytes or more, only its last kKept.
void Tail::keep(std::string_view bytes) {
    read_ += bytes.size();
    if (bytes.size() >= kKept) {
        bytes.remove_prefix(bytes.size() - kKept);
        used_ = 0;
    } else if (used_ + bytes.size() > sizeof kept_) {
        std::memmove(kept_, kept_ + used_ - kKept, kKept);
        used_ = kKept;
    }
    std::memcpy(kept_ + used_, bytes.data(), bytes.size());
    used_ += bytes.size();
}

namespace {
// What follows `at`, which lies within `bytes`: substr would bring in the
// exception it throws otherwise, which the program leaves out.
std::string_view from(std::string_view bytes, std::size_t at) {
    return {bytes.data() + at, bytes.size() - at};
}
} // namespace

std::string_view Tail::last_lines() const {
    // The last kKept bytes, however the reads fell.
    const std::string_view kept = used_ > kKept ? std::string_view(kept_ + used_ - kKept, kKept)
                                                : std::string_view(kept_, used_);
    std::size_t at = !kept.empty() && kept.back() == '\n' ? kept.size() - 1 : kept.size();
    for (std::size_t newlines = 0; at > 0; --at) {
        if (kept[at - 1] == '\n' && ++newlines == kLines) return from(kept, at);
    }
    // Fewer lines than asked for: all of them, but for the first one when
    // its start was let go, unless it is all there is.
    if (read_ > kept.size()) {
        const std::size_t start = kept.find('\n') + 1;
        if (start > 0 && start < kept.size()) return from(kept, start);
    }
    return kept;
}

namespace {

// Whether anything reached standard output: a report, or the start of one.
class WatchedSink final : public ByteSink {
  public:
    explicit WatchedSink(ByteSink& sink) : sink_(sink) {}
    int write(std::span<const char> bytes) override {
        wrote = wrote || !bytes.empty();
        return sink_.write(bytes);
    }
    int finish() override { return sink_.finish(); }
    bool wrote = false;

  private:
    ByteSink& sink_;
};

struct Number {
    char digits[16];
    std::string_view text;
    explicit Number(long long value) {
        text = {digits, std::to_chars(digits, digits + sizeof digits, value).ptr};
    }
};

int not_started(const char* name, const process::Start& start, char** argv) {
    const char* const hint = process::names_file_here(name)
                                 ? " (errfold reads a log from standard input: errfold < "
                                 : nullptr;
    const std::string_view close = hint != nullptr ? ")\n" : "\n";
    switch (start.failure) {
    case process::StartFailure::not_found:
    case process::StartFailure::not_runnable:
        print_error({"errfold: ", name, ": ", std::strerror(start.error),
                     hint != nullptr ? hint : "", hint != nullptr ? name : "", close});
        return start.failure == process::StartFailure::not_found ? 127 : 126;
    case process::StartFailure::refused:
        print_error({"errfold: ", name, ": not run, since cmd.exe would take the argument ",
                     argv[start.argument], " as its own syntax\n"});
        return 126;
    case process::StartFailure::none:
    case process::StartFailure::system:
        break;
    }
    print_error({"errfold: cannot run ", name, ": ", std::strerror(start.error), "\n"});
    return 125;
}

// A build that failed with no report is not left silent: what it said last
// goes to standard error, where the reports' reader shows it too.
void tell_failure(const char* name, const process::End& end, const Tail& tail) {
    const std::string_view lines = tail.last_lines();
    const Number count(std::count(lines.begin(), lines.end(), '\n') +
                       (lines.empty() || lines.back() == '\n' ? 0 : 1));
    const Number code(end.signal != 0 ? end.signal : end.status);
    const std::string_view how =
        end.signal != 0 ? " was ended by signal " : " failed with exit status ";
    const char* const named = end.signal != 0 ? process::signal_name(end.signal) : nullptr;
    const std::string_view signal = named != nullptr ? named : "";
    const std::string_view open = named != nullptr ? " (" : "";
    const std::string_view shut = named != nullptr ? ")" : "";
    if (lines.empty()) {
        print_error(
            {"errfold: ", name, how, code.text, open, signal, shut, " and wrote nothing\n"});
        return;
    }
    print_error({"errfold: ", name, how, code.text, open, signal, shut, " and no report; its last ",
                 count.text, count.text == "1" ? " line:\n" : " lines:\n"});
    write_error(lines);
    if (lines.back() != '\n') write_error("\n");
}

} // namespace

int fold_command(int argc, char** argv, int first) {
    const char* const name = argv[first];
    const process::Start started = process::start(argc, argv, first);
    if (started.failure != process::StartFailure::none) return not_started(name, started, argv);

    // 32 KiB of stack, whose pages are touched only as they are used.
    Tail tail(process::output());
    WatchedSink out(standard_output());
    const Result result = run(tail, out, platform::fold_crlf);
    process::stop_reading();
    const process::End end = process::wait();

    if (result.failure != Failure::none) {
        print_stream_error(result.failure == Failure::read, result.error);
        return 125;
    }
    if ((end.signal != 0 || end.status != 0) && !out.wrote) tell_failure(name, end, tail);
    if (end.signal == 0) return end.status;
    process::end_by(end.signal);
    return 128 + end.signal;
}

} // namespace errfold
