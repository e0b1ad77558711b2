#include "platform/process_launch.h"

#include "data/local_text.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <optional>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tb::platform {
namespace {

bool isExecutableFile(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
           ::access(path.c_str(), X_OK) == 0;
}

// The path to execute: names with "/" as given, others from the current folder or PATH.
std::optional<std::string> resolveProgram(const std::string& program) {
    if (program.empty()) {
        return std::nullopt;
    }
    if (program.find('/') != std::string::npos) {
        return program;
    }
    if (isExecutableFile("./" + program)) {
        return "./" + program;
    }
    const char* searchPath = std::getenv("PATH");
    std::string_view folders = searchPath != nullptr ? searchPath : "/usr/bin:/bin";
    while (true) {
        const std::size_t colon = folders.find(':');
        const std::string folder(folders.substr(0, colon));
        const std::string candidate = (folder.empty() ? "." : folder) + "/" + program;
        if (isExecutableFile(candidate)) {
            return candidate;
        }
        if (colon == std::string_view::npos) {
            return std::nullopt;
        }
        folders.remove_prefix(colon + 1);
    }
}

// Sends errno through the start-report pipe; runs between fork and exec, so only calls
// that are safe there are used from here on.
[[noreturn]] void reportAndExit(int reportFd, int error) {
    ssize_t ignored = ::write(reportFd, &error, sizeof error);
    (void)ignored;
    ::_exit(127);
}

// The grandchild: a clean signal state, no inherited descriptors, then the program.
[[noreturn]] void execDetached(const char* path, char* const* argv, int reportFd) {
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    struct sigaction defaultAction {};
    defaultAction.sa_handler = SIG_DFL;
    for (int signal = 1; signal < NSIG; ++signal) {
        ::sigaction(signal, &defaultAction, nullptr); // fails harmlessly for KILL, STOP
    }
    const int nullFd = ::open("/dev/null", O_RDONLY);
    if (nullFd >= 0) {
        ::dup2(nullFd, STDIN_FILENO);
    }
    // Everything above standard error closes at exec, the report pipe included.
    ::close_range(3, ~0U, CLOSE_RANGE_CLOEXEC);
    ::execv(path, argv);
    reportAndExit(reportFd, errno);
}

// Reads the start report: nothing before end of file means the program runs.
bool readStartReport(int reportFd) {
    int error = 0;
    while (true) {
        const ssize_t got = ::read(reportFd, &error, sizeof error);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        return got == 0;
    }
}

} // namespace

std::vector<std::string> SplitCommandLine(std::string_view commandLine) {
    std::vector<std::string> arguments;
    std::string current;
    bool inArgument = false;
    bool quoted = false;
    for (const char c : commandLine) {
        if (c == '"') {
            quoted = !quoted;
            inArgument = true;
        } else if ((c == ' ' || c == '\t') && !quoted) {
            if (inArgument) {
                arguments.push_back(std::move(current));
                current.clear();
                inArgument = false;
            }
        } else {
            current += c;
            inArgument = true;
        }
    }
    if (inArgument) {
        arguments.push_back(std::move(current));
    }
    return arguments;
}

bool StartDetachedProcess(std::string_view program, std::string_view commandLine) {
    const std::optional<std::string> path = resolveProgram(LocalToUtf8(program));
    if (!path) {
        return false;
    }
    // Everything the children need is built before fork: after it only async-signal-safe
    // calls are allowed (the parent may have other threads).
    std::vector<std::string> arguments{LocalToUtf8(program)};
    for (const std::string& argument : SplitCommandLine(commandLine)) {
        arguments.push_back(LocalToUtf8(argument));
    }
    std::vector<char*> argv;
    for (std::string& argument : arguments) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);

    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0) {
        return false;
    }
    const pid_t middle = ::fork();
    if (middle == 0) {
        ::close(report[0]);
        ::setsid();
        // _Fork runs no fork handlers: only async-signal-safe work happens in this process.
        const pid_t child = ::_Fork();
        if (child == 0) {
            execDetached(path->c_str(), argv.data(), report[1]);
        }
        if (child < 0) {
            reportAndExit(report[1], errno);
        }
        ::_exit(0);
    }
    ::close(report[1]);
    bool started = false;
    if (middle > 0) {
        // The middle process ends at once; its child now belongs to init.
        while (::waitpid(middle, nullptr, 0) < 0 && errno == EINTR) {
        }
        started = readStartReport(report[0]);
    }
    ::close(report[0]);
    return started;
}

namespace {

// The arguments of a start as strings: the program first, then the command line's words
// (UTF-8).
std::vector<std::string> argumentsOf(std::string_view program, std::string_view commandLine) {
    std::vector<std::string> arguments{LocalToUtf8(program)};
    for (const std::string& argument : SplitCommandLine(commandLine)) {
        arguments.push_back(LocalToUtf8(argument));
    }
    return arguments;
}

// posix_spawn's settings for a child that lives on by itself: own session, default signal
// actions, nothing blocked, standard input from /dev/null, every further descriptor closed.
struct SpawnSettings {
    SpawnSettings() {
        ready = ::posix_spawnattr_init(&attributes) == 0;
        ready = ::posix_spawn_file_actions_init(&actions) == 0 && ready;
        sigset_t all;
        sigset_t none;
        sigfillset(&all);
        sigemptyset(&none);
        const short flags = POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK;
        ready = ready && ::posix_spawnattr_setflags(&attributes, flags) == 0 &&
                ::posix_spawnattr_setsigdefault(&attributes, &all) == 0 &&
                ::posix_spawnattr_setsigmask(&attributes, &none) == 0 &&
                ::posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY,
                                                   0) == 0 &&
                ::posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1) == 0;
    }
    ~SpawnSettings() {
        ::posix_spawn_file_actions_destroy(&actions);
        ::posix_spawnattr_destroy(&attributes);
    }
    SpawnSettings(const SpawnSettings&) = delete;
    SpawnSettings& operator=(const SpawnSettings&) = delete;

    posix_spawnattr_t attributes{};
    posix_spawn_file_actions_t actions{};
    bool ready = false;
};

} // namespace

std::optional<ChildId> StartChildProcess(std::string_view program, std::string_view commandLine) {
    const std::optional<std::string> path = resolveProgram(LocalToUtf8(program));
    if (!path) {
        return std::nullopt;
    }
    std::vector<std::string> arguments = argumentsOf(program, commandLine);
    std::vector<char*> argv;
    for (std::string& argument : arguments) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);
    SpawnSettings settings;
    pid_t child = 0;
    // glibc's posix_spawn reports a failed exec as its result, so a start that returns 0
    // is a running program.
    if (!settings.ready || ::posix_spawn(&child, path->c_str(), &settings.actions,
                                         &settings.attributes, argv.data(), environ) != 0) {
        return std::nullopt;
    }
    return child;
}

std::optional<ChildEnd> ReapChild(ChildId child) {
    int status = 0;
    pid_t reaped = 0;
    do {
        reaped = ::waitpid(child, &status, WNOHANG);
    } while (reaped < 0 && errno == EINTR);
    if (reaped == 0) {
        return std::nullopt;
    }
    ChildEnd end;
    if (reaped < 0) {
        end.orderly = true;
    } else if (WIFEXITED(status)) {
        end.exitCode = WEXITSTATUS(status);
        end.orderly = end.exitCode == 0;
    } else if (WIFSIGNALED(status)) {
        end.signal = WTERMSIG(status);
    }
    return end;
}

} // namespace tb::platform
