#include "platform.hpp"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <io.h>

#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <winternl.h>

// Standard input and output stay in the C runtime's default text mode: CR LF
// arrives as LF, each LF leaves as CR LF, and Ctrl-Z ends input.

namespace errfold::platform {

const bool fold_crlf = false;

namespace {
// The runtime counts in int.
unsigned clamp(std::size_t size) {
    return static_cast<unsigned>(std::min<std::size_t>(size, INT_MAX));
}

// A file on a disk as Windows tells files apart: its volume's serial number
// and its index there (the runtime's st_ino is always 0).
struct FileKey {
    ULONGLONG index = 0;
    DWORD volume = 0;
    bool volume_known = false;
};

bool file_key(int fd, FileKey& key) {
    const auto handle = reinterpret_cast<HANDLE>(::_get_osfhandle(fd));
    if (handle == INVALID_HANDLE_VALUE || ::GetFileType(handle) != FILE_TYPE_DISK) return false;
    BY_HANDLE_FILE_INFORMATION info{};
    if (::GetFileInformationByHandle(handle, &info)) {
        key = {(ULONGLONG{info.nFileIndexHigh} << 32) | info.nFileIndexLow,
               info.dwVolumeSerialNumber, true};
        return true;
    }
    // Wine cannot tell the volume of a handle it took over from a Unix
    // parent and fails the call above; the index alone decides then.
    IO_STATUS_BLOCK status{};
    FILE_INTERNAL_INFORMATION internal{};
    if (::NtQueryInformationFile(handle, &status, &internal, sizeof internal,
                                 FileInternalInformation) != 0) {
        return false;
    }
    key = {static_cast<ULONGLONG>(internal.IndexNumber.QuadPart), 0, false};
    return true;
}

bool same_file(const FileKey& one, const FileKey& other) {
    return one.index == other.index &&
           (one.volume == other.volume || !one.volume_known || !other.volume_known);
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
    FileKey one;
    FileKey other;
    return file_key(fd, one) && file_key(other_fd, other) && same_file(one, other);
}

} // namespace errfold::platform
