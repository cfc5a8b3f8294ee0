#include "run.h"
#include "stress.h"
#include "terminal.h"

#include <gtest/gtest.h>
#include <string>
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
const std::string infinite = same_in_every_row("inf");

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
        {"1\n", table({"200.000000", "400.000000", "600.000000", "800.000000", "1000.000000"})},
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
        {"nan\n", same_in_every_row("nan")},
        {"NaN(123)\n", same_in_every_row("nan")},
        // What the scan makes of these is the C library's affair; the two
        // programs only have to agree.
        {"1e-300\n", {}},
        {"5e-324\n", {}},
        {"-nan\n", {}},
        {"3e\n", {}},
        {"3e+x\n", {}},
        {"0x\n", {}},
        {"in\n", {}},
        {"\xff\x80\n", {}},
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
    stress(30000, 300, 5s, [](Random &random) {
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
