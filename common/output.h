// The end of every program: make sure its output really arrived, and tell
// of input that could not be read.
#pragma once

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <unistd.h>

// Standard output buffered as the program chooses, not as its C library
// would: by line on a terminal, fully and in large blocks elsewhere. Left to
// itself, a library may write the first line before it has found out that
// the output is no terminal, and a failed write there leaves nothing for the
// end to tell. Called before anything is written. The buffer is static,
// because the stream outlives every function that writes to it.
inline void choose_output_buffering() {
    static char buffer[1 << 16];
    std::setvbuf(stdout, buffer, isatty(STDOUT_FILENO) ? _IOLBF : _IOFBF, sizeof buffer);
}

// Exit status for input that could not be read or output that could not be
// written: distinct from every status a program gives on its own.
inline constexpr int io_failure_status = 2;

// One line on standard error: the program, what failed and, where it is
// known, why (`reason`, an errno value; 0 or less for a reason not known).
// A reason that did not happen is worse than none.
inline void report_failure(const char *program, const char *what, int reason) {
    if (reason > 0)
        std::fprintf(stderr, "%s: %s error: %s\n", program, what, std::strerror(reason));
    else
        std::fprintf(stderr, "%s: %s error\n", program, what);
}

// Flushes standard output and gives `status` back if all of it was written
// and no read failed. Otherwise, after the last output, it reports each
// failure on standard error, the failed read (`read_error`: 0 for none, else
// as first_read_error gives it) first, and gives io_failure_status: a lost
// input or output is never reported as success.
//
// Output lost in mid-run leaves only the stream's error flag behind: the
// errno of the write that failed is gone by the end, so such a loss is
// reported without a reason unless the final flush fails too and gives its
// own.
inline int finish_output(const char *program, int status, int read_error = 0) {
    errno = 0;
    const bool flushed = std::fflush(stdout) == 0;
    const int write_error = flushed ? 0 : errno;
    const bool written = flushed && !std::ferror(stdout);
    if (read_error != 0)
        report_failure(program, "read", read_error);
    if (!written)
        report_failure(program, "write", write_error);
    return read_error != 0 || !written ? io_failure_status : status;
}
