#include "output.hpp"

#include <cstring>

namespace errfold {

Output::Output(ByteSink& sink, char* block) : sink_(sink), block_(block) {}

void Output::put_exactly(std::string_view bytes) {
    if (error_ != 0) return;
    if (bytes.size() > kCapacity - used_ && !flush()) return;
    if (bytes.size() > kCapacity) {
        error_ = sink_.write(bytes);
        return;
    }
    std::memcpy(block_ + used_, bytes.data(), bytes.size());
    used_ += bytes.size();
}

bool Output::flush() {
    if (error_ == 0 && used_ > 0) error_ = sink_.write({block_, used_});
    used_ = 0;
    return error_ == 0;
}

} // namespace errfold
