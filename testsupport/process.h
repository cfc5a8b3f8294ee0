// What the ways of running a program (run.h, terminal.h) share: starting
// it, reading what it prints, ending it in time.
#pragma once

#include <chrono>
#include <string>
#include <sys/types.h>
#include <vector>

namespace testsupport {

using Clock = std::chrono::steady_clock;

// Throws, naming `what` and the reason errno gives.
[[noreturn]] void fail(const std::string &what);

std::chrono::milliseconds time_left(Clock::time_point deadline);

// Starts `command` with the given descriptors as its standard input, output
// and error; -1 leaves that stream closed.
pid_t spawn(const std::vector<std::string> &command, int in, int out, int err);

// Appends what can be read from `fd` now; false once the stream has ended
// (at its end, or EIO on a terminal whose program has closed its side).
bool read_available(int fd, std::string &into);

// Waits for the child until `deadline`; kills it if it has not ended by
// then. Gives the wait status, and sets `timed_out` if it had to kill.
int wait_until(pid_t pid, Clock::time_point deadline, bool &timed_out);

// What the kernel knows of a program while it runs, read from /proc: the
// kernel's state cannot lag behind, as a screen may, nor be guessed from a
// while of silence.

// The name by which /proc shows the open file of descriptor `fd` of this
// process, as "pipe:[4711]"; the same name stands for the pipe's other end.
std::string open_file_name(int fd);

// Whether the child `pid` has ended (it may not have been waited for yet).
bool has_ended(pid_t pid);

// Whether `pid` or one of its descendants sleeps in a read of the open file
// named `file` ("/dev/pts/3", "pipe:[4711]"): it waits for input there, and
// nothing it prints comes before its next input but what it printed so far.
bool asleep_reading(pid_t pid, const std::string &file);

} // namespace testsupport
