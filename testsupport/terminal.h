// Runs a program on a pseudo-terminal, to see what a person at a terminal
// sees: prompts before the program waits, the echo of what is typed, colours.
#pragma once

#include <chrono>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <vector>

namespace testsupport {

using namespace std::chrono_literals;

class Terminal {
  public:
    Terminal(std::string_view name, const std::vector<std::string> &args = {});
    ~Terminal();
    Terminal(const Terminal &) = delete;
    Terminal &operator=(const Terminal &) = delete;

    // Waits until the text appears after what earlier waits matched; true if
    // it did in time. A prompt that only shows up once the program is given
    // its answer is never found here, since nothing is typed meanwhile.
    bool wait_for(std::string_view text, std::chrono::milliseconds timeout = 5s);

    // Types bytes on the keyboard.
    void type(std::string_view keys);

    // Reads until the program ends and returns its exit status (-1 if it
    // was killed or did not end in time).
    int finish(std::chrono::milliseconds timeout = 10s);

    // Everything the terminal showed so far, "\r\n" line ends and echo included.
    const std::string &screen() const { return screen_; }

  private:
    bool read_some(std::chrono::milliseconds timeout);

    pid_t pid_ = -1;
    int fd_ = -1;
    std::string screen_;
    std::size_t matched_ = 0;
};

// The screen's text with "\r\n" turned into "\n", for comparing with output.
std::string without_cr(std::string_view screen);

} // namespace testsupport
