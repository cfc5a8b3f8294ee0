#include "run.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

namespace testsupport {

namespace {

using Clock = std::chrono::steady_clock;

[[noreturn]] void fail(const char *what) {
    throw std::runtime_error(std::string(what) + ": " + std::strerror(errno));
}

struct Pipe {
    int read = -1;
    int write = -1;
};

Pipe make_pipe() {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0)
        fail("pipe2");
    return {fds[0], fds[1]};
}

void close_fd(int &fd) {
    if (fd >= 0)
        close(fd);
    fd = -1;
}

// Starts the program with its three standard streams wired up. posix_spawn
// rather than fork: copying a sanitized test's huge address space is slow.
pid_t spawn(const std::string &path, const std::vector<std::string> &args, const Pipe &in,
            const Pipe &out, const Pipe &err, const std::string &stdout_path) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in.read, 0);
    if (stdout_path.empty())
        posix_spawn_file_actions_adddup2(&actions, out.write, 1);
    else
        posix_spawn_file_actions_addopen(&actions, 1, stdout_path.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, err.write, 2);

    // The test ignores SIGPIPE; the program must meet a closed pipe as usual.
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    posix_spawnattr_setsigdefault(&attr, &defaults);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGDEF);

    std::vector<char *> argv;
    argv.push_back(const_cast<char *>(path.c_str()));
    for (const std::string &arg : args)
        argv.push_back(const_cast<char *>(arg.c_str()));
    argv.push_back(nullptr);
    pid_t pid = -1;
    int error = posix_spawn(&pid, path.c_str(), &actions, &attr, argv.data(), environ);
    posix_spawnattr_destroy(&attr);
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0) {
        errno = error;
        fail(path.c_str());
    }
    return pid;
}

// Reads what is there; false once the other end is closed.
bool drain(int fd, std::string &into) {
    char buf[65536];
    ssize_t n = read(fd, buf, sizeof buf);
    if (n > 0) {
        into.append(buf, static_cast<std::size_t>(n));
        return true;
    }
    return n < 0 && (errno == EAGAIN || errno == EINTR);
}

} // namespace

std::string program(std::string_view name) {
    return std::string(DEMOS_BIN_DIR "/") += name;
}

std::vector<std::string> program_command(const std::string &path) {
    std::vector<std::string> command = {DEMOS_EMULATOR};
    command.push_back(path);
    return command;
}

RunResult run(std::string_view name, const std::vector<std::string> &args,
              const RunOptions &options) {
    std::signal(SIGPIPE, SIG_IGN);
    // A name is a program of the suite; a path, a tool of the build machine.
    std::vector<std::string> command = name.find('/') == std::string_view::npos
                                           ? program_command(program(name))
                                           : std::vector<std::string>{std::string(name)};
    command.insert(command.end(), args.begin(), args.end());
    Pipe in = make_pipe(), out = make_pipe(), err = make_pipe();
    const pid_t pid =
        spawn(command[0], {command.begin() + 1, command.end()}, in, out, err, options.stdout_path);
    close_fd(in.read);
    close_fd(out.write);
    close_fd(err.write);
    for (int fd : {in.write, out.read, err.read})
        fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);

    RunResult result;
    std::size_t written = 0;
    if (options.input.empty())
        close_fd(in.write);
    const auto deadline = Clock::now() + options.timeout;
    while (out.read >= 0 || err.read >= 0) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) {
            result.timed_out = true;
            break;
        }
        if (result.out.size() + result.err.size() > options.max_output) {
            result.overflowed = true;
            break;
        }
        pollfd fds[3] = {{in.write, POLLOUT, 0}, {out.read, POLLIN, 0}, {err.read, POLLIN, 0}};
        if (poll(fds, 3, static_cast<int>(left.count())) < 0 && errno != EINTR)
            fail("poll");
        if (in.write >= 0 && fds[0].revents) {
            ssize_t n =
                write(in.write, options.input.data() + written, options.input.size() - written);
            if (n > 0)
                written += static_cast<std::size_t>(n);
            // A program may end without reading all its input: that is no error.
            if (written == options.input.size() || (n < 0 && errno != EAGAIN && errno != EINTR))
                close_fd(in.write);
        }
        if (out.read >= 0 && fds[1].revents && !drain(out.read, result.out))
            close_fd(out.read);
        if (err.read >= 0 && fds[2].revents && !drain(err.read, result.err))
            close_fd(err.read);
    }
    if (result.timed_out || result.overflowed)
        kill(pid, SIGKILL);
    close_fd(in.write);
    close_fd(out.read);
    close_fd(err.read);

    int wstatus = 0;
    while (waitpid(pid, &wstatus, 0) < 0)
        if (errno != EINTR)
            fail("waitpid");
    if (WIFEXITED(wstatus))
        result.status = WEXITSTATUS(wstatus);
    else if (WIFSIGNALED(wstatus))
        result.signal = WTERMSIG(wstatus);
    return result;
}

RunResult run_with_input(std::string_view name, std::string input) {
    RunOptions options;
    options.input = std::move(input);
    return run(name, {}, options);
}

std::string describe(const RunResult &result) {
    if (result.timed_out)
        return "timed out";
    if (result.overflowed)
        return "printed more than the limit";
    if (result.signal != 0)
        return "killed by signal " + std::to_string(result.signal);
    return "exited with status " + std::to_string(result.status) + ", stderr: " + result.err;
}

} // namespace testsupport
