#pragma once

#include "io.hpp"

#include <cstddef>
#include <cstring>
#include <string_view>

namespace errfold {

// Collects output in one block and hands it to the sink in large writes. After
// the first failed write everything is discarded and error() tells why.
class Output {
  public:
    static constexpr std::size_t kCapacity = std::size_t{64} * 1024;
    // How far past their end the bytes given to put_input may be read, and
    // the room behind the block for copies that run over its end.
    static constexpr std::size_t kOverread = 64;

    // `block`, kCapacity + kOverread bytes, holds what is pending.
    Output(ByteSink& sink, char* block);

    // Appends bytes that may be read up to kOverread bytes past their end,
    // as the input's may: they are copied in whole pieces of that size, past
    // their end into room the next put overwrites, which costs less than an
    // exact copy of a short line.
    void put_input(std::string_view bytes) {
        if (error_ != 0 || bytes.size() > kCapacity - used_) {
            put_exactly(bytes);
            return;
        }
        for (std::size_t i = 0; i < bytes.size(); i += kOverread)
            std::memcpy(block_ + used_ + i, bytes.data() + i, kOverread);
        used_ += bytes.size();
    }
    // Sends what is pending; false once any write has failed.
    bool flush();
    int error() const { return error_; }

  private:
    // Appends an exact copy, sending what is pending first when the block
    // is full.
    void put_exactly(std::string_view bytes);

    ByteSink& sink_;
    char* block_;
    std::size_t used_ = 0;
    int error_ = 0;
};

} // namespace errfold
