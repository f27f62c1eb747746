#include "process.hpp"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <iterator>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace errfold::process {

namespace {

// The command, for the signal handlers; 0 before it runs. It is never
// reaped (wait() looks without reaping), so its number stays its own until
// errfold ends and a signal passed on can reach no other process.
volatile std::sig_atomic_t command = 0;
// Written to when a child ends, so that a wait for output also sees that.
int ended_writer = -1;

// A terminal's Ctrl-C and Ctrl-\ reach the command itself, which is in the
// same process group; errfold outlives it, to write what it wrote.
void outlive(int /*signal*/) {}

// A time-out, a closed terminal or an editor stopping the build sends its
// signal to errfold alone: the command is to stop, not errfold.
void pass_on(int signal) {
    const int saved = errno;
    if (command > 0) ::kill(static_cast<pid_t>(command), signal);
    errno = saved;
}

void child_ended(int /*signal*/) {
    const int saved = errno;
    const char byte = 0;
    (void)!::write(ended_writer, &byte, 1);
    errno = saved;
}

constexpr int kCannotWait = 125;

constexpr int kHandled[] = {SIGINT, SIGQUIT, SIGTERM, SIGHUP, SIGCHLD};

// SIG_DFL and SIG_IGN are handlers here too.
void set_handler(int signal, void (*handler)(int)) {
    struct sigaction action {};
    action.sa_handler = handler;
    action.sa_flags = SA_RESTART | (signal == SIGCHLD ? SA_NOCLDSTOP : 0);
    ::sigemptyset(&action.sa_mask);
    (void)::sigaction(signal, &action, nullptr);
}

// A signal ignored when errfold started stays ignored, for the command too,
// as under nohup or in a shell's background job.
void catch_signal(int signal, void (*handler)(int)) {
    struct sigaction old {};
    if (::sigaction(signal, nullptr, &old) == 0 && old.sa_handler != SIG_IGN)
        set_handler(signal, handler);
}

// A descriptor above the standard ones, so that a standard stream errfold
// was started without stays closed, for it and for the command.
int above_standard(int fd) {
    if (fd > STDERR_FILENO) return fd;
    const int moved = ::fcntl(fd, F_DUPFD_CLOEXEC, STDERR_FILENO + 1);
    ::close(fd);
    return moved;
}

// Both ends close on exec; `flags` adds to their status (O_NONBLOCK).
bool make_pipe(int ends[2], int flags) {
    if (::pipe2(ends, O_CLOEXEC | flags) != 0) return false;
    ends[0] = above_standard(ends[0]);
    ends[1] = above_standard(ends[1]);
    return ends[0] >= 0 && ends[1] >= 0;
}

class CommandOutput final : public ByteSource {
  public:
    std::ptrdiff_t read(std::span<char> into) override {
        for (;;) {
            if (ended_ && left_ == 0) return 0;
            const std::size_t size = ended_ ? std::min(into.size(), left_) : into.size();
            const ssize_t got = ::read(fd, into.data(), size);
            if (got > 0) {
                if (ended_) left_ -= static_cast<std::size_t>(got);
                return got;
            }
            if (got == 0) return 0; // no process holds the pipe any more
            if (errno == EINTR) continue;
            if (errno != EAGAIN && errno != EWOULDBLOCK) return -errno;
            if (ended_) return 0;
            wait_for_output();
        }
    }

    // Until output comes or the command ends. What the command wrote is
    // all in the pipe when it ends: that much more is read, and no more,
    // whatever a process it left behind writes on.
    void wait_for_output() {
        pollfd ready[2] = {{fd, POLLIN, 0}, {ended_reader, POLLIN, 0}};
        if (::poll(ready, 2, -1) < 0) return; // EINTR: look again
        if ((ready[1].revents & POLLIN) == 0) return;
        char bytes[64];
        while (::read(ended_reader, bytes, sizeof bytes) > 0) {
        }
        siginfo_t info{};
        if (::waitid(P_PID, static_cast<id_t>(command), &info, WEXITED | WNOHANG | WNOWAIT) != 0 ||
            info.si_pid == 0)
            return;
        int held = 0;
        ended_ = true;
        left_ = ::ioctl(fd, FIONREAD, &held) == 0 && held > 0 ? static_cast<std::size_t>(held) : 0;
    }

    int fd = -1;
    int ended_reader = -1;

  private:
    bool ended_ = false;
    std::size_t left_ = 0;
};

CommandOutput command_output;

} // namespace

Start start(int /*argc*/, char** argv, int first) {
    int out[2];
    int ended[2];
    int failed[2]; // the child's errno, when the command could not be run
    if (!make_pipe(out, 0) || !make_pipe(ended, O_NONBLOCK) || !make_pipe(failed, 0))
        return {StartFailure::system, errno};
    // errfold's end alone: the command writes as to any pipe.
    ::fcntl(out[0], F_SETFL, ::fcntl(out[0], F_GETFL) | O_NONBLOCK);
#ifdef F_SETPIPE_SZ
    // Room for a whole block of the filter's reads: fewer, larger reads.
    (void)::fcntl(out[0], F_SETPIPE_SZ, 1 << 20);
#endif
    command_output.fd = out[0];
    command_output.ended_reader = ended[0];
    ended_writer = ended[1];

    // errfold takes a write to a closed output as an error to report, not
    // as its end; the command gets the SIGPIPE it came with.
    struct sigaction pipe_was {};
    (void)::sigaction(SIGPIPE, nullptr, &pipe_was);
    set_handler(SIGPIPE, SIG_IGN);

    // Held back until the command's number is known, so that none is lost.
    sigset_t handled;
    sigset_t before;
    ::sigemptyset(&handled);
    for (const int signal : kHandled)
        ::sigaddset(&handled, signal);
    ::sigprocmask(SIG_BLOCK, &handled, &before);
    catch_signal(SIGINT, outlive);
    catch_signal(SIGQUIT, outlive);
    catch_signal(SIGTERM, pass_on);
    catch_signal(SIGHUP, pass_on);
    // Even where the caller ignored it, which would leave no status to wait for.
    set_handler(SIGCHLD, child_ended);

    // fork and exec rather than a spawn call: exec's own error comes back
    // through a pipe on every system, emulators included, and a script
    // without a #! line runs as a shell's would.
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (pipe_was.sa_handler == SIG_DFL) set_handler(SIGPIPE, SIG_DFL);
        ::sigprocmask(SIG_SETMASK, &before, nullptr);
        if (::dup2(out[1], STDOUT_FILENO) >= 0 && ::dup2(out[1], STDERR_FILENO) >= 0)
            ::execvp(argv[first], argv + first);
        const int error = errno;
        (void)!::write(failed[1], &error, sizeof error);
        ::_exit(127);
    }
    const int fork_error = errno;
    ::close(out[1]);
    ::close(failed[1]);
    int error = pid < 0 ? fork_error : 0;
    if (pid > 0) {
        ssize_t got;
        while ((got = ::read(failed[0], &error, sizeof error)) < 0 && errno == EINTR) {
        }
        if (got != sizeof error) error = 0;
        if (error == 0)
            command = pid;
        else
            ::waitpid(pid, nullptr, 0);
    }
    ::close(failed[0]);
    ::sigprocmask(SIG_SETMASK, &before, nullptr);

    if (error == 0) return {};
    if (pid < 0) return {StartFailure::system, error};
    if (error == ENOENT || error == ENOTDIR || error == ENAMETOOLONG)
        return {StartFailure::not_found, error};
    return {StartFailure::not_runnable, error};
}

ByteSource& output() {
    return command_output;
}

void stop_reading() {
    ::close(command_output.fd);
}

End wait() {
    siginfo_t info{};
    while (::waitid(P_PID, static_cast<id_t>(command), &info, WEXITED | WNOWAIT) != 0) {
        // Cannot be, with SIGCHLD caught: never a success, though.
        if (errno != EINTR) return {kCannotWait, 0};
    }
    if (info.si_code == CLD_EXITED) return {info.si_status, 0};
    return {0, info.si_status};
}

void end_by(int signal) {
    if (signal != SIGINT && signal != SIGQUIT) return;
    // As the command's own end, without a core file of errfold's.
    const rlimit no_core{0, 0};
    (void)::setrlimit(RLIMIT_CORE, &no_core);
    set_handler(signal, SIG_DFL);
    sigset_t only;
    ::sigemptyset(&only);
    ::sigaddset(&only, signal);
    ::sigprocmask(SIG_UNBLOCK, &only, nullptr);
    (void)::raise(signal);
}

// The C library's names, for the signals that end a build. strsignal's own
// table is of pointers, which a static program relocates at every start,
// run or not: about 2% of a short run's instructions.
const char* signal_name(int signal) {
    struct Name {
        int signal;
        char text[28];
    };
    static constexpr Name kNames[] = {
        {SIGHUP, "Hangup"},
        {SIGINT, "Interrupt"},
        {SIGQUIT, "Quit"},
        {SIGILL, "Illegal instruction"},
        {SIGTRAP, "Trace/breakpoint trap"},
        {SIGABRT, "Aborted"},
        {SIGBUS, "Bus error"},
        {SIGFPE, "Floating point exception"},
        {SIGKILL, "Killed"},
        {SIGUSR1, "User defined signal 1"},
        {SIGSEGV, "Segmentation fault"},
        {SIGUSR2, "User defined signal 2"},
        {SIGPIPE, "Broken pipe"},
        {SIGALRM, "Alarm clock"},
        {SIGTERM, "Terminated"},
        {SIGXCPU, "CPU time limit exceeded"},
        {SIGXFSZ, "File size limit exceeded"},
    };
    const Name* const found =
        std::find_if(std::begin(kNames), std::end(kNames),
                     [signal](const Name& name) { return name.signal == signal; });
    return found != std::end(kNames) ? found->text : nullptr;
}

bool names_file_here(const char* name) {
    struct stat file {};
    return ::stat(name, &file) == 0 && !S_ISDIR(file.st_mode);
}

} // namespace errfold::process
