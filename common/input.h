// Standard input as the interactive programs read it: a read that fails ends
// the input, as the end of file does, and its reason is kept for the end.
#pragma once

#include <cerrno>
#include <cstdarg>
#include <cstdio>

// Nothing is read after a failed read. The C library would ask the device
// again, and a device that failed once may still deliver bytes, which an
// input that really ended never does; so the failure is the end, for good.
[[gnu::format(scanf, 1, 2)]] inline int scan_input(const char *format, ...) {
    if (std::ferror(stdin))
        return EOF;
    va_list targets;
    va_start(targets, format);
    const int converted = std::vscanf(format, targets);
    va_end(targets);
    return converted;
}

inline int read_char() {
    return std::ferror(stdin) ? EOF : std::getchar();
}

// Marks a read that failed without leaving its reason in errno.
inline constexpr int unknown_read_error = -1;

// The first read that failed: `seen` if an earlier read failed already,
// else, if the read just made failed, its errno (unknown_read_error if it
// left none), else 0. Called right after a read, before any other call can
// change errno.
inline int first_read_error(int seen) {
    if (seen != 0 || !std::ferror(stdin))
        return seen;
    return errno != 0 ? errno : unknown_read_error;
}
