// Standard input as the interactive programs read it: a read that fails ends
// the input, as the end of file does, and its reason is kept for the end.
#pragma once

#include <cerrno>
#include <climits>
#include <cstdarg>
#include <cstddef>
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

// Where a reader takes its characters from: standard input, or a text in
// storage such as a command-line argument. Either gives one character at a
// time, as an unsigned char or EOF at its end, and takes back the last one.
struct standard_input {};

struct text_input {
    const char *text;
    std::size_t used = 0; // characters taken so far
};

inline int next_char(standard_input) {
    return read_char();
}

inline void unread_char(standard_input, int c) {
    if (c != EOF)
        std::ungetc(c, stdin);
}

inline int next_char(text_input &in) {
    const unsigned char c = static_cast<unsigned char>(in.text[in.used]);
    if (c == '\0')
        return EOF;
    ++in.used;
    return c;
}

inline void unread_char(text_input &in, int c) {
    if (c != EOF)
        --in.used;
}

// White space and digits as the C library's "C" locale has them, whatever
// the library.
constexpr bool is_space(int c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

constexpr bool is_digit(int c) {
    return c >= '0' && c <= '9';
}

// How every number starts: white space skipped, then a sign or none.
struct number_start {
    bool negative;
    int next; // the first character after the sign
};

template <typename Input> number_start read_number_start(Input &in) {
    int c = next_char(in);
    while (is_space(c))
        c = next_char(in);
    const bool negative = c == '-';
    if (c == '-' || c == '+')
        c = next_char(in);
    return {negative, c};
}

struct scanned_integer {
    bool found;      // false: no digits where the number should start
    long long value; // the number, held at the nearest end of the range of long long
};

// Reads a decimal number as the scan "%lld" does on the C library that
// defines what it does with every number: white space skipped, a sign, the
// digits; the character after them stays unread, and a sign without digits
// is used up. A number of any length is read whole and held at the end of
// the range that it passes, so that no conversion is left to a library that
// may give something else for a number too large for it.
template <typename Input> scanned_integer scan_integer(Input &in) {
    const auto [negative, first] = read_number_start(in);
    int c = first;
    if (!is_digit(c)) {
        unread_char(in, c);
        return {false, 0};
    }
    const unsigned long long limit =
        negative ? 0ull - static_cast<unsigned long long>(LLONG_MIN) : LLONG_MAX;
    unsigned long long magnitude = 0;
    for (; is_digit(c); c = next_char(in)) {
        const unsigned digit = static_cast<unsigned>(c - '0');
        magnitude = magnitude > (limit - digit) / 10 ? limit : magnitude * 10 + digit;
    }
    unread_char(in, c);
    return {true, static_cast<long long>(negative ? 0ull - magnitude : magnitude)};
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
