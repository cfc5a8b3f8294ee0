#include "terminal.h"

#include "pacing.h"
#include "process.h"
#include "run.h"

#include <algorithm>
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

bool Session::wait_until_reading(std::chrono::milliseconds timeout, bool read_screen) {
    const auto deadline = Clock::now() + timeout;
    auto nap = 1ms;
    for (;;) {
        if (pid_ < 0 || has_ended(pid_))
            return false;
        // Typed keys that are still unread would wake a reader that sleeps.
        if (unread_keys() == 0 && asleep_reading(pid_, keyboard_))
            return true;
        const auto left = time_left(deadline);
        if (left.count() <= 0)
            return false;
        if (read_screen && (out_ >= 0 || err_ >= 0))
            read_some(std::min(nap, left));
        else
            std::this_thread::sleep_for(std::min(nap, left));
        nap = std::min(nap * 2, 10ms);
    }
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

Terminal::Terminal(std::string_view name, const std::vector<std::string> &args,
                   const TerminalOptions &options) {
    const bool paced = options.pause_at_line_ends.count() > 0;
    if (paced && !pacing_available())
        throw std::runtime_error("programs cannot be traced here, so not paced either");
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
        if (paced)
            exec_paced(argv.data(), options.pause_at_line_ends);
        execv(argv[0], argv.data());
        _exit(127);
    }
    out_ = in_;
    char program_side[128];
    if (ptsname_r(in_, program_side, sizeof program_side) != 0)
        fail("ptsname_r");
    keyboard_ = program_side;
}

// The line discipline counts the typed lines that no read has taken yet; it
// is asked on the program's side of the terminal, opened only for the
// question, since that side held open would keep the terminal from ending
// with its program. Typed keys reach the line discipline a moment after the
// write, by the kernel's own work queue; a poll of the program's side waits
// for that work, so that keys on their way count as unread.
int Terminal::unread_keys() const {
    const int program_side = open(keyboard_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (program_side < 0)
        fail(keyboard_);
    pollfd ready{program_side, POLLIN, 0};
    if (poll(&ready, 1, 0) < 0) {
        close(program_side);
        fail("poll");
    }
    int unread = 0;
    const int asked = ioctl(program_side, TIOCINQ, &unread);
    close(program_side);
    if (asked != 0)
        fail("TIOCINQ");
    return unread;
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
    keyboard_ = open_file_name(in_);
    set_nonblocking(out_);
    set_nonblocking(err_);
}

int Piped::unread_keys() const {
    int unread = 0;
    if (ioctl(in_, FIONREAD, &unread) != 0)
        fail("FIONREAD");
    return unread;
}

void Piped::drain() {
    while (read_some(0ms)) {
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
