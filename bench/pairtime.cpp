// Times a command against its peer in pairs, or measures peak memory, and
// prints the result as one row of a Markdown table.
//
//   pairtime time [-n REPS] [-w WARMUPS] [-l LOOPS] [-b BYTES] [-t TARGET]
//                 [-r RAWFILE] [-x STATUS] [-N NAME[,NAME]] -L LABEL
//                 -- OURS -- PEER [-- PEER]
//   pairtime mem [-t KIB] [-x STATUS] -L LABEL -- OURS -- PEER
//
// A run fails when a program is killed or exits above STATUS (default 1: the
// filters exit with 1 after dropping a line); the row then says so.
//
// A command is words, with "< FILE" and "> FILE" for its standard input and
// output and "|" between the stages of a pipeline, each word its own
// argument: pairtime time -L x -- prog "<" in ">" /dev/null -- cat in ">" /dev/null
//
// time: each repetition runs both commands back to back, the first of the
// pair alternating, and takes the ratio of their wall-clock times; the row
// shows the peer's name (-N; by default its program's), the median ratio
// and the medians of both times. With -l, one timing is LOOPS runs of each,
// started and awaited here (posix_spawn, no shell) and taking turns run by
// run, so start-up is what gets measured. With -r, every pair is also
// appended to RAWFILE: label, repetition, which ran first, both wall times,
// their ratio and both processor times (user + system, all stages).
//
// Given two peers, each repetition runs all three commands, the first of
// them taking turns. The peer with the lower median time wins: the row shows
// its name, its time and the ratios to it, and in brackets the median (min-max)
// of ours / other peer. RAWFILE gets a line for each peer, its name added to
// the label.
//
// mem: runs each command once and reads its first stage's peak resident set
// from /proc when it exits (it runs under ptrace to be stopped there). The
// rusage of a child is no good here: it also counts what the child had
// before exec, a copy of this program.

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <string>
#include <sys/ptrace.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

struct Stage {
    std::vector<char*> argv; // ends in nullptr
    const char* in = nullptr;
    const char* out = nullptr;
};
using Command = std::vector<Stage>;

[[noreturn]] void print_usage() {
    std::fputs("usage: pairtime time [-n REPS] [-w WARMUPS] [-l LOOPS] [-b BYTES] [-t TARGET]\n"
               "                     [-r RAWFILE] [-x STATUS] [-N NAME[,NAME]] -L LABEL\n"
               "                     -- OURS -- PEER [-- PEER]\n"
               "       pairtime mem [-t KIB] [-x STATUS] -L LABEL -- OURS -- PEER\n",
               stderr);
    std::exit(2);
}

// Reads words up to the next "--" or the end.
Command parse(char**& arg, char** end) {
    Command command(1);
    for (; arg != end && std::strcmp(*arg, "--") != 0; ++arg) {
        Stage& stage = command.back();
        if (std::strcmp(*arg, "|") == 0) {
            command.emplace_back();
        } else if (std::strcmp(*arg, "<") == 0 || std::strcmp(*arg, ">") == 0) {
            if (arg + 1 == end) print_usage();
            (**arg == '<' ? stage.in : stage.out) = arg[1];
            ++arg;
        } else {
            stage.argv.push_back(*arg);
        }
    }
    for (Stage& stage : command) {
        if (stage.argv.empty()) print_usage();
        stage.argv.push_back(nullptr);
    }
    return command;
}

double now() {
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

int highest_success = 1;

// What went wrong in a run, or empty.
std::string judge(const char* name, int status) {
    char text[160];
    if (WIFSIGNALED(status)) {
        std::snprintf(text, sizeof text, "%s killed by signal %d", name, WTERMSIG(status));
        return text;
    }
    if (WEXITSTATUS(status) > highest_success) {
        std::snprintf(text, sizeof text, "%s exited with %d", name, WEXITSTATUS(status));
        return text;
    }
    return {};
}

double seconds(const timeval& t) {
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) * 1e-6;
}

// Runs the pipeline once and waits for every stage; adds the processor time
// of all stages to `cpu`.
std::string run(const Command& command, double& cpu) {
    const std::size_t n = command.size();
    std::vector<pid_t> pids;
    std::string failure;
    int from_previous = -1;
    for (std::size_t i = 0; i < n && failure.empty(); ++i) {
        const Stage& stage = command[i];
        int pipe_fds[2] = {-1, -1};
        if (i + 1 < n && pipe2(pipe_fds, O_CLOEXEC) != 0) {
            failure = std::string("pipe: ") + std::strerror(errno);
            break;
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        if (stage.in) posix_spawn_file_actions_addopen(&actions, 0, stage.in, O_RDONLY, 0);
        if (from_previous >= 0) posix_spawn_file_actions_adddup2(&actions, from_previous, 0);
        if (stage.out)
            posix_spawn_file_actions_addopen(&actions, 1, stage.out, O_WRONLY | O_CREAT | O_TRUNC,
                                             0644);
        else if (pipe_fds[1] >= 0)
            posix_spawn_file_actions_adddup2(&actions, pipe_fds[1], 1);
        pid_t pid;
        const int error =
            posix_spawnp(&pid, stage.argv[0], &actions, nullptr, stage.argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        if (error != 0)
            failure = std::string(stage.argv[0]) + ": " + std::strerror(error);
        else
            pids.push_back(pid);
        if (from_previous >= 0) close(from_previous);
        if (pipe_fds[1] >= 0) close(pipe_fds[1]);
        from_previous = pipe_fds[0];
    }
    if (from_previous >= 0) close(from_previous);
    for (std::size_t i = 0; i < pids.size(); ++i) {
        int status;
        rusage usage{};
        while (wait4(pids[i], &status, 0, &usage) < 0 && errno == EINTR) {
        }
        cpu += seconds(usage.ru_utime) + seconds(usage.ru_stime);
        if (failure.empty()) failure = judge(command[i].argv[0], status);
    }
    return failure;
}

struct Timing {
    double wall = 0;
    double cpu = 0;
};

// Seconds for `loops` runs in a row.
Timing timed(const Command& command, int loops, std::string& failure) {
    Timing t;
    const double start = now();
    for (int i = 0; i < loops && failure.empty(); ++i)
        failure = run(command, t.cpu);
    t.wall = now() - start;
    return t;
}

// `loops` runs of each, taking turns run by run, commands[first] first:
// start-up takes about a millisecond, and a virtual machine's speed drifts
// more than that over a few hundred runs, which would favour whichever ran
// first.
void timed_in_turn(const std::vector<Command>& commands, int loops, std::size_t first,
                   std::vector<Timing>& t, std::string& failure) {
    const std::size_t n = commands.size();
    for (std::size_t i = 0; i < n * static_cast<std::size_t>(loops) && failure.empty(); ++i) {
        const std::size_t k = (first + i) % n;
        const double start = now();
        failure = run(commands[k], t[k].cpu);
        t[k].wall += now() - start;
    }
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

std::string describe(double seconds, int loops, double bytes) {
    char text[80];
    if (loops > 1)
        std::snprintf(text, sizeof text, "%.3f s (%.2f ms/run)", seconds, seconds * 1e3 / loops);
    else if (bytes > 0)
        std::snprintf(text, sizeof text, "%.3f s (%.0f MiB/s)", seconds,
                      bytes / seconds / (1 << 20));
    else
        std::snprintf(text, sizeof text, "%.3f s", seconds);
    return text;
}

void print_failure(const char* label, const std::string& failure) {
    std::printf("| %s | failed: %s | | | | |\n", label, failure.c_str());
    std::fflush(stdout);
}

// commands[0] is ours, the others its peers, named in `names`.
int time_pair(const char* label, const std::vector<Command>& commands,
              const std::vector<std::string>& names, int reps, int warmups, int loops, double bytes,
              double target, const char* raw_path) {
    const std::size_t n = commands.size();
    std::string failure;
    for (int i = 0; i < warmups && failure.empty(); ++i)
        for (std::size_t k = 0; k < n && failure.empty(); ++k)
            timed(commands[k], 1, failure);
    std::FILE* raw = raw_path ? std::fopen(raw_path, "a") : nullptr;
    // times[k] for commands[k]; ratios[p], ours / peer p + 1, for each peer.
    std::vector<std::vector<double>> times(n), ratios(n - 1);
    for (int rep = 0; rep < reps && failure.empty(); ++rep) {
        std::vector<Timing> t(n);
        const std::size_t first = static_cast<std::size_t>(rep) % n;
        if (loops > 1) {
            timed_in_turn(commands, loops, first, t, failure);
        } else {
            for (std::size_t i = 0; i < n; ++i) {
                const std::size_t k = (first + i) % n;
                t[k] = timed(commands[k], loops, failure);
            }
        }
        for (std::size_t k = 0; k < n; ++k)
            times[k].push_back(t[k].wall);
        for (std::size_t p = 0; p + 1 < n; ++p) {
            ratios[p].push_back(t[0].wall / t[p + 1].wall);
            if (!raw) continue;
            const std::string line_label =
                n == 2 ? std::string(label) : std::string(label) + " [" + names[p] + "]";
            const std::string ran_first = first == 0 ? "ours" : n == 2 ? "peer" : names[first - 1];
            std::fprintf(raw, "%s\t%d\t%s\t%.6f\t%.6f\t%.4f\t%.6f\t%.6f\n", line_label.c_str(), rep,
                         ran_first.c_str(), t[0].wall, t[p + 1].wall, ratios[p].back(), t[0].cpu,
                         t[p + 1].cpu);
        }
    }
    if (raw) std::fclose(raw);
    std::string peer_names;
    for (const std::string& name : names)
        peer_names += (peer_names.empty() ? "" : ", ") + name;
    if (!failure.empty()) {
        std::printf("| %s | %s | failed: %s | | | | |\n", label, peer_names.c_str(),
                    failure.c_str());
        std::fflush(stdout);
        return 1;
    }
    std::size_t winner = 0; // among the peers
    for (std::size_t p = 1; p + 1 < n; ++p)
        if (median(times[p + 1]) < median(times[winner + 1])) winner = p;
    std::string peer = names[winner];
    for (std::size_t p = 0; p + 1 < n; ++p) {
        if (p == winner) continue;
        const auto [low, high] = std::minmax_element(ratios[p].begin(), ratios[p].end());
        char other[192];
        std::snprintf(other, sizeof other, " (ours/%s: %.3f (%.3f-%.3f))", names[p].c_str(),
                      median(ratios[p]), *low, *high);
        peer += other;
    }
    const double ratio = median(ratios[winner]);
    const auto [low, high] = std::minmax_element(ratios[winner].begin(), ratios[winner].end());
    std::printf("| %s | %s | %s | %s | %.3f (%.3f-%.3f) | <= %g | %s |\n", label, peer.c_str(),
                describe(median(times[0]), loops, bytes).c_str(),
                describe(median(times[winner + 1]), loops, bytes).c_str(), ratio, *low, *high,
                target, ratio <= target ? "yes" : "no");
    std::fflush(stdout);
    return 0;
}

// Peak resident set in KiB of the first stage's program, read at its exit;
// -1 when ptrace is refused, and then `fallback` has the rusage figure.
long peak_kib(const Command& command, std::string& failure, long& fallback) {
    const Stage& stage = command.front();
    if (command.size() != 1) {
        failure = "mem takes a single command";
        return -1;
    }
    const pid_t pid = fork();
    if (pid < 0) {
        failure = std::string("fork: ") + std::strerror(errno);
        return -1;
    }
    if (pid == 0) {
        if (stage.in) {
            const int fd = open(stage.in, O_RDONLY);
            if (fd < 0 || dup2(fd, 0) < 0) _exit(126);
            close(fd);
        }
        if (stage.out) {
            const int fd = open(stage.out, O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (fd < 0 || dup2(fd, 1) < 0) _exit(126);
            close(fd);
        }
        ptrace(PTRACE_TRACEME, 0, nullptr, nullptr);
        execvp(stage.argv[0], stage.argv.data());
        _exit(127);
    }
    long peak = -1;
    bool exec_seen = false;
    int status;
    rusage usage{};
    for (;;) {
        if (wait4(pid, &status, 0, &usage) < 0) {
            if (errno == EINTR) continue;
            failure = std::string("wait: ") + std::strerror(errno);
            return -1;
        }
        if (!WIFSTOPPED(status)) break;
        int pass = 0;
        if (status >> 8 == (SIGTRAP | (PTRACE_EVENT_EXIT << 8))) {
            char path[64];
            std::snprintf(path, sizeof path, "/proc/%d/status", pid);
            if (std::FILE* file = std::fopen(path, "r")) {
                char line[256];
                while (std::fgets(line, sizeof line, file))
                    if (std::strncmp(line, "VmHWM:", 6) == 0) peak = std::atol(line + 6);
                std::fclose(file);
            }
        } else if (WSTOPSIG(status) == SIGTRAP && !exec_seen) {
            // Stopped after exec: be told about the exit too.
            exec_seen = true;
            ptrace(PTRACE_SETOPTIONS, pid, nullptr, PTRACE_O_TRACEEXIT | PTRACE_O_EXITKILL);
        } else {
            pass = WSTOPSIG(status);
        }
        ptrace(PTRACE_CONT, pid, nullptr, reinterpret_cast<void*>(static_cast<long>(pass)));
    }
    if (WIFEXITED(status) && WEXITSTATUS(status) >= 126) {
        failure = std::string(stage.argv[0]) + ": cannot run it";
        return -1;
    }
    failure = judge(stage.argv[0], status);
    fallback = usage.ru_maxrss;
    return peak;
}

std::string describe_kib(long peak, long fallback) {
    char text[64];
    if (peak >= 0)
        std::snprintf(text, sizeof text, "%.2f MiB", static_cast<double>(peak) / 1024);
    else // an upper bound: it includes this program's own pages
        std::snprintf(text, sizeof text, "<= %.2f MiB", static_cast<double>(fallback) / 1024);
    return text;
}

int memory_pair(const char* label, const Command& ours, const Command& peer, double target_kib) {
    std::string failure;
    long ours_fallback = 0, peer_fallback = 0;
    const long ours_peak = peak_kib(ours, failure, ours_fallback);
    long peer_peak = -1;
    if (failure.empty()) peer_peak = peak_kib(peer, failure, peer_fallback);
    if (!failure.empty()) {
        print_failure(label, failure);
        return 1;
    }
    const long judged = ours_peak >= 0 ? ours_peak : ours_fallback;
    std::printf("| %s | %s | %s | <= %.2f MiB | %s |\n", label,
                describe_kib(ours_peak, ours_fallback).c_str(),
                describe_kib(peer_peak, peer_fallback).c_str(), target_kib / 1024,
                static_cast<double>(judged) <= target_kib ? "yes" : "no");
    std::fflush(stdout);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) print_usage();
    const std::string mode = argv[1];
    const bool memory = mode == "mem";
    if (!memory && mode != "time") print_usage();

    int reps = 7, warmups = 1, loops = 1;
    double bytes = 0, target = memory ? 1536 : 1;
    const char* label = nullptr;
    const char* raw = nullptr;
    const char* name_list = nullptr;
    char** arg = argv + 2;
    char** const end = argv + argc;
    for (; arg != end && std::strcmp(*arg, "--") != 0; ++arg) {
        if (arg + 1 == end || (*arg)[0] != '-' || std::strlen(*arg) != 2) print_usage();
        const char* value = *++arg;
        switch (arg[-1][1]) {
        case 'n':
            reps = std::atoi(value);
            break;
        case 'w':
            warmups = std::atoi(value);
            break;
        case 'l':
            loops = std::atoi(value);
            break;
        case 'b':
            bytes = std::atof(value);
            break;
        case 't':
            target = std::atof(value);
            break;
        case 'L':
            label = value;
            break;
        case 'r':
            raw = value;
            break;
        case 'N':
            name_list = value;
            break;
        case 'x':
            highest_success = std::atoi(value);
            break;
        default:
            print_usage();
        }
    }
    if (arg == end || !label || reps < 1 || loops < 1) print_usage();
    ++arg;
    const Command ours = parse(arg, end);
    if (arg == end) print_usage();
    std::vector<Command> commands{ours};
    while (arg != end) {
        ++arg;
        commands.push_back(parse(arg, end));
    }
    if (commands.size() > (memory ? 2 : 3)) print_usage();
    if (memory) return memory_pair(label, ours, commands[1], target);

    std::vector<std::string> names;
    for (const char* rest = name_list; rest;) {
        const char* comma = std::strchr(rest, ',');
        names.emplace_back(rest,
                           comma ? static_cast<std::size_t>(comma - rest) : std::strlen(rest));
        rest = comma ? comma + 1 : nullptr;
    }
    if (name_list && names.size() != commands.size() - 1) print_usage();
    for (std::size_t p = names.size(); p + 1 < commands.size(); ++p) {
        const char* program = commands[p + 1].front().argv[0];
        const char* slash = std::strrchr(program, '/');
        names.emplace_back(slash ? slash + 1 : program);
    }
    return time_pair(label, commands, names, reps, warmups, loops, bytes, target, raw);
}
