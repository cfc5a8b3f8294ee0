// The end of every program: make sure its output really arrived.
#pragma once

#include <cerrno>
#include <cstdio>
#include <cstring>

// Exit status for output that could not be written (a full disk, a closed
// pipe): distinct from every status a program gives on its own.
inline constexpr int write_failure_status = 2;

// Flushes standard output and gives `status` back if all of it was written;
// otherwise names the program and the reason on standard error and gives
// write_failure_status, so that a lost output is never reported as success.
inline int finish_output(const char *program, int status) {
    errno = 0;
    if (std::fflush(stdout) == 0 && !std::ferror(stdout))
        return status;
    const int reason = errno != 0 ? errno : EIO;
    std::fprintf(stderr, "%s: write error: %s\n", program, std::strerror(reason));
    return write_failure_status;
}
