#include "run.h"

#include "process.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <spawn.h>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace testsupport {

namespace {

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

int open_file(const std::string &path, int flags) {
    const int fd = open(path.c_str(), flags | O_CLOEXEC, 0644);
    if (fd < 0)
        fail(path);
    return fd;
}

void close_fd(int &fd) {
    if (fd >= 0)
        close(fd);
    fd = -1;
}

} // namespace

void fail(const std::string &what) {
    throw std::runtime_error(what + ": " + std::strerror(errno));
}

std::chrono::milliseconds time_left(Clock::time_point deadline) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
}

bool read_available(int fd, std::string &into) {
    char buf[65536];
    const ssize_t n = read(fd, buf, sizeof buf);
    if (n > 0)
        into.append(buf, static_cast<std::size_t>(n));
    return n > 0 || (n < 0 && (errno == EAGAIN || errno == EINTR));
}

std::vector<std::string> split(const std::string &text, char separator) {
    std::vector<std::string> items;
    std::stringstream list(text);
    for (std::string item; std::getline(list, item, separator);)
        items.push_back(item);
    return items;
}

std::string program(std::string_view name) {
    return std::string(DEMOS_BIN_DIR "/") += name;
}

std::vector<std::string> program_command(const std::string &path) {
    // The emulator's words, each followed by a comma; none in a native build.
    std::vector<std::string> command = {DEMOS_EMULATOR};
    command.push_back(path);
    return command;
}

bool emulated() {
    return program_command("").size() > 1;
}

std::string program_folder(const std::vector<std::string> &names, const std::string &scratch) {
    if (!emulated())
        return DEMOS_BIN_DIR;
    std::filesystem::create_directories(scratch);
    for (const std::string &name : names) {
        std::string script = "#!/bin/sh\nexec";
        for (const std::string &word : program_command(program(name)))
            script += " '" + word + "'";
        const std::string path = scratch + "/" + name;
        std::ofstream(path) << script << " \"$@\"\n";
        std::filesystem::permissions(path, std::filesystem::perms::owner_all);
    }
    return scratch;
}

std::vector<std::string> command_line(std::string_view name, const std::vector<std::string> &args) {
    std::vector<std::string> command = name.find('/') == std::string_view::npos
                                           ? program_command(program(name))
                                           : std::vector<std::string>{std::string(name)};
    command.insert(command.end(), args.begin(), args.end());
    return command;
}

// posix_spawn rather than fork: copying a sanitized test's huge address
// space is slow.
pid_t spawn(const std::vector<std::string> &command, int in, int out, int err) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    const int fds[] = {in, out, err};
    for (int target = 0; target < 3; ++target) {
        if (fds[target] >= 0)
            posix_spawn_file_actions_adddup2(&actions, fds[target], target);
        else
            posix_spawn_file_actions_addclose(&actions, target);
    }

    // The test ignores SIGPIPE; the program must meet a closed pipe as usual.
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    posix_spawnattr_setsigdefault(&attr, &defaults);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGDEF);

    std::vector<char *> argv;
    for (const std::string &word : command)
        argv.push_back(const_cast<char *>(word.c_str()));
    argv.push_back(nullptr);
    pid_t pid = -1;
    int error = posix_spawn(&pid, argv[0], &actions, &attr, argv.data(), environ);
    posix_spawnattr_destroy(&attr);
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0) {
        errno = error;
        fail(command[0]);
    }
    return pid;
}

// A child that has closed its outputs may still hang: it is waited for in
// short naps, never past the deadline.
int wait_until(pid_t pid, Clock::time_point deadline, bool &timed_out) {
    int wstatus = 0;
    auto nap = 1ms;
    for (;;) {
        const pid_t done = waitpid(pid, &wstatus, WNOHANG);
        if (done == pid)
            return wstatus;
        if (done < 0 && errno != EINTR)
            fail("waitpid");
        if (time_left(deadline).count() <= 0)
            break;
        std::this_thread::sleep_for(std::min({nap, time_left(deadline), 20ms}));
        nap *= 2;
    }
    timed_out = true;
    kill(pid, SIGKILL);
    while (waitpid(pid, &wstatus, 0) < 0)
        if (errno != EINTR)
            fail("waitpid");
    return wstatus;
}

RunResult run(std::string_view name, const std::vector<std::string> &args,
              const RunOptions &options) {
    std::signal(SIGPIPE, SIG_IGN);
    Pipe in = make_pipe(), out = make_pipe(), err = make_pipe();
    int child_in = in.read, child_out = out.write;
    if (!options.stdin_path.empty())
        child_in = open_file(options.stdin_path, O_RDONLY);
    if (!options.stdout_path.empty())
        child_out = open_file(options.stdout_path, O_WRONLY | O_CREAT | O_TRUNC);
    // Closed before the start, so that not even the first write can arrive.
    if (options.stdout_reader_gone)
        close_fd(out.read);
    const pid_t pid =
        spawn(command_line(name, args), options.stdin_closed ? -1 : child_in, child_out, err.write);
    if (child_in != in.read)
        close_fd(child_in);
    if (child_out != out.write)
        close_fd(child_out);
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
        auto left = time_left(deadline);
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
        if (out.read >= 0 && fds[1].revents && !read_available(out.read, result.out))
            close_fd(out.read);
        if (err.read >= 0 && fds[2].revents && !read_available(err.read, result.err))
            close_fd(err.read);
    }
    close_fd(in.write);
    close_fd(out.read);
    close_fd(err.read);

    // Past the deadline or the output limit the child is killed at once.
    const auto end = result.timed_out || result.overflowed ? Clock::now() : deadline;
    bool killed = false;
    const int wstatus = wait_until(pid, end, killed);
    result.timed_out = result.timed_out || (killed && !result.overflowed);
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
