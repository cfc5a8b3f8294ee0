// Floating-point numbers read as the scan "%lf" reads them on the C library
// that defines what the programs print, whatever library they run on.
#pragma once

#include "common/input.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>

// Doubles as IEEE 754 has them: an infinity, and NaNs whose sign negation flips.
static_assert(std::numeric_limits<double>::is_iec559);

struct scanned_real {
    bool found;   // false: the text read was no number
    double value; // the number, rounded to the nearest double; 0.0 when none was found
};

// A number is held as the few leading significant digits that can still
// decide its rounding, a mark for any nonzero digit after them, and where its
// point stands. Every double, and every point halfway between two of them,
// has at most 768 significant decimal digits, and at most 54 bits, which 15
// hexadecimal digits hold however the bits fall into them: a number that
// goes on past the digits kept here lies strictly between the same two of
// those points as the digits kept with one more nonzero digit after them, and
// so rounds alike. Sixteen hexadecimal digits are what 64 bits hold.
inline constexpr std::size_t decimal_digits_kept = 800;
inline constexpr std::size_t hex_digits_kept = 16;

// Where the point stands, and the exponent as written, are held within these
// bounds: far past any exponent that leaves a double neither 0 nor infinite,
// and far enough from the ends of long long that their sum cannot overflow.
inline constexpr long long exponent_bound = std::numeric_limits<long long>::max() / 4;
// The largest decimal exponent that the conversion is given; beyond it, every
// number is 0 or infinite anyway.
inline constexpr long long exponent_written = 99999;

constexpr long long bounded_sum(long long value, long long step) {
    if (step > 0 && value > exponent_bound - step)
        return exponent_bound;
    if (step < 0 && value < -exponent_bound - step)
        return -exponent_bound;
    return value + step;
}

// The digit's value in the base (10 or 16), or -1 for a character that is no
// digit of it.
constexpr int digit_value(int c, int base) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (base == 16 && c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (base == 16 && c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// `c` is the small letter `lower` or its capital.
constexpr bool same_letter(int c, char lower) {
    return c == lower || c == lower - 'a' + 'A';
}

// The digits of a number as read so far: 0.DIGITS times the base (2 for the
// hexadecimal digits, four bits each) to the power `scale`, plus whatever
// nonzero digits went past the ones kept.
struct mantissa {
    int base;
    unsigned char digits[decimal_digits_kept]; // their values
    std::size_t kept;
    bool dropped_nonzero;
    long long scale;
    bool any_digit;
    bool point;
};

inline void add_digit(mantissa &m, int value, bool after_point) {
    const long long step = m.base == 16 ? 4 : 1;
    if (m.kept == 0 && value == 0) {
        // Zeros in front of the first significant digit only move the point.
        if (after_point)
            m.scale = bounded_sum(m.scale, -step);
        return;
    }
    const std::size_t room = m.base == 16 ? hex_digits_kept : decimal_digits_kept;
    if (m.kept < room)
        m.digits[m.kept++] = static_cast<unsigned char>(value);
    else if (value != 0)
        m.dropped_nonzero = true;
    if (!after_point)
        m.scale = bounded_sum(m.scale, step);
}

// Reads digits from `c` on and gives the first character that is none.
template <typename Input> int read_digits(Input &in, int c, mantissa &m, bool after_point) {
    for (int d = digit_value(c, m.base); d >= 0; d = digit_value(c, m.base)) {
        add_digit(m, d, after_point);
        m.any_digit = true;
        c = next_char(in);
    }
    return c;
}

// Reads the digits and the point from `c` on and gives the first character
// that continues neither.
template <typename Input> int read_mantissa(Input &in, int c, mantissa &m) {
    c = read_digits(in, c, m, false);
    if (c != '.')
        return c;
    m.point = true;
    return read_digits(in, next_char(in), m, true);
}

// Reads an exponent's optional sign and its decimal digits from the
// character after its letter on, and leaves the first character after them
// unread. Without digits it is 0, and the letter and the sign stay used up.
template <typename Input> long long read_exponent(Input &in) {
    int c = next_char(in);
    const bool negative = c == '-';
    if (c == '-' || c == '+')
        c = next_char(in);
    long long exponent = 0;
    for (; is_digit(c); c = next_char(in)) {
        const long long digit = c - '0';
        exponent =
            exponent > (exponent_bound - digit) / 10 ? exponent_bound : exponent * 10 + digit;
    }
    unread_char(in, c);
    return negative ? -exponent : exponent;
}

// The magnitude of decimal digits, correctly rounded. The C library's
// conversion is correctly rounded for decimal text on every library, given a
// text short enough; errno stays as the reading left it, whatever the
// conversion sets.
inline double decimal_value(const mantissa &m, long long exponent) {
    char text[decimal_digits_kept + 16];
    std::size_t length = 0;
    text[length++] = '0';
    text[length++] = '.';
    for (std::size_t i = 0; i < m.kept; ++i)
        text[length++] = static_cast<char>('0' + m.digits[i]);
    if (m.dropped_nonzero)
        text[length++] = '1';
    const long long power =
        std::clamp(bounded_sum(m.scale, exponent), -exponent_written, exponent_written);
    std::snprintf(text + length, sizeof text - length, "e%lld", power);
    const int reading_errno = errno;
    const double value = std::strtod(text, nullptr);
    errno = reading_errno;
    return value;
}

// The magnitude of hexadecimal digits, rounded to the nearest double, ties to
// the even one. Not every library's conversion rounds long hexadecimal text
// right where the result is subnormal, so the bits are rounded here.
inline double binary_value(const mantissa &m, long long exponent) {
    std::uint64_t bits = 0;
    for (std::size_t i = 0; i < m.kept; ++i)
        bits = bits << 4 | m.digits[i];
    // The number is bits * 2^power, and a little more if m.dropped_nonzero.
    const long long power =
        bounded_sum(bounded_sum(m.scale, exponent), -4 * static_cast<long long>(m.kept));
    const long long top = static_cast<long long>(std::bit_width(bits)) - 1;
    if (top + power > std::numeric_limits<double>::max_exponent - 1)
        return std::numeric_limits<double>::infinity();
    // The bits below the last that the double holds: past its 53 bits, or
    // below 2^-1074 for a subnormal.
    const long long dropped = std::max(top - 52, -1074 - power);
    std::uint64_t held = 0;
    if (dropped <= 0) {
        held = bits << -dropped;
    } else if (dropped <= 64) {
        const std::uint64_t half = std::uint64_t{1} << (dropped - 1);
        const std::uint64_t rest = bits & ((half << 1) - 1);
        held = dropped == 64 ? 0 : bits >> dropped;
        if (rest > half || (rest == half && (m.dropped_nonzero || held % 2 != 0)))
            ++held;
    }
    // A double's encoding counts on from the subnormals through every
    // exponent, so a carry out of the 53 bits, even into infinity, is right.
    const std::uint64_t lowest_bit = static_cast<std::uint64_t>(power + dropped + 1074);
    return std::bit_cast<double>((lowest_bit << 52) + held);
}

// Matches the rest of a word, in either case. A character that does not fit
// is used up with the word.
template <typename Input> bool read_word(Input &in, const char *rest) {
    for (; *rest != '\0'; ++rest)
        if (!same_letter(next_char(in), *rest))
            return false;
    return true;
}

// Reads a floating-point number as the scan "%lf" does: white space skipped,
// a sign, then decimal digits with a point and an exponent after `e`, or
// hexadecimal ones after `0x` with a binary exponent after `p`, or `inf`,
// `infinity` or `nan` in any case. It reads as far as the text can still
// begin a number, and converts what of that is one: an exponent letter, and
// a sign after it, that no digit follows are used up, and `1e+x` is 1 with
// the `x` unread. A text that cannot go on as a number ends the scan without
// one: the character where that shows stays unread, except inside a word,
// where it is used up (`infin` is no number); a sign alone is used up too.
// `0x.` counts as a number, 0, but no exponent may follow it; and a NaN takes
// nothing in parentheses (`nan(1)` leaves `(1)` unread).
template <typename Input> scanned_real scan_real(Input &in) {
    const auto [negative, first] = read_number_start(in);
    int c = first;
    const double sign = negative ? -1.0 : 1.0;
    if (same_letter(c, 'i')) {
        if (!read_word(in, "nf"))
            return {false, 0.0};
        c = next_char(in);
        if (!same_letter(c, 'i'))
            unread_char(in, c);
        else if (!read_word(in, "nity"))
            return {false, 0.0};
        return {true, sign * std::numeric_limits<double>::infinity()};
    }
    if (same_letter(c, 'n')) {
        if (!read_word(in, "an"))
            return {false, 0.0};
        const double nan = std::numeric_limits<double>::quiet_NaN();
        return {true, negative ? -nan : nan};
    }
    mantissa m{};
    m.base = 10;
    if (c == '0') {
        c = next_char(in);
        if (same_letter(c, 'x')) {
            m.base = 16;
            c = next_char(in);
        } else {
            m.any_digit = true;
        }
    }
    c = read_mantissa(in, c, m);
    const bool found = m.any_digit || (m.base == 16 && m.point);
    if (!found) {
        unread_char(in, c);
        return {false, 0.0};
    }
    long long exponent = 0;
    if (m.any_digit && same_letter(c, m.base == 16 ? 'p' : 'e'))
        exponent = read_exponent(in);
    else
        unread_char(in, c);
    if (m.kept == 0)
        return {true, sign * 0.0};
    return {true, sign * (m.base == 16 ? binary_value(m, exponent) : decimal_value(m, exponent))};
}
