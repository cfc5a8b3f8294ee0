#include "pacing.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <string>
#include <sys/ptrace.h>
#include <sys/syscall.h>
#include <sys/uio.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace testsupport {

namespace {

// Whether `length` bytes at `address` in process `pid` hold a line end.
bool holds_line_end(pid_t pid, std::uint64_t address, std::uint64_t length) {
    char bytes[4096];
    while (length > 0) {
        const auto part = static_cast<std::size_t>(std::min<std::uint64_t>(length, sizeof bytes));
        iovec local{bytes, part};
        iovec remote{reinterpret_cast<void *>(address), part};
        const ssize_t got = process_vm_readv(pid, &local, 1, &remote, 1, 0);
        if (got <= 0)
            return false;
        if (std::find(bytes, bytes + got, '\n') != bytes + got)
            return true;
        address += static_cast<std::uint64_t>(got);
        length -= static_cast<std::uint64_t>(got);
    }
    return false;
}

// Whether the system call that `pid` enters writes a line end: write(2), or
// writev(2), which musl's standard output uses.
bool writes_line_end(pid_t pid, const __ptrace_syscall_info &call) {
    const std::uint64_t *args = call.entry.args;
    if (call.entry.nr == SYS_write)
        return holds_line_end(pid, args[1], args[2]);
    if (call.entry.nr != SYS_writev)
        return false;
    std::vector<iovec> parts(static_cast<std::size_t>(std::min<std::uint64_t>(args[2], 1024)));
    iovec local{parts.data(), parts.size() * sizeof(iovec)};
    iovec remote{reinterpret_cast<void *>(args[1]), local.iov_len};
    if (process_vm_readv(pid, &local, 1, &remote, 1, 0) != static_cast<ssize_t>(local.iov_len))
        return false;
    return std::any_of(parts.begin(), parts.end(), [&](const iovec &part) {
        return holds_line_end(pid, reinterpret_cast<std::uint64_t>(part.iov_base), part.iov_len);
    });
}

bool contains(const std::vector<pid_t> &pids, pid_t pid) {
    return std::find(pids.begin(), pids.end(), pid) != pids.end();
}

void remove(std::vector<pid_t> &pids, pid_t pid) {
    pids.erase(std::remove(pids.begin(), pids.end(), pid), pids.end());
}

[[noreturn]] void end_as(int status) {
    if (WIFSIGNALED(status)) {
        std::signal(WTERMSIG(status), SIG_DFL);
        sigset_t all;
        sigfillset(&all);
        sigprocmask(SIG_UNBLOCK, &all, nullptr);
        raise(WTERMSIG(status));
    }
    _exit(WIFEXITED(status) ? WEXITSTATUS(status) : 127);
}

} // namespace

bool pacing_available() {
    static const bool available = [] {
        const pid_t child = fork();
        if (child == 0) {
            if (ptrace(PTRACE_TRACEME, 0, nullptr, nullptr) != 0)
                _exit(1);
            raise(SIGSTOP);
            _exit(0);
        }
        int status = 0;
        if (child < 0 || waitpid(child, &status, 0) != child)
            return false;
        if (!WIFSTOPPED(status))
            return false;
        kill(child, SIGKILL);
        waitpid(child, &status, 0);
        return true;
    }();
    return available;
}

void exec_paced(char *const argv[], std::chrono::milliseconds pause) {
    const pid_t top = fork();
    if (top < 0)
        _exit(127);
    if (top == 0) {
        // LeakSanitizer checks a program at its end by tracing it, which a
        // traced program cannot be: a sanitized program skips that check.
        const char *options = std::getenv("ASAN_OPTIONS");
        const std::string no_leak_check =
            (options && *options ? std::string(options) + ":" : "") + "detect_leaks=0";
        setenv("ASAN_OPTIONS", no_leak_check.c_str(), 1);
        if (ptrace(PTRACE_TRACEME, 0, nullptr, nullptr) != 0)
            _exit(127);
        raise(SIGSTOP);
        execv(argv[0], argv);
        _exit(127);
    }
    int status = 0;
    if (waitpid(top, &status, 0) != top || !WIFSTOPPED(status))
        end_as(status);
    ptrace(PTRACE_SETOPTIONS, top, nullptr,
           PTRACE_O_TRACESYSGOOD | PTRACE_O_TRACEFORK | PTRACE_O_TRACEVFORK | PTRACE_O_TRACECLONE |
               PTRACE_O_TRACEEXEC | PTRACE_O_EXITKILL);
    ptrace(PTRACE_SYSCALL, top, nullptr, nullptr);

    int top_status = 0;
    std::vector<pid_t> seen = {top}; // a process first stops before it runs
    std::vector<pid_t> pausing;      // in a write of a line end
    for (;;) {
        const pid_t pid = waitpid(-1, &status, __WALL);
        if (pid < 0) {
            if (errno == EINTR)
                continue;
            break; // no process of the command is left
        }
        if (WIFEXITED(status) || WIFSIGNALED(status)) {
            if (pid == top)
                top_status = status;
            remove(pausing, pid);
            continue;
        }
        if (!WIFSTOPPED(status))
            continue;
        const int signal = WSTOPSIG(status);
        int deliver = 0;
        if (signal == (SIGTRAP | 0x80)) {
            __ptrace_syscall_info call{};
            ptrace(PTRACE_GET_SYSCALL_INFO, pid, reinterpret_cast<void *>(sizeof call), &call);
            if (call.op == PTRACE_SYSCALL_INFO_ENTRY && writes_line_end(pid, call)) {
                pausing.push_back(pid);
            } else if (call.op == PTRACE_SYSCALL_INFO_EXIT && contains(pausing, pid)) {
                remove(pausing, pid);
                std::this_thread::sleep_for(pause);
            }
        } else if (status >> 16 != 0) {
            // A fork, clone or exec reported: nothing to deliver.
        } else if (!contains(seen, pid)) {
            seen.push_back(pid); // the stop in which a new child starts traced
        } else {
            // A signal for the program, unless the stop is the one it brings.
            siginfo_t info;
            if (ptrace(PTRACE_GETSIGINFO, pid, nullptr, &info) == 0)
                deliver = signal;
        }
        ptrace(PTRACE_SYSCALL, pid, nullptr, reinterpret_cast<void *>(static_cast<long>(deliver)));
    }
    end_as(top_status);
}

} // namespace testsupport
