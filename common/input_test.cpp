// The project's readers against the C library's own scan: what glibc's
// "%lf" and "%lld" make of a text is what the programs print, so the readers
// must find the same number, with its sign, and leave the same characters
// unread.
#include "common/input.h"
#include "common/real.h"
#include "stress.h"

#include <bit>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace testsupport;

namespace {

template <typename T> struct Reading {
    bool found;
    T value;
    std::string unread;
};

// What the C library's scan with `format` (one conversion into T) finds in
// `text`, and what it leaves of it.
template <typename T> Reading<T> library_scan(const std::string &text, const char *format) {
    std::string copy = text;
    std::FILE *stream = fmemopen(copy.data(), copy.size(), "r");
    if (stream == nullptr) {
        ADD_FAILURE() << "fmemopen failed";
        return {};
    }
    T value{};
    const bool found = std::fscanf(stream, format, &value) == 1;
    std::string unread;
    for (int c = std::fgetc(stream); c != EOF; c = std::fgetc(stream))
        unread += static_cast<char>(c);
    std::fclose(stream);
    return {found, found ? value : T{}, unread};
}

Reading<double> project_real(const std::string &text) {
    text_input in{text.c_str()};
    const scanned_real number = scan_real(in);
    return {number.found, number.value, text.substr(in.used)};
}

// A short form of a text for messages: a million digits say little.
std::string shown(const std::string &text) {
    return text.size() <= 80 ? text
                             : text.substr(0, 40) + "...(" + std::to_string(text.size()) +
                                   " characters)..." + text.substr(text.size() - 30);
}

// The same double to the bit, or NaN for NaN, the sign alike.
bool same_number(double a, double b) {
    if (std::isnan(a) || std::isnan(b))
        return std::isnan(a) && std::isnan(b) && std::signbit(a) == std::signbit(b);
    return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
}

void expect_real_as_library(const std::string &text) {
    const Reading<double> expected = library_scan<double>(text, "%lf");
    const Reading<double> got = project_real(text);
    EXPECT_EQ(got.found, expected.found) << shown(text);
    EXPECT_TRUE(same_number(got.value, expected.value))
        << shown(text) << ": " << got.value << " (" << std::hexfloat << got.value
        << "), the library " << expected.value;
    EXPECT_EQ(shown(got.unread), shown(expected.unread)) << shown(text);
}

void expect_integer_as_library(const std::string &text) {
    const Reading<long long> expected = library_scan<long long>(text, "%lld");
    text_input in{text.c_str()};
    const scanned_integer got = scan_integer(in);
    EXPECT_EQ(got.found, expected.found) << text;
    if (expected.found) {
        EXPECT_EQ(got.value, expected.value) << text;
    }
    EXPECT_EQ(text.substr(in.used), expected.unread) << text;
}

// The differential tests need the C library whose scan the readers follow.
#ifdef __GLIBC__
#define REQUIRE_REFERENCE_SCAN()
#else
#define REQUIRE_REFERENCE_SCAN() GTEST_SKIP() << "the reference scan is glibc's"
#endif

TEST(RealReader, ReadsWhatTheLibraryScanReads) {
    REQUIRE_REFERENCE_SCAN();
    const char *const cases[] = {
        // Plain numbers, their signs and blanks.
        "", " ", "\n\t\v\f\r 42", "30000", "-100", "+.5", "-0", "+0", "-0.0e5", "1.", ".5", "00012",
        "1.2.3", "30000,5", "- 1", "+-1", "-+1", "--1",
        // Text that only begins to be a number.
        ".", "-.", ".e", "-.e", "e", "E5", "1e", "1ex", "3e+x", "1e-", "1E+", "1.e", ".5e", "9e",
        "1e+-3", "1e--", "1e+0x", "1e5.3", "1.5e+07x", "1p3", "0.e5",
        // Hexadecimal numbers.
        "0x7530", "0X1P1", "-0x1p1", "0x1.8p", "0x1.8px", "0x1p", "0x1P+", "0x1p+-", "0x1p-g",
        "0x1p-3", "0x1.8e3", "0x1e+3", "0x1g", "0x1.", "0x1.p3", "0x.8", "0x.1p-1", "0xffp",
        "0x1.8.1", "00x1", ".0x1", "0.x1", "0x-1", "0x+1",
        // Hexadecimal text with no digits.
        "0x", "-0x", "0xg", "-0xg", "0xp1", "0x.", "-0x.", "0x.p1", "-0x.p1", "0x.p", "0x..",
        "0x.g", "0x0.p1",
        // Words, whole, cut short and misspelled.
        "inf", "-inf", "+INF", "InFZ", "infx", "inf(9", "infinity", "-Infinity", "iNfInItY",
        "INFINITYx", "infinityy", "i", "in", "inx", "in fin", "infi", "infin", "infinit", "infinZZ",
        "infiX", "infinitZ", "nan", "NaN", "-nan", "+nan", "-NAN(", "nan(", "nan()", "nan(x",
        "nan(x)", "nan(_a9)", "nan1", "n", "na", "naZZ", "NAz", "n 9",
        // Ranges: overflow, underflow, subnormals, the ends of double.
        "1e308", "1.7976931348623157e308", "1.7976931348623159e308", "1e309", "-1e400", "1e-300",
        "2.2250738585072014e-308", "5e-324", "2.4703282292062327e-324", "2.4703282292062328e-324",
        "1e-400", "-1e-400", "0x1p-1074", "0x1p-1075", "0x1.0000000000000000000000000001p-1075",
        "0x3p-1076", "0x1.fffffffffffffp1023", "0x1.fffffffffffff8p1023", "0x1p1024",
        "1e999999999999", "1e-999999999999", "-1e99999999999999999999999999",
        "1e-99999999999999999999999999", "0e99999999999999999999999999", "0x1p99999999999999999999",
        "0x1p-99999999999999999999", "-0x82a7610da96d44c04a.f7cfaa24ceb9cd26ep-1115",
        // Halfway cases: ties to even, and just off them.
        "9007199254740993", "9007199254740993.0000000000000000000000000001", "9007199254740995",
        "0x1.fffffffffffff8p0", "0x1.fffffffffffff80000000000000000000000000000001p0",
        "0x1.fffffffffffff7fffffffffffffffffffffffffffffffp0", "0x20000000000001",
        "0x20000000000003",
        // Bytes that are no part of any number.
        "\xff\x80", "1\xff"};
    for (const char *text : cases)
        expect_real_as_library(text);
}

// `number` multiplied by `factor`, both in decimal.
std::string times(std::string number, unsigned long long factor) {
    unsigned long long carry = 0;
    for (std::size_t i = number.size(); i-- > 0;) {
        const unsigned long long product =
            static_cast<unsigned long long>(number[i] - '0') * factor + carry;
        number[i] = static_cast<char>('0' + product % 10);
        carry = product / 10;
    }
    for (; carry != 0; carry /= 10)
        number.insert(number.begin(), static_cast<char>('0' + carry % 10));
    return number;
}

// Numbers longer than any buffer: the digits that decide their rounding may
// come anywhere, a million digits on.
TEST(RealReader, RoundsNumbersOfAnyLengthAsTheLibraryScan) {
    REQUIRE_REFERENCE_SCAN();
    const std::string million_zeros(1'000'000, '0');
    // Halfway between the two largest subnormals, a point that goes down to
    // the even one, and between the largest subnormal and the smallest normal
    // double, one that goes up: (2^53 - 3) and (2^53 - 1) times 2^-1075, with
    // 768 significant digits, the most that any such point has. Dropping any
    // digit, or a nonzero digit after them, changes how they round.
    std::string fifths = "1";
    for (int i = 0; i < 1075; ++i)
        fifths = times(fifths, 5);
    std::vector<std::string> cases;
    for (unsigned long long odd : {9007199254740989ull, 9007199254740991ull}) {
        const std::string digits = times(fifths, odd);
        const std::string exact = "0." + std::string(1075 - digits.size(), '0') + digits;
        std::string below = exact;
        below.back() = '4';
        cases.insert(cases.end(),
                     {exact, exact + "000000000000000000001", below + "999999999999999999999",
                      exact + million_zeros + "1", "-" + digits + "e-1075"});
    }
    // Halfway between two doubles, 2^53 + 1 among them: a nonzero digit a
    // million digits on still rounds them up.
    cases.insert(cases.end(), {
                                  "9007199254740993." + million_zeros,
                                  "9007199254740993." + million_zeros + "1",
                                  "9007199254740993" + million_zeros + "e-1000000",
                                  "9007199254740993" + million_zeros + "1e-1000001",
                                  "0x1.00000000000008" + million_zeros + "p0",
                                  "0x1.00000000000008" + million_zeros + "1p0",
                                  "0x1.fffffffffffff8" + million_zeros + "p0",
                                  "0x1.fffffffffffff7" + std::string(1'000'000, 'f') + "p0",
                              });
    // The point far from the digits.
    cases.insert(cases.end(), {
                                  "1" + million_zeros + "e-1000000",
                                  "0." + million_zeros + "1e1000001",
                                  "0." + million_zeros + "1e99999999999999999999",
                                  "-" + million_zeros + "e99999999999999999999",
                                  std::string(1'000'000, '9') + "e-999700",
                                  "0x" + million_zeros + "1p-4000000",
                                  "0x." + million_zeros + "1p4000000",
                                  "0x1" + million_zeros + "p-4000000",
                                  "0x" + std::string(300, 'f') + "p-1200",
                              });
    for (const std::string &text : cases)
        expect_real_as_library(text);
}

// Text made of the pieces of numbers, as the user may type them by mistake.
std::string number_like_text(Random &random) {
    static const std::vector<std::string> pieces = {
        "0",   "1", "5", "9",  "00",  "314159265358979323846",
        "+",   "-", ".", "e",  "E",   "p",
        "P",   "x", "X", "0x", "a",   "f",
        "i",   "n", "t", "y",  "inf", "infinity",
        "nan", "(", ")", " ",  "\n"};
    std::string text;
    for (std::size_t count = 1 + std::size_t(random() % 10); count > 0; --count)
        text += pieces[std::size_t(random() % pieces.size())];
    return text;
}

TEST(RealReader, AgreesWithTheLibraryScanOnRandomText) {
    REQUIRE_REFERENCE_SCAN();
    stress(16, 20000, [](Random &random) { expect_real_as_library(number_like_text(random)); });
}

// Long strings of decimal or hexadecimal digits with an exponent, around the
// limits of double and through the subnormals.
TEST(RealReader, AgreesWithTheLibraryScanOnRandomLongNumbers) {
    REQUIRE_REFERENCE_SCAN();
    stress(17, 6000, [](Random &random) {
        const bool hex = random() % 2 != 0;
        std::string digits;
        const bool long_one = random() % 4 == 0;
        const std::size_t length = 1 + std::size_t(random() % (long_one ? 1500 : 40));
        for (std::size_t i = 0; i < length; ++i)
            digits += "0123456789abcdef"[random() % (hex ? 16 : 10)];
        if (random() % 2)
            digits.insert(std::size_t(random() % (digits.size() + 1)), ".");
        const long long exponent = hex ? static_cast<long long>(random() % 4600) - 3800
                                       : static_cast<long long>(random() % 1400) - 1100;
        expect_real_as_library((random() % 2 ? "-" : "") + std::string(hex ? "0x" : "") + digits +
                               (hex ? "p" : "e") + std::to_string(exponent));
    });
}

// The conversion may report a range error, but the programs take the read's
// failure from errno right after the scan.
TEST(RealReader, LeavesErrnoAsTheReadingLeftIt) {
    for (const char *text : {"1e999", "1e-999", "4e-320", "nan", "x"})
        for (int before : {0, EIO}) {
            errno = before;
            text_input in{text};
            scan_real(in);
            EXPECT_EQ(errno, before) << text;
        }
}

TEST(IntegerReader, ReadsWhatTheLibraryScanReads) {
    REQUIRE_REFERENCE_SCAN();
    const char *const cases[] = {
        "",
        " ",
        "\n\t 42x",
        "-0",
        "+7",
        "-",
        "+",
        "- 1",
        "+-1",
        "--1",
        "-x",
        "0x1f",
        "007",
        "12.5",
        "1e5",
        "9223372036854775807",
        "-9223372036854775808",
        "-9223372036854775807",
    };
    for (const char *text : cases)
        expect_integer_as_library(text);
    stress(18, 20000, [](Random &random) {
        static const std::vector<std::string> pieces = {"0", "7",  "42", "123456789", "+", "-",
                                                        " ", "\n", "x",  ".",         "e", "a"};
        std::string text;
        std::size_t digits_in_a_row = 0;
        for (std::size_t count = 1 + std::size_t(random() % 10); count > 0; --count) {
            const std::string &piece = pieces[std::size_t(random() % pieces.size())];
            digits_in_a_row = is_digit(piece[0]) ? digits_in_a_row + piece.size() : 0;
            if (digits_in_a_row > 18) // past the range of long long, which the scan leaves open
                break;
            text += piece;
        }
        expect_integer_as_library(text);
    });
}

} // namespace
