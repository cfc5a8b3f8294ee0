#include "run.h"
#include "stress.h"
#include "terminal.h"

#include <cstdio>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>
#include <vector>

using namespace testsupport;

namespace {

const std::string prompt = "Enter conversion rate (1.00 BTC -> CHF): ";

// The five rows for the BTC amounts as printed, one for each CHF amount.
std::string table(const std::vector<std::string> &btc) {
    std::string out;
    for (std::size_t i = 0; i < btc.size(); ++i)
        out += std::to_string(200 * (i + 1)) + " CHF     <-->     " + btc[i] + " BTC \n";
    return out;
}

std::string same_in_every_row(const std::string &btc) {
    return table({btc, btc, btc, btc, btc});
}

const std::string at_30000 = table({"0.006667", "0.013333", "0.020000", "0.026667", "0.033333"});
const std::string at_1 =
    table({"200.000000", "400.000000", "600.000000", "800.000000", "1000.000000"});
const std::string at_3 =
    table({"66.666667", "133.333333", "200.000000", "266.666667", "333.333333"});
const std::string infinite = same_in_every_row("inf");
const std::string not_a_number = same_in_every_row("nan");

struct Case {
    std::string input;
    std::string rows; // the five rows, or empty where only the two programs are compared
};

// The prompt, then the rows: no newline between them when the input is piped.
// The fifth row is one character longer, as 1000 has four digits.
TEST(Convtable, BothProgramsPrintTheSameTable) {
    const Case cases[] = {
        {"30000\n", at_30000},
        {"30000", at_30000},
        {"42000.5\n", table({"0.004762", "0.009524", "0.014286", "0.019047", "0.023809"})},
        {"1\n", at_1},
        {"-100\n", table({"-2.000000", "-4.000000", "-6.000000", "-8.000000", "-10.000000"})},
        // The way the number is written.
        {"3e4\n", at_30000},
        {"3E+4\n", at_30000},
        {"300e2", at_30000},
        {"+30000.000\n", at_30000},
        {"0x7530\n", at_30000},
        {" \t\n\n  30000\n", at_30000},
        {"30000abc\n", at_30000},
        {"30000 12\n", at_30000},
        {"30000,5\n", at_30000},
        // No number: the rate stays 0.0, and every amount divided by +0.0 is inf.
        {"", infinite},
        {"\n\n", infinite},
        {"abc\n", infinite},
        {"CHF 30000\n", infinite},
        {"-\n", infinite},
        {".\n", infinite},
        {"0\n", infinite},
        {"0.0\n", infinite},
        {"1e-400\n", infinite},
        {"-0\n", same_in_every_row("-inf")},
        {"-0.0e5\n", same_in_every_row("-inf")},
        {"inf\n", same_in_every_row("0.000000")},
        {"INFINITY\n", same_in_every_row("0.000000")},
        {"-inf\n", same_in_every_row("-0.000000")},
        {"1e400\n", same_in_every_row("0.000000")},
        {"5e-324\n", infinite},
        {"1e-310\n", infinite},
        {"nan\n", not_a_number},
        {"NaN(123)\n", not_a_number},
        {"-nan\n", same_in_every_row("-nan")},
        // Text that only begins a number: the number it begins is the rate,
        // an exponent without digits left out. A word cut short gives none,
        // and hexadecimal text without digits none or, with a point, 0.
        {"1e\n", at_1},
        {"1e-\n", at_1},
        {"1E+\n", at_1},
        {"1.e\n", at_1},
        {"0x1p\n", at_1},
        {"3e\n", at_3},
        {"3e+x\n", at_3},
        {"0x1.8p\n", table({"133.333333", "266.666667", "400.000000", "533.333333", "666.666667"})},
        {".5e\n", table({"400.000000", "800.000000", "1200.000000", "1600.000000", "2000.000000"})},
        {"nan(\n", not_a_number},
        {"nan(x\n", not_a_number},
        {"infin\n", infinite},
        {"infinit\n", infinite},
        {"in\n", infinite},
        {"0x\n", infinite},
        {"0x.p1\n", infinite},
        {"-0x.p1\n", same_in_every_row("-inf")},
        {"\xff\x80\n", infinite},
        // A number longer than any buffer, its digits far from its point.
        {"3" + std::string(100000, '0') + "e-99996\n", at_30000},
        {"0." + std::string(100000, '0') + "3e100005\n", at_30000},
        // Rows too long to spell out: the two programs only have to agree.
        {"1e-300\n", {}},
    };
    for (const Case &c : cases) {
        RunResult plain = run_with_input("convtable", c.input);
        RunResult counted = run_with_input("convtable_n", c.input);
        EXPECT_EQ(plain.status, 0) << c.input << ": " << describe(plain);
        EXPECT_EQ(counted.status, 0) << c.input << ": " << describe(counted);
        EXPECT_EQ(plain.err, "") << c.input;
        EXPECT_EQ(counted.err, "") << c.input;
        EXPECT_EQ(counted.out, plain.out) << c.input;
        if (!c.rows.empty())
            EXPECT_EQ(plain.out, prompt + c.rows) << c.input;
        else
            EXPECT_TRUE(plain.out.starts_with(prompt + "200 CHF     <-->     ")) << plain.out;
    }
}

// From a file the program takes the number and what began to look like more
// of it, a character used up where a word went wrong, and leaves the rest to
// the next program.
TEST(Convtable, LeavesTheRestOfAFileUnread) {
    const struct {
        std::string input;
        std::string rest;
    } cases[] = {
        {"30000\nnext line\n", "\nnext line\n"},
        {"3e+xREST", "xREST"},
        {"1e5.3\n", ".3\n"},
        {"0x1.8p-q", "q"},
        {"0x.p1", "p1"},
        {"0xg", "g"},
        {"-nanQ", "Q"},
        {"nan(x)", "(x)"},
        {"infinity!", "!"},
        {"infinZZ", "Z"},
        {"+-1", "-1"},
        {"- 1", " 1"},
        {".e", "e"},
        {"3" + std::string(100000, '0') + "e-99996 rest", " rest"},
    };
    const std::string path = ::testing::TempDir() + "convtable_rates." + std::to_string(getpid());
    for (const char *name : {"convtable", "convtable_n"}) {
        std::vector<std::string> args = {"-c", "\"$@\"; exec cat", "sh"};
        for (const std::string &word : program_command(program(name)))
            args.push_back(word);
        for (const auto &c : cases) {
            std::ofstream(path, std::ios::binary) << c.input;
            RunOptions options;
            options.stdin_path = path;
            RunResult result = run("/bin/sh", args, options);
            EXPECT_EQ(result.status, 0) << name << " " << c.rest << ": " << describe(result);
            EXPECT_TRUE(result.out.ends_with(" BTC \n" + c.rest)) << name << ": " << result.out;
        }
    }
    std::remove(path.c_str());
}

// At a terminal the prompt is shown before the program waits, and the rate
// is typed on its line.
TEST(Convtable, PromptShowsBeforeTheAnswer) {
    for (const char *name : {"convtable", "convtable_n"}) {
        Terminal term(name);
        ASSERT_TRUE(term.wait_for(prompt)) << name << ": " << term.screen();
        term.type("30000\n");
        EXPECT_EQ(term.finish(), 0) << name;
        EXPECT_EQ(without_cr(term.screen()), prompt + "30000\n" + at_30000) << name;
    }
}

TEST(Convtable, StaysSoundOnHostileInput) {
    stress(30000, 300, [](Random &random) {
        const std::string input =
            hostile_input(random, {"30000", "3e4", "0.5", "-0", "1e-310", ".", "e", "0x1p3"});
        RunResult plain = run_with_input("convtable", input);
        RunResult counted = run_with_input("convtable_n", input);
        expect_clean_end(plain, 0, input);
        expect_clean_end(counted, 0, input);
        EXPECT_EQ(counted.out, plain.out);
        EXPECT_TRUE(plain.out.ends_with(" BTC \n")) << plain.out;
    });
}

} // namespace
