#pragma once

#include "io.hpp"

#include <cstddef>
#include <span>
#include <string_view>

namespace errfold {

// Collects output in one block and hands it to the sink in large writes. After
// the first failed write everything is discarded and error() tells why.
class Output {
  public:
    static constexpr std::size_t kCapacity = std::size_t{64} * 1024;

    // `block`, kCapacity bytes, holds what is pending.
    Output(ByteSink& sink, std::span<char> block);

    void put(std::string_view bytes);
    // Sends what is pending; false once any write has failed.
    bool flush();
    int error() const { return error_; }

  private:
    ByteSink& sink_;
    std::span<char> block_;
    std::size_t used_ = 0;
    int error_ = 0;
};

} // namespace errfold
