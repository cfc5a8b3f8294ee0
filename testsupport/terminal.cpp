#include "terminal.h"

#include "run.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <poll.h>
#include <pty.h>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

namespace testsupport {

using Clock = std::chrono::steady_clock;

Terminal::Terminal(std::string_view name, const std::vector<std::string> &args) {
    std::vector<std::string> command = program_command(program(name));
    command.insert(command.end(), args.begin(), args.end());
    std::vector<char *> argv;
    for (const std::string &arg : command)
        argv.push_back(const_cast<char *>(arg.c_str()));
    argv.push_back(nullptr);
    winsize size{};
    size.ws_row = 24;
    size.ws_col = 80;
    pid_ = forkpty(&fd_, nullptr, nullptr, &size);
    if (pid_ < 0)
        throw std::runtime_error(std::string("forkpty: ") + std::strerror(errno));
    if (pid_ == 0) {
        std::signal(SIGPIPE, SIG_DFL);
        execv(argv[0], argv.data());
        _exit(127);
    }
}

Terminal::~Terminal() {
    if (pid_ > 0) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    if (fd_ >= 0)
        close(fd_);
}

bool Terminal::read_some(std::chrono::milliseconds timeout) {
    pollfd pfd{fd_, POLLIN, 0};
    if (poll(&pfd, 1, static_cast<int>(timeout.count())) <= 0)
        return false;
    char buf[4096];
    ssize_t n = read(fd_, buf, sizeof buf);
    if (n <= 0) // EIO once the program has closed its side
        return false;
    screen_.append(buf, static_cast<std::size_t>(n));
    return true;
}

bool Terminal::wait_for(std::string_view text, std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    for (;;) {
        std::size_t at = screen_.find(text, matched_);
        if (at != std::string::npos) {
            matched_ = at + text.size();
            return true;
        }
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0 || !read_some(left))
            return false;
    }
}

void Terminal::type(std::string_view keys) {
    while (!keys.empty()) {
        ssize_t n = write(fd_, keys.data(), keys.size());
        if (n < 0 && errno != EINTR)
            throw std::runtime_error(std::string("write: ") + std::strerror(errno));
        if (n > 0)
            keys.remove_prefix(static_cast<std::size_t>(n));
    }
}

int Terminal::finish(std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    for (;;) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0 || !read_some(left))
            break;
    }
    int status = 0;
    pid_t done = waitpid(pid_, &status, Clock::now() < deadline ? 0 : WNOHANG);
    if (done != pid_)
        return -1;
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string without_cr(std::string_view screen) {
    std::string text;
    for (std::size_t i = 0; i < screen.size(); ++i)
        if (!(screen[i] == '\r' && i + 1 < screen.size() && screen[i + 1] == '\n'))
            text += screen[i];
    return text;
}

} // namespace testsupport
