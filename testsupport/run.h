// Runs a built program the way a user does: arguments, standard-input bytes,
// and back come standard output, standard error and the exit status.
#pragma once

#include <chrono>
#include <string>
#include <string_view>
#include <vector>

namespace testsupport {

using namespace std::chrono_literals;

// The items of a list such as the build hands the tests (program names,
// manual pages): `text` cut at each `separator`.
std::vector<std::string> split(const std::string &text, char separator = ',');

// Full path of a program in the build tree's bin folder.
std::string program(std::string_view name);

// The command that starts the built program at `path`: the path alone, or in
// a cross build the emulator and its options before it.
std::vector<std::string> program_command(const std::string &path);

// Whether the programs run behind an emulator, as in a cross build.
bool emulated();

// A folder in which a shell finds the suite's programs by their names, as in
// a user's PATH: the build's bin folder, or in a cross build `scratch`, made
// into a folder of small scripts that start each program behind the emulator.
std::string program_folder(const std::vector<std::string> &names, const std::string &scratch);

// What `name` starts with `args`: a bare name is a program of the suite, a
// path a tool of the build machine.
std::vector<std::string> command_line(std::string_view name, const std::vector<std::string> &args);

struct RunOptions {
    std::string input;                       // written to standard input, then closed
    std::chrono::milliseconds timeout = 20s; // the child is killed past it
    std::string stdout_path;                 // when set, standard output goes to this file
    std::string stdin_path;                  // when set, standard input comes from this file
    bool stdin_closed = false;               // the program starts without standard input
    bool stdout_reader_gone = false;         // standard output is a pipe that nobody reads
    std::size_t max_output = 64u << 20;      // the child is killed when it prints more
};

struct RunResult {
    std::string out;
    std::string err;
    int status = -1;         // exit status, when the program exited
    int signal = 0;          // the signal that ended it, else 0
    bool timed_out = false;  // killed because it ran past the timeout
    bool overflowed = false; // killed because it printed more than max_output
};

RunResult run(std::string_view name, const std::vector<std::string> &args,
              const RunOptions &options = {});

// The common case: a program fed the given input, no arguments.
RunResult run_with_input(std::string_view name, std::string input);

// "exited with status 0", "killed by signal 11", "timed out", ... for messages.
std::string describe(const RunResult &result);

} // namespace testsupport
