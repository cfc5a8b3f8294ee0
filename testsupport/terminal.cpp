#include "terminal.h"

#include "process.h"
#include "run.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <stdexcept>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace testsupport {

namespace {

void set_nonblocking(int fd) {
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
}

} // namespace

Session::~Session() {
    if (pid_ > 0) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    if (out_ >= 0 && out_ != in_)
        close(out_);
    for (int fd : {in_, err_})
        if (fd >= 0)
            close(fd);
}

bool Session::read_some(std::chrono::milliseconds timeout) {
    pollfd fds[2] = {{out_, POLLIN, 0}, {err_, POLLIN, 0}};
    if (out_ < 0 && err_ < 0)
        return false;
    if (poll(fds, 2, static_cast<int>(timeout.count())) <= 0)
        return false;
    const std::size_t before = screen_.size() + errors_.size();
    if (fds[0].revents && !read_available(out_, screen_)) {
        if (out_ != in_)
            close(out_);
        out_ = -1;
    }
    if (fds[1].revents && !read_available(err_, errors_)) {
        close(err_);
        err_ = -1;
    }
    return screen_.size() + errors_.size() > before;
}

bool Session::wait_for_screen(const std::function<bool(const std::string &screen)> &shows,
                              std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    for (;;) {
        if (shows(screen_))
            return true;
        auto left = time_left(deadline);
        if (left.count() <= 0 || (out_ < 0 && err_ < 0))
            return false;
        read_some(left);
    }
}

bool Session::wait_for(std::string_view text, std::chrono::milliseconds timeout) {
    return wait_for_screen(
        [&](const std::string &screen) {
            const std::size_t at = screen.find(text, matched_);
            if (at == std::string::npos)
                return false;
            matched_ = at + text.size();
            return true;
        },
        timeout);
}

void Session::type(std::string_view keys) {
    while (!keys.empty()) {
        ssize_t n = write(in_, keys.data(), keys.size());
        if (n < 0 && errno != EINTR)
            fail("write");
        if (n > 0)
            keys.remove_prefix(static_cast<std::size_t>(n));
    }
}

int Session::finish(std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    while ((out_ >= 0 || err_ >= 0) && time_left(deadline).count() > 0)
        read_some(time_left(deadline));
    const int status = wait_until(pid_, deadline, timed_out_);
    pid_ = -1;
    return WIFEXITED(status) && !timed_out_ ? WEXITSTATUS(status) : -1;
}

Terminal::Terminal(std::string_view name, const std::vector<std::string> &args) {
    const std::vector<std::string> command = command_line(name, args);
    std::vector<char *> argv;
    for (const std::string &word : command)
        argv.push_back(const_cast<char *>(word.c_str()));
    argv.push_back(nullptr);
    winsize size{};
    size.ws_row = 24;
    size.ws_col = 80;
    pid_ = forkpty(&in_, nullptr, nullptr, &size);
    if (pid_ < 0)
        fail("forkpty");
    if (pid_ == 0) {
        std::signal(SIGPIPE, SIG_DFL);
        execv(argv[0], argv.data());
        _exit(127);
    }
    out_ = in_;
}

Piped::Piped(std::string_view name, const Options &options) {
    std::signal(SIGPIPE, SIG_IGN);
    int in[2], out[2], err[2];
    if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0)
        fail("pipe2");
    // Small enough to fit the empty pipe, so that this write cannot block.
    if (write(in[1], options.waiting.data(), options.waiting.size()) !=
        static_cast<ssize_t>(options.waiting.size()))
        fail("write");
    if (options.nonblocking_input)
        set_nonblocking(in[0]);
    if (options.nonblocking_output)
        set_nonblocking(out[1]);
    pid_ = spawn(command_line(name, {}), in[0], out[1], err[1]);
    for (int fd : {in[0], out[1], err[1]})
        close(fd);
    in_ = in[1];
    out_ = out[0];
    err_ = err[0];
    set_nonblocking(out_);
    set_nonblocking(err_);
}

bool Piped::wait_until_output_stops(std::chrono::milliseconds quiet,
                                    std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    int seen = 0;
    auto since = Clock::now();
    while (Clock::now() < deadline) {
        int queued = 0;
        if (ioctl(out_, FIONREAD, &queued) != 0)
            fail("FIONREAD");
        if (queued != seen) {
            seen = queued;
            since = Clock::now();
        } else if (queued > 0 && Clock::now() - since >= quiet) {
            return true;
        }
        std::this_thread::sleep_for(5ms);
    }
    return false;
}

void Piped::drain(std::chrono::milliseconds quiet) {
    while (read_some(quiet)) {
    }
}

std::string without_cr(std::string_view screen) {
    std::string text;
    for (std::size_t i = 0; i < screen.size(); ++i)
        if (!(screen[i] == '\r' && i + 1 < screen.size() && screen[i + 1] == '\n'))
            text += screen[i];
    return text;
}

} // namespace testsupport
