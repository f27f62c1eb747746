#include "output.hpp"

#include <cstring>

namespace errfold {

Output::Output(ByteSink& sink, std::span<char> block) : sink_(sink), block_(block) {}

void Output::put(std::string_view bytes) {
    if (error_ != 0) return;
    if (bytes.size() > block_.size() - used_ && !flush()) return;
    if (bytes.size() > block_.size()) {
        error_ = sink_.write(bytes);
        return;
    }
    std::memcpy(block_.data() + used_, bytes.data(), bytes.size());
    used_ += bytes.size();
}

bool Output::flush() {
    if (error_ == 0 && used_ > 0) error_ = sink_.write({block_.data(), used_});
    used_ = 0;
    return error_ == 0;
}

} // namespace errfold
