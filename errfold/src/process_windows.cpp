#include "process.hpp"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <cwchar>

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

// The C runtime's own split of the command line, in UTF-16: the startup code
// made argv from the ANSI command line by the same rules and globbing.
extern "C" {
struct crt_startup_info {
    int new_mode;
};
int __cdecl __wgetmainargs(int* argc, wchar_t*** argv, wchar_t*** environment, int glob,
                           crt_startup_info* info);
extern int _dowildcard;
}

namespace errfold::process {

namespace {

// CreateProcessW takes a command line of at most this many UTF-16 units,
// its terminating NUL included; paths and variables fit in as many.
constexpr std::size_t kLimit = 32767;

// A UTF-16 string in a fixed buffer. What does not fit marks it too long.
class Text {
  public:
    void add(wchar_t c, std::size_t times = 1) {
        if (times > kLimit - 1 - size_) {
            too_long_ = true;
            return;
        }
        std::fill_n(units_ + size_, times, c);
        size_ += times;
    }
    void add(const wchar_t* text, std::size_t count) {
        for (std::size_t i = 0; i < count; ++i)
            add(text[i]);
    }
    void add(const wchar_t* text) { add(text, std::wcslen(text)); }
    void cut(std::size_t size) { size_ = size; }
    std::size_t size() const { return size_; }
    bool too_long() const { return too_long_; }
    wchar_t* c_str() {
        units_[size_] = 0;
        return units_;
    }

  private:
    wchar_t units_[kLimit];
    std::size_t size_ = 0;
    bool too_long_ = false;
};

Text program;      // the file the command names, as found
Text command_line; // CreateProcessW may write to it
wchar_t variable[kLimit];

// The errno value the C runtime gives a Windows error, for the messages.
int errno_of(DWORD error) {
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
        return ENOENT;
    case ERROR_ACCESS_DENIED:
        return EACCES;
    case ERROR_BAD_EXE_FORMAT:
    case ERROR_BAD_FORMAT:
    case ERROR_EXE_MACHINE_TYPE_MISMATCH:
    case ERROR_EXE_MARKED_INVALID:
        return ENOEXEC;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
        return ENOMEM;
    case ERROR_FILENAME_EXCED_RANGE:
        return ENAMETOOLONG;
    case ERROR_BROKEN_PIPE:
    case ERROR_NO_DATA:
        return EPIPE;
    default:
        return EINVAL;
    }
}

// The arguments as the runtime split them, in UTF-16, only where they are
// the very ones of argv: a name or argument that the ANSI code page maps
// to a quote or a blank would be split otherwise there.
wchar_t** wide_arguments(int argc, char** argv) {
    int count = 0;
    wchar_t** wide = nullptr;
    wchar_t** environment = nullptr;
    crt_startup_info info{0};
    if (__wgetmainargs(&count, &wide, &environment, _dowildcard, &info) < 0 || count != argc ||
        wide == nullptr)
        return nullptr;
    static char ansi[3 * kLimit];
    for (int i = 0; i < argc; ++i) {
        const int size = ::WideCharToMultiByte(CP_ACP, 0, wide[i], -1, ansi,
                                               static_cast<int>(sizeof ansi), nullptr, nullptr);
        if (size <= 0 || std::strcmp(ansi, argv[i]) != 0) return nullptr;
    }
    return wide;
}

const wchar_t* last_part(const wchar_t* name) {
    for (const wchar_t* at = name; *at != 0; ++at) {
        if (*at == L'\\' || *at == L'/' || *at == L':') name = at + 1;
    }
    return name;
}

// Whether the attributes are those of a file, not of a folder or of nothing.
bool of_a_file(DWORD attributes) {
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool is_file(const wchar_t* path) {
    return of_a_file(::GetFileAttributesW(path));
}

// Calls `each` with each non-empty part of a list such as PATH, without
// the quotes a part may have, until it returns true.
template <typename Each> bool any_part(const wchar_t* list, Each each) {
    while (*list != 0) {
        const wchar_t* end = std::wcschr(list, L';');
        if (end == nullptr) end = list + std::wcslen(list);
        const wchar_t* from = list;
        const wchar_t* to = end;
        if (to - from >= 2 && *from == L'"' && to[-1] == L'"') ++from, --to;
        if (to > from && each(from, static_cast<std::size_t>(to - from))) return true;
        list = *end != 0 ? end + 1 : end;
    }
    return false;
}

// Looks for the name in one folder (none: the name as given), with each
// of the extensions when it has none of its own, as cmd.exe does.
bool find_in(const wchar_t* folder, std::size_t folder_size, const wchar_t* name,
             const wchar_t* extensions) {
    program.cut(0);
    program.add(folder, folder_size);
    if (folder_size > 0 && folder[folder_size - 1] != L'\\' && folder[folder_size - 1] != L'/')
        program.add(L'\\');
    program.add(name);
    const std::size_t stem = program.size();
    if (std::wcschr(last_part(name), L'.') != nullptr)
        return !program.too_long() && is_file(program.c_str());
    return any_part(extensions, [&](const wchar_t* extension, std::size_t size) {
        program.cut(stem);
        program.add(extension, size);
        return !program.too_long() && is_file(program.c_str());
    });
}

// Finds the program as a Windows user expects: a name with a path where it
// says, any other in the working folder, then in each folder of the PATH.
bool find_program(const wchar_t* name) {
    static wchar_t extensions[kLimit];
    const DWORD size = ::GetEnvironmentVariableW(L"PATHEXT", extensions, kLimit);
    if (size == 0 || size >= kLimit) std::wcscpy(extensions, L".COM;.EXE;.BAT;.CMD");
    if (*name == 0) return false;
    if (last_part(name) != name) {
        if (find_in(L"", 0, name, extensions)) return true;
        // Not a program by its extension: the system says what it is.
        program.cut(0);
        program.add(name);
        return ::GetFileAttributesW(name) != INVALID_FILE_ATTRIBUTES;
    }
    // NoDefaultCurrentDirectoryInExePath takes the working folder out.
    if (::NeedCurrentDirectoryForExePathW(name) && find_in(L".", 1, name, extensions)) return true;
    const DWORD path_size = ::GetEnvironmentVariableW(L"PATH", variable, kLimit);
    if (path_size == 0 || path_size >= kLimit) return false;
    return any_part(variable, [&](const wchar_t* folder, std::size_t folder_size) {
        return find_in(folder, folder_size, name, extensions);
    });
}

bool ends_with(const wchar_t* text, const wchar_t* end) {
    const std::size_t size = std::wcslen(text), end_size = std::wcslen(end);
    return size >= end_size && ::_wcsicmp(text + size - end_size, end) == 0;
}

// One argument by Microsoft's rules for the C runtime: blanks separate
// arguments outside quotes; backslashes stand for themselves except before
// a quote, where 2n of them give n and the quote opens or closes a quoted
// part, and 2n+1 give n and a literal quote.
void add_argument(const wchar_t* argument) {
    const bool quoted = *argument == 0 || std::wcspbrk(argument, L" \t") != nullptr;
    if (quoted) command_line.add(L'"');
    std::size_t backslashes = 0;
    for (const wchar_t* at = argument; *at != 0; ++at) {
        if (*at == L'"') command_line.add(L'\\', backslashes + 1);
        backslashes = *at == L'\\' ? backslashes + 1 : 0;
        command_line.add(*at);
    }
    if (quoted) {
        command_line.add(L'\\', backslashes);
        command_line.add(L'"');
    }
}

// What cmd.exe takes as its own syntax, in the line it runs or in a batch
// file's lines that use an argument without its quotes (%~1): & | < > ^
// join, pipe, redirect and escape commands; % and ! expand variables,
// quoted or not; " ends a quoted part early; a CR or LF ends the line. An
// argument with any of them is not passed on, so that no argument runs a
// command the user did not write.
constexpr const wchar_t* kCmdSyntax = L"&|<>^%!\"\r\n";

// A batch file is run by cmd.exe: /d leaves out its AutoRun commands, and
// /s takes the line after /c as it is, less the outer quotes. The batch
// file sees a quoted argument with its quotes, as when typed in cmd: a
// blank, a comma, a semicolon and an equals sign separate its arguments
// otherwise.
Start batch_line(const wchar_t* const* wide, int argc, int first) {
    if (std::wcspbrk(program.c_str(), kCmdSyntax) != nullptr)
        return {StartFailure::refused, 0, first};
    command_line.add(L"cmd.exe /d /s /c \"\"");
    command_line.add(program.c_str());
    command_line.add(L'"');
    for (int i = first + 1; i < argc; ++i) {
        if (std::wcspbrk(wide[i], kCmdSyntax) != nullptr) return {StartFailure::refused, 0, i};
        const bool quoted = *wide[i] == 0 || std::wcspbrk(wide[i], L" \t,;=") != nullptr;
        command_line.add(L' ');
        if (quoted) command_line.add(L'"');
        command_line.add(wide[i]);
        if (quoted) command_line.add(L'"');
    }
    command_line.add(L'"');
    return {};
}

// The program's name as given comes first, split by the runtime's rule for
// it: up to a blank, or between quotes.
void program_line(const wchar_t* const* wide, int argc, int first) {
    const bool quoted = std::wcspbrk(wide[first], L" \t") != nullptr;
    if (quoted) command_line.add(L'"');
    command_line.add(wide[first]);
    if (quoted) command_line.add(L'"');
    for (int i = first + 1; i < argc; ++i) {
        command_line.add(L' ');
        add_argument(wide[i]);
    }
}

// Ctrl-C and Ctrl-Break reach every process of the console, the command
// too: it decides what they do, and errfold outlives them to write what it
// wrote. (Ignoring them for errfold alone: a handler, since ignoring them
// by SetConsoleCtrlHandler(NULL, TRUE) would be inherited.)
BOOL WINAPI outlive(DWORD event) {
    return event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT ? TRUE : FALSE;
}

// The pipe's reading end, a named pipe for overlapped reads so that a read
// can wait for the command's end as well. Its bytes arrive as through a
// text-mode stream, like errfold's standard input: CR LF as LF, and
// Ctrl-Z ends them.
class CommandOutput final : public ByteSource {
  public:
    std::ptrdiff_t read(std::span<char> into) override {
        for (;;) {
            if (ctrl_z_) return 0;
            const std::size_t put = translate(into);
            if (put > 0) return static_cast<std::ptrdiff_t>(put);
            // Out of bytes, or a CR whose next byte has not come yet.
            const std::size_t kept = used_ - at_;
            std::memmove(raw_, raw_ + at_, kept);
            at_ = 0;
            used_ = kept;
            const std::ptrdiff_t got = fill({raw_ + used_, sizeof raw_ - used_});
            if (got < 0) return got;
            if (got == 0) {
                if (used_ == 0) return 0;
                drained_ = true; // a last CR stands for itself
            }
            used_ += static_cast<std::size_t>(got);
        }
    }

    HANDLE pipe = INVALID_HANDLE_VALUE;
    HANDLE event = nullptr;
    HANDLE process = nullptr;

  private:
    std::size_t translate(std::span<char> into) {
        std::size_t put = 0;
        while (put < into.size() && at_ < used_) {
            const char byte = raw_[at_];
            if (byte == '\x1a') {
                ctrl_z_ = true;
                break;
            }
            if (byte == '\r') {
                if (at_ + 1 == used_ && !drained_) break;
                if (at_ + 1 < used_ && raw_[at_ + 1] == '\n') {
                    ++at_;
                    continue;
                }
            }
            into[put++] = byte;
            ++at_;
        }
        return put;
    }

    // One read of raw bytes: their count, 0 at the end, or a negated errno
    // value. What the command wrote is all in the pipe when it ends: that
    // much more is read, and no more, whatever a process it left behind
    // writes on.
    std::ptrdiff_t fill(std::span<char> into) {
        for (;;) {
            if (ended_ && left_ == 0) return 0;
            const DWORD want = static_cast<DWORD>(ended_ ? std::min<std::size_t>(into.size(), left_)
                                                         : into.size());
            OVERLAPPED overlapped{};
            overlapped.hEvent = event;
            DWORD got = 0;
            bool ended_now = false;
            if (!::ReadFile(pipe, into.data(), want, nullptr, &overlapped)) {
                const DWORD error = ::GetLastError();
                if (error == ERROR_BROKEN_PIPE) return 0; // no process holds the pipe any more
                if (error != ERROR_IO_PENDING) return -errno_of(error);
                if (!ended_) {
                    const HANDLE either[2] = {event, process};
                    if (::WaitForMultipleObjects(2, either, FALSE, INFINITE) == WAIT_OBJECT_0 + 1) {
                        ::CancelIoEx(pipe, &overlapped);
                        ended_now = true;
                    }
                }
            }
            const bool read = ::GetOverlappedResult(pipe, &overlapped, &got, TRUE) != 0;
            const DWORD error = read ? ERROR_SUCCESS : ::GetLastError();
            if (ended_now) {
                DWORD held = 0;
                ended_ = true;
                left_ = ::PeekNamedPipe(pipe, nullptr, 0, nullptr, &held, nullptr) ? held : 0;
            } else if (ended_) {
                left_ -= got;
            }
            if (!read && error == ERROR_BROKEN_PIPE) return 0;
            if (!read && error != ERROR_OPERATION_ABORTED) return -errno_of(error);
            // A write of no bytes completes a read with none, too.
            if (got > 0) return static_cast<std::ptrdiff_t>(got);
        }
    }

    char raw_[256 * 1024];
    std::size_t at_ = 0, used_ = 0;
    bool drained_ = false, ctrl_z_ = false;
    bool ended_ = false;
    std::size_t left_ = 0;
};

CommandOutput command_output;

// The reading end for errfold, the writing end for the command to inherit.
bool make_pipe(HANDLE& writer) {
    wchar_t name[64];
    std::swprintf(name, sizeof name / sizeof *name, L"\\\\.\\pipe\\errfold-%lu",
                  ::GetCurrentProcessId());
    // One instance, made here: no other process can have taken the name.
    command_output.pipe = ::CreateNamedPipeW(
        name, PIPE_ACCESS_INBOUND | FILE_FLAG_OVERLAPPED | FILE_FLAG_FIRST_PIPE_INSTANCE,
        PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS, 1, 0, 1 << 20,
        0, nullptr);
    if (command_output.pipe == INVALID_HANDLE_VALUE) return false;
    SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
    writer = ::CreateFileW(name, GENERIC_WRITE | FILE_READ_ATTRIBUTES, 0, &inherited, OPEN_EXISTING,
                           0, nullptr);
    if (writer == INVALID_HANDLE_VALUE) return false;
    OVERLAPPED overlapped{};
    command_output.event = overlapped.hEvent = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    return command_output.event != nullptr &&
           !::ConnectNamedPipe(command_output.pipe, &overlapped) &&
           ::GetLastError() == ERROR_PIPE_CONNECTED;
}

Start failed() {
    return {StartFailure::system, errno_of(::GetLastError())};
}

} // namespace

Start start(int argc, char** argv, int first) {
    wchar_t** const wide = wide_arguments(argc, argv);
    if (wide == nullptr) return {StartFailure::system, EINVAL};
    if (!find_program(wide[first]))
        return {StartFailure::not_found, program.too_long() ? ENAMETOOLONG : ENOENT};
    // A folder named with its path, as a shell says of it.
    if ((::GetFileAttributesW(program.c_str()) & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return {StartFailure::not_runnable, EACCES};

    const bool batch = ends_with(program.c_str(), L".bat") || ends_with(program.c_str(), L".cmd");
    static wchar_t runs[MAX_PATH + 16];
    if (batch) {
        const Start refused = batch_line(wide, argc, first);
        if (refused.failure != StartFailure::none) return refused;
        // The system's own cmd.exe, whatever the working folder holds.
        const UINT size = ::GetSystemDirectoryW(runs, MAX_PATH);
        if (size == 0 || size >= MAX_PATH) return failed();
        std::wcscat(runs, L"\\cmd.exe");
    } else {
        program_line(wide, argc, first);
    }
    if (command_line.too_long()) return {StartFailure::system, E2BIG};

    HANDLE writer = INVALID_HANDLE_VALUE;
    if (!make_pipe(writer)) return failed();
    // Standard input as errfold has it, if at all.
    HANDLE input = nullptr;
    const HANDLE own_input = ::GetStdHandle(STD_INPUT_HANDLE);
    if (own_input != nullptr && own_input != INVALID_HANDLE_VALUE &&
        !::DuplicateHandle(::GetCurrentProcess(), own_input, ::GetCurrentProcess(), &input, 0, TRUE,
                           DUPLICATE_SAME_ACCESS))
        input = nullptr;

    // The command inherits these handles and no other of errfold's, so that
    // a process it leaves behind holds no stream errfold's reader waits on.
    HANDLE handles[2] = {writer, input};
    alignas(void*) static unsigned char attributes[256];
    const auto list = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(attributes);
    SIZE_T size = sizeof attributes;
    if (!::InitializeProcThreadAttributeList(list, 1, 0, &size) ||
        !::UpdateProcThreadAttribute(list, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, handles,
                                     (input != nullptr ? 2 : 1) * sizeof(HANDLE), nullptr, nullptr))
        return failed();
    STARTUPINFOEXW info{};
    info.StartupInfo.cb = sizeof info;
    info.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
    info.StartupInfo.hStdInput = input;
    info.StartupInfo.hStdOutput = writer;
    info.StartupInfo.hStdError = writer;
    info.lpAttributeList = list;

    ::SetConsoleCtrlHandler(outlive, TRUE);
    PROCESS_INFORMATION started{};
    const bool ran = ::CreateProcessW(batch ? runs : program.c_str(), command_line.c_str(), nullptr,
                                      nullptr, TRUE, EXTENDED_STARTUPINFO_PRESENT, nullptr, nullptr,
                                      &info.StartupInfo, &started) != 0;
    const DWORD error = ::GetLastError();
    ::DeleteProcThreadAttributeList(list);
    ::CloseHandle(writer);
    if (input != nullptr) ::CloseHandle(input);
    if (!ran) {
        const int number = errno_of(error);
        if (number == ENOENT) return {StartFailure::not_found, number};
        if (number == EACCES || number == ENOEXEC) return {StartFailure::not_runnable, number};
        return {StartFailure::system, number};
    }
    ::CloseHandle(started.hThread);
    command_output.process = started.hProcess;
    return {};
}

ByteSource& output() {
    return command_output;
}

void stop_reading() {
    ::CloseHandle(command_output.pipe);
    command_output.pipe = INVALID_HANDLE_VALUE;
}

End wait() {
    DWORD code = 0;
    // An end that cannot be told is no success: errfold's own failure.
    if (::WaitForSingleObject(command_output.process, INFINITE) != WAIT_OBJECT_0 ||
        !::GetExitCodeProcess(command_output.process, &code))
        return {125, 0};
    return {static_cast<int>(code), 0};
}

// No signals on Windows: a command ends with an exit code alone.
void end_by(int) {}

const char* signal_name(int /*signal*/) {
    return nullptr;
}

bool names_file_here(const char* name) {
    return of_a_file(::GetFileAttributesA(name));
}

} // namespace errfold::process
