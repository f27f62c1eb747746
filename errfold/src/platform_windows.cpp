#include "platform.hpp"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <io.h>

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

// Standard input and output stay in the C runtime's default text mode: CR LF
// arrives as LF, each LF leaves as CR LF, and Ctrl-Z ends input.

namespace errfold::platform {

const bool fold_crlf = false;

namespace {
// The runtime counts in int.
unsigned clamp(std::size_t size) {
    return static_cast<unsigned>(std::min<std::size_t>(size, INT_MAX));
}

// The runtime's st_ino is always 0 here; a file on a disk is known by its
// volume and its index on that volume. Windows before 8 cannot tell them, and
// then no file counts.
bool file_id(int fd, FILE_ID_INFO& id) {
    const auto handle = reinterpret_cast<HANDLE>(::_get_osfhandle(fd));
    return handle != INVALID_HANDLE_VALUE && ::GetFileType(handle) == FILE_TYPE_DISK &&
           ::GetFileInformationByHandleEx(handle, FileIdInfo, &id, sizeof id);
}

// Wine cannot tell the volume of a handle it took over from a Unix parent and
// says 0; the file index alone then decides.
bool same_volume(ULONGLONG serial, ULONGLONG other) {
    return serial == other || serial == 0 || other == 0;
}
} // namespace

std::ptrdiff_t read_some(int fd, std::span<char> into) {
    const int got = ::_read(fd, into.data(), clamp(into.size()));
    return got >= 0 ? got : -errno;
}

std::ptrdiff_t write_some(int fd, std::span<const char> bytes) {
    const int put = ::_write(fd, bytes.data(), clamp(bytes.size()));
    return put >= 0 ? put : -errno;
}

int close_stream(int fd) {
    return ::_close(fd) == 0 ? 0 : errno;
}

bool same_regular_file(int fd, int other_fd) {
    FILE_ID_INFO one{};
    FILE_ID_INFO other{};
    return file_id(fd, one) && file_id(other_fd, other) &&
           same_volume(one.VolumeSerialNumber, other.VolumeSerialNumber) &&
           std::memcmp(&one.FileId, &other.FileId, sizeof one.FileId) == 0;
}

} // namespace errfold::platform
