// The end of every program: make sure its output really arrived, and tell
// of input that could not be read.
#pragma once

#include <cerrno>
#include <cstdio>
#include <cstring>

// Exit status for input that could not be read or output that could not be
// written: distinct from every status a program gives on its own.
inline constexpr int io_failure_status = 2;

// Flushes standard output and gives `status` back if all of it was written
// and no read failed. Otherwise it names the program and each reason on
// standard error, the failed read (`read_error`, an errno value, 0 for none)
// first, and gives io_failure_status: a lost input or output is never
// reported as success.
inline int finish_output(const char *program, int status, int read_error = 0) {
    if (read_error != 0) {
        std::fprintf(stderr, "%s: read error: %s\n", program, std::strerror(read_error));
        status = io_failure_status;
    }
    errno = 0;
    if (std::fflush(stdout) == 0 && !std::ferror(stdout))
        return status;
    const int reason = errno != 0 ? errno : EIO;
    std::fprintf(stderr, "%s: write error: %s\n", program, std::strerror(reason));
    return io_failure_status;
}
