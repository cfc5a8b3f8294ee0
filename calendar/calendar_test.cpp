#include "run.h"
#include "stress.h"
#include "terminal.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <random>
#include <string>
#include <vector>

using namespace testsupport;
namespace chr = std::chrono;

namespace {

// The five trace lines of an accepted date, then its result line.
std::string accepted(int length, int day, int month, int year, const std::string &last) {
    char trace[256];
    std::snprintf(trace, sizeof trace,
                  "Länge Monat: %d\nLänge Monat: %d\nTag: %d\nMonat: %d\nJahr: %d\n", length,
                  length, day, month, year);
    return trace + last + "\n";
}

RunResult daycalc(const std::vector<std::string> &args) {
    return run("daycalc", args);
}

std::string last_line(const std::string &out) {
    std::size_t end = out.size() - (out.ends_with('\n') ? 1 : 0);
    std::size_t start = out.rfind('\n', end - 1);
    return out.substr(start == std::string::npos ? 0 : start + 1, end - (start + 1));
}

struct AcceptedCase {
    std::vector<std::string> args;
    std::string output;
};

TEST(Daycalc, AcceptedDatesPrintTraceAndWeekday) {
    const AcceptedCase cases[] = {
        {{"2024-02-29"}, accepted(29, 29, 2, 2024, "2024-02-29 is a Thu")},
        {{"2023-03-01"}, accepted(31, 1, 3, 2023, "2023-03-01 is a Wed")},
        {{"2000-01-01"}, accepted(31, 1, 1, 2000, "2000-01-01 is a Sat")},
        {{"2000-02-29"}, accepted(29, 29, 2, 2000, "2000-02-29 is a Tue")},
        {{"2024-2-5"}, accepted(29, 5, 2, 2024, "2024-02-05 is a Mon")},
        {{"9999-12-31"}, accepted(31, 31, 12, 9999, "9999-12-31 is a Fri")},
        {{"1582-10-04"}, accepted(31, 4, 10, 1582, "1582-10-04 is a Mon")},
        // Before March of year 0 the truncating divisions leave the calendar.
        {{"0-1-1"}, accepted(31, 1, 1, 0, "0000-01-01 is a Sun")},
        {{"-1-3-1"}, accepted(31, 1, 3, -1, "-001-03-01 is a Tue")},
        {{"-4-02-29"}, accepted(29, 29, 2, -4, "-004-02-29 is a Fri")},
        // The scan: blanks before each number, signs, trailing text, extra arguments.
        {{" 2024- 2-\t29"}, accepted(29, 29, 2, 2024, "2024-02-29 is a Thu")},
        {{"+2024-+02-+29"}, accepted(29, 29, 2, 2024, "2024-02-29 is a Thu")},
        {{"2024-02-29x"}, accepted(29, 29, 2, 2024, "2024-02-29 is a Thu")},
        {{"2024-02-29 12:00"}, accepted(29, 29, 2, 2024, "2024-02-29 is a Thu")},
        {{"2024-02-29", "1999-01-01"}, accepted(29, 29, 2, 2024, "2024-02-29 is a Thu")},
        {{"0002024-0002-0029"}, accepted(29, 29, 2, 2024, "2024-02-29 is a Thu")},
        // The ends of the int range: year - 1 wraps around for January and
        // February of the smallest year, and must do so without overflow.
        {{"2147483647-12-31"}, accepted(31, 31, 12, 2147483647, "2147483647-12-31 is a Tue")},
        {{"-2147483648-01-01"}, accepted(31, 1, 1, -2147483648, "-2147483648-01-01 is a Wed")},
        {{"-2147483648-02-29"}, accepted(29, 29, 2, -2147483648, "-2147483648-02-29 is a Sat")},
        {{"-2147483648-03-01"}, accepted(31, 1, 3, -2147483648, "-2147483648-03-01 is a Sat")},
    };
    for (const AcceptedCase &c : cases) {
        RunResult r = daycalc(c.args);
        EXPECT_EQ(r.out, c.output) << c.args[0];
        EXPECT_EQ(r.status, 0) << c.args[0] << ": " << describe(r);
        EXPECT_EQ(r.err, "") << c.args[0];
    }
}

TEST(Daycalc, RejectedDatesPrintOnlyFehler) {
    const std::vector<std::vector<std::string>> cases = {
        {},
        {""},
        {"abc"},
        {"2024/02/29"},
        {"2024.02.29"},
        {"2024 -02-29"},
        {"2024-02"},
        {"2024-02-"},
        {"-"},
        {"2024-+-2-5"},
        // Past the month's end.
        {"2023-02-29"},
        {"1900-02-29"},
        {"-100-02-29"},
        {"2024-04-31"},
        {"2024-01-32"},
        // Below the first day, and months that have no days.
        {"2024-01-00"},
        {"2024-01--1"},
        {"2024-00-00"},
        {"2024-13-01"},
        {"2024-13-00"},
        {"2024--1-0"},
        // Numbers that an int cannot hold are refused, not cut down: 4294967298
        // would otherwise arrive as 2, and 4294967297 as 1.
        {"2024-4294967298-1"},
        {"2024-02-4294967297"},
        {"4294969320-02-29"},
        {"2147483648-01-01"},
        {"-2147483649-03-01"},
        {"99999999999999999999999-01-01"},
        // Past 64 bits too: a C library may saturate, wrap round or negate
        // such a number, and the program must not depend on which.
        {"99999999999999999999-1-1"},
        {"2024-2--18446744073709551615"},
        {"2024-18446744073709551617-1"},
    };
    for (const auto &args : cases) {
        RunResult r = daycalc(args);
        const std::string label = args.empty() ? "(no argument)" : args[0];
        EXPECT_EQ(r.out, "Fehler\n") << label;
        EXPECT_EQ(r.status, 1) << label << ": " << describe(r);
        EXPECT_EQ(r.err, "") << label;
    }
}

// Every date of the Gregorian calendar in years 1 to 9999 gets its weekday
// from an independent calendar; a broad sample checks that.
TEST(Daycalc, WeekdayAgreesWithGregorianCalendar) {
    std::vector<chr::year_month_day> dates;
    for (int y : {1, 4, 99, 100, 101, 399, 400, 1582, 1600, 1700, 1899, 1900, 2000, 2024, 9999})
        for (unsigned m = 1; m <= 12; ++m) {
            dates.push_back(chr::year(y) / chr::month(m) / 1);
            dates.push_back(chr::year_month_day(chr::year(y) / chr::month(m) / chr::last));
        }
    std::mt19937 random(20240229);
    const chr::sys_days first = chr::year(1) / 1 / 1, last = chr::year(9999) / 12 / 31;
    std::uniform_int_distribution<std::int64_t> day(first.time_since_epoch().count(),
                                                    last.time_since_epoch().count());
    for (int i = 0; i < 800; ++i)
        dates.emplace_back(chr::sys_days(chr::days(day(random))));

    constexpr const char *names[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    for (const chr::year_month_day &ymd : dates) {
        char arg[32], expected[64];
        const int y = int(ymd.year()), m = int(unsigned(ymd.month())), d = int(unsigned(ymd.day()));
        std::snprintf(arg, sizeof arg, "%d-%d-%d", y, m, d);
        std::snprintf(expected, sizeof expected, "%04d-%02d-%02d is a %s", y, m, d,
                      names[chr::weekday(ymd).c_encoding()]);
        RunResult r = daycalc({arg});
        ASSERT_EQ(r.status, 0) << arg << ": " << describe(r);
        EXPECT_EQ(last_line(r.out), expected);
    }
}

// The name table's range check must survive release builds.
TEST(Daycalc, KeepsRangeCheckInTheBuild) {
    std::ifstream file(program("daycalc"), std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(file), {}};
    EXPECT_NE(bytes.find("!\"day is out-of-range\""), std::string::npos);
}

std::string monthlen_output(const std::string &month, const std::string &year, const char *leap,
                            const std::string &days) {
    return "Enter Monat :Enter Jahr :Monat: " + month + ", Jahr: " + year + " \n" + year + " ist " +
           leap + " Schaltjahr\nDer Monat " + (month.size() < 2 ? "0" + month : month) + "-" +
           year + " hat " + days + " Tage.\n";
}

struct MonthlenCase {
    std::string input;
    std::string month, year;
    const char *leap;
    std::string days;
};

TEST(Monthlen, AnswersBoundsAndBadInput) {
    const MonthlenCase cases[] = {
        {"2\n2024\n", "2", "2024", "ein", "29"},
        {"2\n2023\n", "2", "2023", "kein", "28"},
        {"2\n1900\n", "2", "1900", "kein", "28"},
        {"2\n1600\n", "2", "1600", "ein", "29"},
        {"4\n2023\n", "4", "2023", "kein", "30"},
        // The bounds are inclusive.
        {"1\n1600\n", "1", "1600", "ein", "31"},
        {"12\n9999\n", "12", "9999", "kein", "31"},
        {"0\n1599\n", "0", "0", "ein", "0"},
        {"13\n10000\n", "0", "0", "ein", "0"},
        {"13\n2024\n", "0", "2024", "ein", "0"},
        {"2\n1500\n", "2", "0", "ein", "29"},
        {"-2\n-2024\n", "0", "0", "ein", "0"},
        // Layout of the answers: one line, blanks, signs, empty lines.
        {"2 2024\n", "2", "2024", "ein", "29"},
        {"\n\n  +2\n\t2024", "2", "2024", "ein", "29"},
        {"12abc\n", "12", "0", "ein", "31"},
        {"abc\n2\n2024\n", "0", "0", "ein", "0"},
        {"2\nx2024\n", "2", "0", "ein", "29"},
        {"-\n2024\n", "0", "2024", "ein", "0"},
        {"", "0", "0", "ein", "0"},
        {"6", "6", "0", "ein", "30"},
        // Too large for an int: out of bounds, never cut down to a small value
        // (4294967298 would arrive as 2, 4294969320 as 2024).
        {"4294967298\n2024\n", "0", "2024", "ein", "0"},
        {"-4294967294\n2024\n", "0", "2024", "ein", "0"},
        {"2\n4294969320\n", "2", "0", "ein", "29"},
        {"99999999999999999999999 2024\n", "0", "2024", "ein", "0"},
        {"-18446744073709551615\n2024\n", "0", "2024", "ein", "0"},
        {"2\n18446744073709553640\n", "2", "0", "ein", "29"},
    };
    for (const MonthlenCase &c : cases) {
        RunResult r = run_with_input("monthlen", c.input);
        EXPECT_EQ(r.out, monthlen_output(c.month, c.year, c.leap, c.days)) << c.input;
        EXPECT_EQ(r.status, 0) << c.input << ": " << describe(r);
    }
}

// Both programs against the independent calendar, and so against each other:
// month lengths and the leap-year verdict around every century rule.
TEST(Calendar, ProgramsAgreeOnMonthLengths) {
    for (int y : {1600, 1700, 1800, 1900, 2000, 2001, 2004, 2023, 2024, 2100, 2400, 9996, 9999}) {
        for (unsigned m = 1; m <= 12; ++m) {
            const int days = int(
                unsigned(chr::year_month_day_last(chr::year(y) / chr::month(m) / chr::last).day()));
            const bool leap = chr::year(y).is_leap();
            const std::string ys = std::to_string(y), ms = std::to_string(m);

            RunResult monthlen = run_with_input("monthlen", ms + "\n" + ys + "\n");
            EXPECT_EQ(monthlen.out,
                      monthlen_output(ms, ys, leap ? "ein" : "kein", std::to_string(days)));

            RunResult day = daycalc({ys + "-" + ms + "-1"});
            EXPECT_EQ(day.out.substr(0, day.out.find('\n')), "Länge Monat: " + std::to_string(days))
                << ys << "-" << ms;
            EXPECT_EQ(daycalc({ys + "-" + ms + "-" + std::to_string(days + 1)}).status, 1);
        }
    }
}

// At a terminal each prompt is on the screen before the program waits, and
// the answer is typed on the prompt's line.
TEST(Monthlen, PromptsShowBeforeTheAnswers) {
    Terminal term("monthlen");
    ASSERT_TRUE(term.wait_for("Enter Monat :")) << term.screen();
    term.type("2\n");
    ASSERT_TRUE(term.wait_for("Enter Jahr :")) << term.screen();
    term.type("2024\n");
    EXPECT_EQ(term.finish(), 0);
    EXPECT_EQ(without_cr(term.screen()), "Enter Monat :2\nEnter Jahr :2024\n"
                                         "Monat: 2, Jahr: 2024 \n2024 ist ein Schaltjahr\n"
                                         "Der Monat 02-2024 hat 29 Tage.\n");
}

TEST(Monthlen, LettersAtTheTerminalFailBothReads) {
    Terminal term("monthlen");
    ASSERT_TRUE(term.wait_for("Enter Monat :")) << term.screen();
    term.type("abc\n");
    EXPECT_EQ(term.finish(), 0);
    EXPECT_EQ(without_cr(term.screen()), "Enter Monat :abc\nEnter Jahr :Monat: 0, Jahr: 0 \n"
                                         "0 ist ein Schaltjahr\nDer Monat 00-0 hat 0 Tage.\n");
}

TEST(Monthlen, StaysSoundOnHostileInput) {
    stress(1600, 400, [](Random &random) {
        const std::string input = hostile_input(random, {"2", "12", "1600", "2024", "9999"});
        RunResult r = run_with_input("monthlen", input);
        expect_clean_end(r, 0, input);
        EXPECT_TRUE(r.out.starts_with("Enter Monat :Enter Jahr :Monat: ")) << r.out;
    });
}

TEST(Daycalc, StaysSoundOnHostileArguments) {
    stress(2024, 400, [](Random &random) {
        std::string arg = hostile_piece(random, {"2024", "-", "02", "29"});
        while (random() % 4 != 0)
            arg += hostile_piece(random, {"-", "-", "1", "12", "31"});
        if (const std::size_t nul = arg.find('\0'); nul != std::string::npos)
            arg.resize(nul);                                   // an argument ends at its first NUL
        arg.resize(std::min<std::size_t>(arg.size(), 100000)); // the kernel's limit is 128 KiB
        RunResult r = daycalc({arg});
        expect_clean_end(r, r.status == 1 ? 1 : 0, arg);
        if (r.status == 1)
            EXPECT_EQ(r.out, "Fehler\n") << arg;
        else
            EXPECT_NE(r.out.find(" is a "), std::string::npos) << arg;
    });
}

} // namespace
