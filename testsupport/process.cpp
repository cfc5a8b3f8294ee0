// The kernel's view of a running program, from /proc.
#include "process.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <sstream>
#include <sys/uio.h>
#include <unistd.h>

namespace testsupport {

namespace {

// A file of /proc; "" if the process is gone. A file that exists but may not
// be read is an error: every answer drawn from it would be wrong.
std::string proc_text(const std::string &path) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT || errno == ESRCH)
            return "";
        fail(path);
    }
    std::string text;
    char part[4096];
    ssize_t n;
    while ((n = read(fd, part, sizeof part)) > 0)
        text.append(part, static_cast<std::size_t>(n));
    close(fd);
    return text;
}

std::string link_target(const std::string &path) {
    char target[4096];
    const ssize_t n = readlink(path.c_str(), target, sizeof target);
    return n > 0 ? std::string(target, static_cast<std::size_t>(n)) : "";
}

// The number of the system call in which /proc/thread-self/syscall shows
// the thread that reads it, by read(2) or by readv(2).
long call_reading_own_call(bool vectored) {
    const char *path = "/proc/thread-self/syscall";
    const int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        fail(path);
    char text[256];
    iovec part{text, sizeof text - 1};
    const ssize_t n = vectored ? readv(fd, &part, 1) : read(fd, text, sizeof text - 1);
    close(fd);
    if (n <= 0)
        fail(path);
    text[n] = '\0';
    return std::strtol(text, nullptr, 10);
}

// The numbers by which /proc names read(2) and readv(2) (the C libraries'
// standard input reads by one or the other): learnt from the calls that read
// this thread's own entry, since under an emulator they are the host's
// numbers, not those that this program was compiled with.
struct ReadCalls {
    long read = call_reading_own_call(false);
    long readv = call_reading_own_call(true);
};

const ReadCalls &read_calls() {
    static const ReadCalls calls;
    return calls;
}

// The state letter of a process or thread ('R', 'S', 'Z', ...); 0 if gone.
char state_of(const std::string &dir) {
    const std::string stat = proc_text(dir + "/stat");
    const std::size_t name_end = stat.rfind(')'); // the name may hold anything
    return name_end == std::string::npos || name_end + 2 >= stat.size() ? 0 : stat[name_end + 2];
}

std::vector<std::string> threads_of(pid_t pid) {
    std::vector<std::string> dirs;
    std::error_code gone;
    for (const auto &entry :
         std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/task", gone))
        dirs.push_back(entry.path().string());
    return dirs;
}

// `pid` and all its descendants, as far as they are still its descendants.
std::vector<pid_t> family(pid_t pid) {
    std::vector<pid_t> pids = {pid};
    for (std::size_t i = 0; i < pids.size(); ++i) {
        for (const std::string &thread : threads_of(pids[i])) {
            std::istringstream children(proc_text(thread + "/children"));
            for (pid_t child; children >> child;)
                pids.push_back(child);
        }
    }
    return pids;
}

} // namespace

std::string open_file_name(int fd) {
    return link_target("/proc/self/fd/" + std::to_string(fd));
}

bool has_ended(pid_t pid) {
    const char state = state_of("/proc/" + std::to_string(pid));
    return state == 0 || state == 'Z' || state == 'X';
}

bool asleep_reading(pid_t pid, const std::string &file) {
    const ReadCalls &calls = read_calls();
    for (pid_t member : family(pid)) {
        for (const std::string &thread : threads_of(member)) {
            if (state_of(thread) != 'S')
                continue;
            // "NUMBER ARG0 ...", or "running", or "-1 ..." outside a call.
            std::istringstream call(proc_text(thread + "/syscall"));
            long number = -1;
            std::string fd;
            if (!(call >> number >> fd) || (number != calls.read && number != calls.readv))
                continue;
            const std::string descriptor = std::to_string(std::strtol(fd.c_str(), nullptr, 16));
            if (link_target("/proc/" + std::to_string(member) + "/fd/" + descriptor) == file)
                return true;
        }
    }
    return false;
}

} // namespace testsupport
