// Runs a program as a person does, answer by answer: on a pseudo-terminal,
// to see what the person sees (prompts before the program waits, the echo of
// what is typed, colours), or through pipes, as in `program | tee log`.
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <vector>

namespace testsupport {

using namespace std::chrono_literals;

// What both ways share: the output read so far, answers typed, the end.
class Session {
  public:
    virtual ~Session();
    Session(const Session &) = delete;
    Session &operator=(const Session &) = delete;

    // Waits until the text appears after what earlier waits matched; true if
    // it did in time. A prompt that only shows up once the program is given
    // its answer is never found here, since nothing is typed meanwhile.
    bool wait_for(std::string_view text, std::chrono::milliseconds timeout = 5s);

    // Waits until `shows` holds for everything on the screen; true if it did
    // in time.
    bool wait_for_screen(const std::function<bool(const std::string &screen)> &shows,
                         std::chrono::milliseconds timeout = 5s);

    // Waits until the program waits for input: all that was typed has been
    // read, and one of its processes sleeps in a read of the keyboard, so
    // that what it prints before its next input is all on its way. Reads
    // the screen meanwhile, unless `read_screen` is false (for a pipe that is
    // to fill). False if the program ended first, or did not wait in time.
    bool wait_until_reading(std::chrono::milliseconds timeout = 5s, bool read_screen = true);

    // Types bytes on the keyboard.
    void type(std::string_view keys);

    // Reads until the program ends and returns its exit status; -1 if it was
    // killed, or did not end in time (timed_out() then tells).
    int finish(std::chrono::milliseconds timeout = 10s);
    bool timed_out() const { return timed_out_; }

    // Everything the program showed so far.
    const std::string &screen() const { return screen_; }

  protected:
    Session() = default;
    // Reads what arrives within the timeout; false if nothing did.
    bool read_some(std::chrono::milliseconds timeout);
    // How many typed bytes wait to be read by the program.
    virtual int unread_keys() const = 0;

    pid_t pid_ = -1;
    int in_ = -1;          // the keyboard
    int out_ = -1;         // the screen; the same descriptor as in_ on a terminal
    int err_ = -1;         // standard error, when it is a pipe of its own
    std::string keyboard_; // the program's input, by the name /proc gives it
    std::string screen_;
    std::string errors_;
    std::size_t matched_ = 0;
    bool timed_out_ = false;
};

struct TerminalOptions {
    // When not zero, the program stands still for this long after every
    // line end that it prints (see pacing.h).
    std::chrono::milliseconds pause_at_line_ends{0};
};

// On a pseudo-terminal: the screen holds "\r\n" line ends and the echo, and
// standard error is shown on it too.
class Terminal : public Session {
  public:
    Terminal(std::string_view name, const std::vector<std::string> &args = {},
             const TerminalOptions &options = {});

  private:
    int unread_keys() const override;
};

// Through pipes: the screen is standard output alone; standard error is
// kept apart.
class Piped : public Session {
  public:
    struct Options {
        std::string waiting;             // already in the input pipe at the start
        bool nonblocking_input = false;  // a read of the empty pipe fails at once
        bool nonblocking_output = false; // a write to the full pipe fails at once
    };
    Piped(std::string_view name, const Options &options);

    // Reads all that the output pipe holds now; what the program wrote
    // before it waits for input is all there.
    void drain();

    const std::string &errors() const { return errors_; }

  private:
    int unread_keys() const override;
};

// The screen's text with "\r\n" turned into "\n", for comparing with output.
std::string without_cr(std::string_view screen);

} // namespace testsupport
