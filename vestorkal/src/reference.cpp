#include "reference.hpp"

#include <algorithm>
#include <cstring>

namespace vestorkal {

namespace {

constexpr std::string_view kExtension = ".map";

// Whitespace as the C locale has it.
bool is_space(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

} // namespace

ReferenceScanner::ReferenceScanner(std::span<char> room, std::string_view map_folder)
    : room_(room), folder_(map_folder.size()) {
    // The run's last byte makes way for the extension and the NUL.
    const std::size_t fixed = folder_ + kExtension.size();
    max_run_ = room.size() > fixed ? room.size() - fixed : 0;
    std::copy(map_folder.begin(), map_folder.end(), room.begin());
}

std::size_t ReferenceScanner::take(std::string_view bytes) {
    std::size_t taken = 0;
    for (; taken < bytes.size() && scan_ == Scan::pending; ++taken) {
        const char c = bytes[taken];
        if (is_space(c)) {
            if (run_ == 0) continue;
            end_run();
            break;
        }
        if (!brace_) {
            if (c != '{') {
                scan_ = Scan::no_reference;
                break;
            }
            brace_ = true;
        } else if (run_ == max_run_) {
            scan_ = Scan::invalid_path;
            break;
        } else {
            room_[folder_ + run_++] = c;
        }
    }
    return taken;
}

void ReferenceScanner::end_of_input() {
    if (scan_ != Scan::pending) return;
    if (run_ == 0) {
        scan_ = Scan::no_reference;
        return;
    }
    end_run();
}

void ReferenceScanner::end_run() {
    char* const name_end = room_.data() + folder_ + run_ - 1;
    // A C string would end at the NUL and name another file.
    if (std::memchr(room_.data() + folder_, '\0', run_ - 1) != nullptr) {
        scan_ = Scan::invalid_path;
        return;
    }
    std::memcpy(name_end, kExtension.data(), kExtension.size());
    name_end[kExtension.size()] = '\0';
    scan_ = Scan::map_path;
}

} // namespace vestorkal
