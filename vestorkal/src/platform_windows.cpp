#include "platform.hpp"

#include "messages.hpp"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <sys/types.h>

#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <winternl.h>

// Standard input and output stay in the C runtime's default text mode: CR LF
// arrives as LF, each LF of the map leaves as CR LF, and Ctrl-Z ends input.
// The map itself is read in binary mode.

namespace vestorkal::platform {

// The longest path Windows takes at all. Without long-path awareness its file
// functions stop at 260 bytes; a longer path then fails to open, which is the
// same missing map.
const Layout layout{"mapy\\", 32768};

namespace {

constexpr unsigned kMaxCount = INT_MAX;

std::ptrdiff_t read_some(int fd, std::span<char> into) {
    const auto count = static_cast<unsigned>(std::min<std::size_t>(into.size(), kMaxCount));
    const int got = ::_read(fd, into.data(), count);
    return got >= 0 ? got : -errno;
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

int write_all(int fd, std::span<const char> bytes) {
    while (!bytes.empty()) {
        const auto count = static_cast<unsigned>(std::min<std::size_t>(bytes.size(), kMaxCount));
        const int put = ::_write(fd, bytes.data(), count);
        if (put < 0) return errno;
        if (put == 0) return ENOSPC;
        bytes = bytes.subspan(static_cast<std::size_t>(put));
    }
    return 0;
}

class WindowsIo final : public Io {
  public:
    std::ptrdiff_t read_input(std::span<char> into) override { return read_some(0, into); }

    // A text-mode read delivers fewer bytes than it consumes, so the count
    // delivered cannot be turned back into a file position: the reference is
    // read a byte at a time from a file too.
    bool can_unread_input() override { return false; }
    void unread_input(std::size_t) override {}

    bool open_map(const char* path) override {
        map_ = ::_open(path, _O_RDONLY | _O_BINARY | _O_NOINHERIT);
        if (map_ < 0) return false;
        struct _stat64 status {};
        if (::_fstat64(map_, &status) == 0 && (status.st_mode & _S_IFDIR) == 0) return true;
        ::_close(map_);
        map_ = -1;
        return false;
    }

    // With standard output closed, the map may take its number; writes to it
    // then fail as they would on any closed output.
    bool map_is_output() override {
        FileKey map;
        FileKey output;
        return map_ != 1 && file_key(map_, map) && file_key(1, output) && same_file(map, output);
    }

    std::ptrdiff_t read_map(std::span<char> into) override { return read_some(map_, into); }

    // Every byte must pass the text-mode write to get its line end.
    std::ptrdiff_t transfer_map() override { return -ENOSYS; }

    int write_output(std::span<const char> bytes) override { return write_all(1, bytes); }

    int finish_output() override { return ::_close(1) == 0 ? 0 : errno; }

  private:
    int map_ = -1;
};

WindowsIo io;

} // namespace

Io& standard_io() {
    return io;
}

// A console shows bytes in its own code page, on a Czech system seldom the
// messages' one; it is given the text as UTF-16 instead. Redirected, standard
// error gets the message's bytes as they are, which callers may rely on.
void print_error(std::string_view message) {
    const auto console = reinterpret_cast<HANDLE>(::_get_osfhandle(2));
    DWORD mode = 0;
    if (console != INVALID_HANDLE_VALUE && ::GetConsoleMode(console, &mode)) {
        wchar_t text[128];
        int length = ::MultiByteToWideChar(message_code_page, 0, message.data(),
                                           static_cast<int>(message.size()), text, 127);
        // The line ends in CR LF, as the text-mode stream writes it.
        if (length > 0 && text[length - 1] == L'\n') {
            text[length - 1] = L'\r';
            text[length++] = L'\n';
        }
        DWORD written = 0;
        if (length > 0 &&
            ::WriteConsoleW(console, text, static_cast<DWORD>(length), &written, nullptr)) {
            return;
        }
    }
    (void)write_all(2, message);
}

} // namespace vestorkal::platform
