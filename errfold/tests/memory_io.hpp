#pragma once

#include "io.hpp"

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace errfold {

// Hands out the input in reads of the given sizes, cycling; a negative size
// is a failed read with that errno value.
class ScriptedSource final : public ByteSource {
  public:
    ScriptedSource(std::string input, std::vector<int> sizes)
        : input_(std::move(input)), sizes_(std::move(sizes)) {}

    std::ptrdiff_t read(std::span<char> into) override {
        if (on_read) on_read();
        const int size = sizes_[turn_++ % sizes_.size()];
        if (size < 0) return size;
        const std::size_t n = std::min({into.size(), input_.size() - at_, std::size_t(size)});
        std::memcpy(into.data(), input_.data() + at_, n);
        at_ += n;
        return static_cast<std::ptrdiff_t>(n);
    }
    std::function<void()> on_read;

  private:
    std::string input_;
    std::vector<int> sizes_;
    std::size_t at_ = 0, turn_ = 0;
};

class StringSink final : public ByteSink {
  public:
    int write(std::span<const char> bytes) override {
        if (fail_with != 0) return fail_with;
        text.append(bytes.data(), bytes.size());
        return 0;
    }
    std::string text;
    int fail_with = 0;
};

} // namespace errfold
