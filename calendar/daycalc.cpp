// daycalc: the weekday of a date given as YEAR-MONTH-DAY on the command line.

// The range check of print_weekday guards the name table in every build,
// release builds included.
#undef NDEBUG
#include "common/input.h"
#include "common/output.h"

#include <cassert>
#include <cstdint>
#include <cstdio>

struct date {
    int year;
    int month;
    int day;
};

int is_leap_year(date d) {
    if (d.year % 400 == 0)
        return 1;
    if (d.year % 100 == 0)
        return 0;
    return d.year % 4 == 0 ? 1 : 0;
}

// Days of each month in a common year; February is the one that varies.
constexpr int month_lengths[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};

int get_month_length(date d) {
    if (d.month < 1 || d.month > 12)
        return 0;
    if (d.month == 2)
        return is_leap_year(d) ? 29 : 28;
    return month_lengths[d.month - 1];
}

// A day below 1 is rejected like a day past the month's end; with it every
// month outside 1..12, whose length is 0.
int is_valid_date(date d) {
    const int n = get_month_length(d);
    if (n < d.day || d.day < 1)
        return 0;
    std::printf("Länge Monat: %d\n", get_month_length(d));
    std::printf("Länge Monat: %d\n", n);
    std::printf("Tag: %d\n", d.day);
    std::printf("Monat: %d\n", d.month);
    std::printf("Jahr: %d\n", d.year);
    return 1;
}

// Sums and differences wrap around modulo 2^32, as two's-complement hardware
// does, without the undefined behaviour of signed overflow.
constexpr int add32(int a, int b) {
    return static_cast<int>(static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b));
}
constexpr int sub32(int a, int b) {
    return static_cast<int>(static_cast<std::uint32_t>(a) - static_cast<std::uint32_t>(b));
}

// Zeller's congruence with March as the first month, on truncating division.
constexpr int calculate_weekday(date d) {
    const int m = add32(d.month, 9) % 12 + 1;
    const int y = d.month <= 2 ? sub32(d.year, 1) : d.year;
    const int yy = y % 100;
    const int cc = y / 100;
    const int t = (13 * m - 1) / 5;
    const int s = sub32(add32(add32(add32(add32(d.day, t), yy), yy / 4), cc / 4), 2 * cc);
    const int w = s % 7;
    return (w + 7) % 7;
}

static_assert(calculate_weekday({2024, 2, 29}) == 4);
static_assert(calculate_weekday({2023, 3, 1}) == 3);
static_assert(calculate_weekday({2000, 1, 1}) == 6);

void print_weekday(int day) {
    constexpr const char *names[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    if (day < 0 || day > 6) {
#ifdef __clang__
#pragma clang diagnostic ignored "-Wstring-conversion" // the literal is the report's text
#endif
        assert(!"day is out-of-range");
    } else {
        std::fputs(names[day], stdout);
    }
}

constexpr bool fits_int(long long n) {
    return n >= INT32_MIN && n <= INT32_MAX;
}

// Reads "%d-%d-%d": three numbers, each joined to the next by a hyphen right
// after its last digit. A number that does not fit an int is refused instead
// of kept as whatever part of it a conversion would store.
int scan_date(const char *text, date *d) {
    text_input in{text};
    int numbers[3] = {};
    for (int i = 0; i < 3; ++i) {
        if (i > 0 && next_char(in) != '-')
            return 0;
        const scanned_integer n = scan_integer(in);
        if (!n.found || !fits_int(n.value))
            return 0;
        numbers[i] = static_cast<int>(n.value);
    }
    *d = {numbers[0], numbers[1], numbers[2]};
    return 1;
}

int main(int argc, char **argv) {
    choose_output_buffering();
    date d{};
    if (argc < 2 || !scan_date(argv[1], &d) || !is_valid_date(d)) {
        std::puts("Fehler");
        return finish_output("daycalc", 1);
    }
    std::printf("%04d-%02d-%02d is a ", d.year, d.month, d.day);
    print_weekday(calculate_weekday(d));
    std::putchar('\n');
    return finish_output("daycalc", 0);
}
