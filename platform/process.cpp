// Processes: lookup by image name or program file over /proc, SIGKILL, the Windows
// command-line splitting rules, detached program starts and the system browser.
//
// Sections: image names | /proc scan | command-line splitting | starting programs | web addresses
#include "platform/process.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <functional>
#include <memory>
#include <optional>

#include "platform/log.h"
#include "platform/text.h"

namespace platform {
namespace {

// ---- image names -----------------------------------------------------------------

// "quorvi.exe" -> "quorvi" (the programs carry no executable suffix here).
std::string WithoutWindowsSuffix(std::string_view imageName) {
    constexpr std::string_view kWindowsSuffix = ".exe";
    if (EndsWithIgnoringAsciiCase(imageName, kWindowsSuffix)) {
        imageName.remove_suffix(kWindowsSuffix.size());
    }
    return std::string(imageName) + kExecutableSuffix;
}

// ---- /proc scan ------------------------------------------------------------------

// The executable a process runs as /proc/PID/exe names it (UTF-8; a program
// whose file was replaced or removed while it runs reads "PATH (deleted)"), or
// nothing when it cannot be read (another user's process, a kernel thread, a
// process that has ended).
std::optional<std::string> ExecutablePath(const std::string& pid) {
    const std::string link = "/proc/" + pid + "/exe";
    char target[4096];
    const ssize_t length = ::readlink(link.c_str(), target, sizeof target);
    if (length <= 0) return std::nullopt;
    return std::string(target, static_cast<size_t>(length));
}

constexpr std::string_view kDeletedSuffix = " (deleted)";

// Calls `onMatch` with the id of every process whose executable `matches`, until
// `onMatch` says stop.
void ForEachProcess(const std::function<bool(const std::string&)>& matches,
                    const std::function<bool(pid_t)>& onMatch) {
    std::unique_ptr<DIR, int (*)(DIR*)> proc(::opendir("/proc"), ::closedir);
    if (!proc) return;
    while (const dirent* entry = ::readdir(proc.get())) {
        char* end = nullptr;
        const long pid = std::strtol(entry->d_name, &end, 10);
        if (pid <= 0 || *end != '\0') continue;
        const auto executable = ExecutablePath(entry->d_name);
        if (executable && matches(*executable)) {
            if (!onMatch(static_cast<pid_t>(pid))) return;
        }
    }
}

// Calls `onMatch` with the id of every process whose executable has this image name.
void ForEachProcessNamed(const std::string& imageName, const std::function<bool(pid_t)>& onMatch) {
    const std::string wanted = GbkToUtf8(WithoutWindowsSuffix(imageName));
    if (wanted.empty()) return;
    auto named = [&](const std::string& executable) {
        std::string_view path = executable;
        // A running program whose file was replaced still runs under its name.
        if (path.ends_with(kDeletedSuffix)) path.remove_suffix(kDeletedSuffix.size());
        return EqualsIgnoringAsciiCase(path.substr(path.rfind('/') + 1), wanted);
    };
    ForEachProcess(named, onMatch);
}

// Calls `onMatch` with the id of every process that runs the program file `path`:
// its executable reads as the file's path (its folder as the kernel names it,
// links resolved), or as that path with the suffix of a replaced file.
void ForEachProcessOf(const std::string& path, const std::function<bool(pid_t)>& onMatch) {
    const std::string native = GbkToUtf8(WithoutWindowsSuffix(path));
    const size_t separator = native.rfind('/');
    const std::string name = native.substr(separator == std::string::npos ? 0 : separator + 1);
    if (name.empty()) return;
    const std::string folder =
        separator == std::string::npos ? "." : native.substr(0, separator + 1);
    std::unique_ptr<char, void (*)(void*)> realFolder(::realpath(folder.c_str(), nullptr),
                                                      std::free);
    if (!realFolder) return;  // no folder, so nothing runs from it
    std::string program = realFolder.get();
    if (!program.ends_with('/')) program += '/';
    program += name;

    auto runs = [&](const std::string& executable) {
        return executable == program ||
               (executable.size() == program.size() + kDeletedSuffix.size() &&
                executable.starts_with(program) && executable.ends_with(kDeletedSuffix));
    };
    ForEachProcess(runs, onMatch);
}

// ---- starting programs --------------------------------------------------------------

std::optional<std::string> FindOnPath(const std::string& name) {
    const char* path = std::getenv("PATH");
    if (!path) return std::nullopt;
    std::string_view rest = path;
    while (true) {
        const size_t colon = rest.find(':');
        const std::string_view dir = rest.substr(0, colon);
        // An empty entry stands for the current folder.
        const std::string candidate =
            (dir.empty() ? std::string(".") : std::string(dir)) + "/" + name;
        if (::access(candidate.c_str(), X_OK) == 0) return candidate;
        if (colon == std::string_view::npos) return std::nullopt;
        rest.remove_prefix(colon + 1);
    }
}

// Adds the run bit for everyone who may read the file.
bool MakeRunnable(const std::string& path) {
    struct stat info;
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
    const mode_t runBits = (info.st_mode & (S_IRUSR | S_IRGRP | S_IROTH)) >> 2;
    if ((info.st_mode & S_IXUSR) && (info.st_mode & runBits) == runBits) return true;
    return ::chmod(path.c_str(), (info.st_mode | runBits | S_IXUSR) & 07777) == 0;
}

void WriteAll(int fd, const void* data, size_t size) {
    const char* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t written = ::write(fd, bytes, size);
        if (written <= 0 && errno != EINTR) return;
        if (written > 0) bytes += written, size -= static_cast<size_t>(written);
    }
}

// "NAME=" of each variable set by SetOwnEnvironmentVariable. Written only
// before threads start, read afterwards.
std::vector<std::string>& OwnVariables() {
    static std::vector<std::string> prefixes;
    return prefixes;
}

// The environment a started program gets: ours less our own variables.
std::vector<char*> InheritedEnvironment() {
    std::vector<char*> result;
    for (char** entry = environ; *entry; ++entry) {
        const std::string_view variable(*entry);
        bool own = false;
        for (const std::string& prefix : OwnVariables()) own = own || variable.starts_with(prefix);
        if (!own) result.push_back(*entry);
    }
    result.push_back(nullptr);
    return result;
}

// Starts `argv` as a grandchild in its own session, so that it is not our child
// (no zombie to reap) and does not share our terminal. Only async-signal-safe
// calls run between fork and exec. Returns false when the program could not be
// executed (the grandchild reports the errno through a close-on-exec pipe).
bool SpawnDetached(const std::string& executable, const std::vector<std::string>& arguments,
                   const std::string& workingFolder) {
    std::vector<char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    std::vector<char*> environment = InheritedEnvironment();
    const char* folder = workingFolder.empty() ? nullptr : workingFolder.c_str();

    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0) return false;
    const pid_t child = ::fork();
    if (child < 0) {
        ::close(report[0]);
        ::close(report[1]);
        return false;
    }
    if (child == 0) {
        ::close(report[0]);
        sigset_t none;
        sigemptyset(&none);
        ::sigprocmask(SIG_SETMASK, &none, nullptr);
        ::signal(SIGPIPE, SIG_DFL);  // ignored dispositions would survive exec
        ::setsid();
        ::close_range(3, ~0U, CLOSE_RANGE_CLOEXEC);  // our descriptors stay ours
        const pid_t grandchild = ::fork();
        if (grandchild != 0) ::_exit(grandchild < 0 ? 1 : 0);
        int error = 0;
        if (folder && ::chdir(folder) != 0) {
            error = errno;
        } else {
            const int devNull = ::open("/dev/null", O_RDONLY);
            if (devNull >= 0) {
                ::dup2(devNull, STDIN_FILENO);
                if (devNull != STDIN_FILENO) ::close(devNull);
            }
            ::execve(executable.c_str(), argv.data(), environment.data());
            error = errno;
        }
        WriteAll(report[1], &error, sizeof error);
        ::_exit(127);
    }
    ::close(report[1]);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    int error = 0;
    ssize_t got;
    while ((got = ::read(report[0], &error, sizeof error)) < 0 && errno == EINTR) {
    }
    ::close(report[0]);
    const bool childForked = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return childForked && got == 0;
}

}  // namespace

bool IsProcessRunning(const std::string& imageName) {
    bool found = false;
    ForEachProcessNamed(imageName, [&](pid_t) {
        found = true;
        return false;  // one is enough
    });
    return found;
}

void KillProcessesByName(const std::string& imageName) {
    const pid_t self = ::getpid();
    ForEachProcessNamed(imageName, [&](pid_t pid) {
        if (pid != self) ::kill(pid, SIGKILL);
        return true;
    });
}

bool IsProgramRunning(const std::string& path) {
    bool found = false;
    ForEachProcessOf(path, [&](pid_t) {
        found = true;
        return false;  // one is enough
    });
    return found;
}

void KillProgram(const std::string& path) {
    const pid_t self = ::getpid();
    ForEachProcessOf(path, [&](pid_t pid) {
        if (pid != self) ::kill(pid, SIGKILL);
        return true;
    });
}

// ---- command-line splitting -----------------------------------------------------------

namespace {

// The rules of the Microsoft C runtime for the arguments after the program name:
// blanks and tabs separate arguments outside quotes; 2n backslashes before a quote
// give n backslashes and the quote opens or closes a quoted part; 2n+1 backslashes
// before a quote give n backslashes and a literal quote; backslashes elsewhere are
// literal; "" inside a quoted part gives a literal quote.
// Works on UTF-8, where no byte of a multibyte character can pass for a blank,
// quote or backslash (a GBK trail byte can be 0x5C, the backslash).
std::vector<std::string> SplitUtf8CommandLine(const std::string& parameters) {
    std::vector<std::string> arguments;
    std::string current;
    bool inArgument = false;
    bool quoted = false;
    size_t i = 0;
    while (i < parameters.size()) {
        const char c = parameters[i];
        if ((c == ' ' || c == '\t') && !quoted) {
            if (inArgument) arguments.push_back(std::move(current));
            current.clear();
            inArgument = false;
            ++i;
            continue;
        }
        inArgument = true;
        if (c == '\\') {
            size_t backslashes = 0;
            while (i < parameters.size() && parameters[i] == '\\') ++backslashes, ++i;
            if (i < parameters.size() && parameters[i] == '"') {
                current.append(backslashes / 2, '\\');
                if (backslashes % 2 == 1) {
                    current.push_back('"');
                    ++i;
                }
                // An even count leaves the quote to the next round.
            } else {
                current.append(backslashes, '\\');
            }
            continue;
        }
        if (c == '"') {
            if (quoted && i + 1 < parameters.size() && parameters[i + 1] == '"') {
                current.push_back('"');
                i += 2;
                continue;
            }
            quoted = !quoted;
            ++i;
            continue;
        }
        current.push_back(c);
        ++i;
    }
    if (inArgument) arguments.push_back(std::move(current));
    return arguments;
}

}  // namespace

std::vector<std::string> SplitCommandLine(const std::string& parameters) {
    std::vector<std::string> arguments = SplitUtf8CommandLine(GbkToUtf8(parameters));
    for (std::string& argument : arguments) argument = Utf8ToGbk(argument);
    return arguments;
}

// ---- starting programs ------------------------------------------------------------

bool StartProgram(const std::string& program, const std::string& parameters,
                  const std::string& workingFolder) {
    std::string executable = GbkToUtf8(program);
    if (executable.find('/') == std::string::npos) {
        const auto found = FindOnPath(executable);
        if (!found) return false;
        executable = *found;
    }
    // A program named with the Windows suffix is found under its name without it.
    struct stat info;
    if (::stat(executable.c_str(), &info) != 0 && EndsWithIgnoringAsciiCase(executable, ".exe")) {
        executable.resize(executable.size() - 4);
    }
    if (!MakeRunnable(executable)) return false;

    std::vector<std::string> argv{executable};
    for (std::string& argument : SplitUtf8CommandLine(GbkToUtf8(parameters))) {
        argv.push_back(std::move(argument));
    }
    return SpawnDetached(executable, argv, GbkToUtf8(workingFolder));
}

// ---- web addresses -----------------------------------------------------------------

bool IsWebAddress(std::string_view address) {
    const size_t colon = address.find("://");
    if (colon == std::string_view::npos) return false;
    const std::string_view scheme = address.substr(0, colon);
    if (!platform::EqualsIgnoringAsciiCase(scheme, "http") &&
        !platform::EqualsIgnoringAsciiCase(scheme, "https"))
        return false;
    // The authority ends at the path, the query or the fragment; a browser reads
    // a backslash there as a slash.
    std::string_view authority = address.substr(colon + 3);
    authority = authority.substr(0, authority.find_first_of("/?#\\"));
    if (const size_t at = authority.rfind('@'); at != std::string_view::npos)
        authority.remove_prefix(at + 1);
    const std::string_view host = authority.starts_with('[')
                                      ? authority.substr(0, authority.find(']') + 1)
                                      : authority.substr(0, authority.find(':'));
    if (host.empty() || host == "[]") return false;
    for (const char c : host)
        if (static_cast<unsigned char>(c) <= ' ' || c == 0x7F) return false;
    return true;
}

bool OpenUrl(const std::string& url) {
    const std::string address = GbkToUtf8(url);
    if (!IsWebAddress(address)) {
        LogWarning("not opened in the system browser, not a web address: " + address);
        return false;
    }
    const auto opener = FindOnPath("xdg-open");
    if (!opener) return false;
    return SpawnDetached(*opener, {*opener, address}, {});
}

bool SetOwnEnvironmentVariable(const char* name, const char* value) {
    if (std::getenv(name) != nullptr || ::setenv(name, value, 0) != 0) return false;
    OwnVariables().push_back(std::string(name) + "=");
    return true;
}

}  // namespace platform
