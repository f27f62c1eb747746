#pragma once

#include "io.hpp"

#include <cstddef>
#include <string_view>

namespace errfold {

// Keeps the last bytes read through it, so that a build that failed without
// a report can still show what it said last. Of each read it copies only
// what can still be shown, so a long log costs next to nothing.
class Tail final : public ByteSource {
  public:
    static constexpr std::size_t kKept = std::size_t{16} * 1024;
    static constexpr std::size_t kLines = 10;

    // What is kept is written before it is read, and only the pages used are
    // touched.
    // cppcheck-suppress uninitMemberVar ; see above
    explicit Tail(ByteSource& source) : source_(source) {}
    std::ptrdiff_t read(std::span<char> into) override;

    // The last kLines lines read, each whole, the last one perhaps without
    // its newline; fewer when they do not fit in what is kept.
    std::string_view last_lines() const;

  private:
    void keep(std::string_view bytes);

    ByteSource& source_;
    char kept_[2 * kKept];
    std::size_t used_ = 0;
    unsigned long long read_ = 0; // all bytes read, kept or let go
};

// Runs the command argv[first...], folds what it writes to standard output,
// and returns errfold's exit status.
int fold_command(int argc, char** argv, int first);

} // namespace errfold
