#include "run.h"
#include "stress.h"
#include "terminal.h"

#include <bitset>
#include <cstdint>
#include <cstdio>
#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace testsupport;

namespace {

const std::string prompt = "Geben sie die Bit-Operation ein:\n";
const std::string question = "\nMöchten sie weiter machen oder abbrechen? [(n)ext|(q)uit] ";
const std::string goodbye = "Byebye..\n";

std::string binary(std::uint32_t value) {
    const std::string bits = std::bitset<32>(value).to_string();
    return bits.substr(0, 8) + "'" + bits.substr(8, 8) + "'" + bits.substr(16, 8) + "'" +
           bits.substr(24, 8);
}

struct Expression {
    std::int32_t left;
    char op;
    std::int32_t right;
    std::int32_t result;
};

// One evaluated pass, from its prompt to the continue-or-quit question.
std::string pass(Expression e) {
    const auto u = [](std::int32_t v) { return static_cast<unsigned>(v); };
    const bool known = std::string("&|^<>").find(e.op) != std::string::npos;
    // Sized by what was printed: the operator may be a NUL byte.
    char hex[128], dec[128];
    const int hex_size = std::snprintf(hex, sizeof hex, "\nHex:\n0x%x %c 0x%x\n0x%x\n", u(e.left),
                                       e.op, u(e.right), u(e.result));
    const int dec_size =
        std::snprintf(dec, sizeof dec, "\nDec:\n%d %c %d\n%d\n", e.left, e.op, e.right, e.result);
    return prompt + (known ? "" : "ubekannte Operation\n") + "Bin:\n" + binary(u(e.left)) + "\n" +
           binary(u(e.right)) + " " + e.op + "\n" + std::string(35, '-') + "\n" +
           binary(u(e.result)) + "\n" + std::string(hex, std::size_t(hex_size)) +
           std::string(dec, std::size_t(dec_size)) + question;
}

TEST(Bitcalc, WorkedExampleByteForByte) {
    RunResult r = run_with_input("bitcalc", "0x5A ^ 017\nq\n");
    EXPECT_EQ(r.out, "Geben sie die Bit-Operation ein:\n"
                     "Bin:\n"
                     "00000000'00000000'00000000'01011010\n"
                     "00000000'00000000'00000000'00001111 ^\n"
                     "-----------------------------------\n"
                     "00000000'00000000'00000000'01010101\n"
                     "\nHex:\n0x5a ^ 0xf\n0x55\n"
                     "\nDec:\n90 ^ 15\n85\n"
                     "\nMöchten sie weiter machen oder abbrechen? [(n)ext|(q)uit] Byebye..\n");
    EXPECT_EQ(r.status, 0) << describe(r);
}

// What a person sees: each prompt is there before the program waits, and the
// typed expression and answer stand in their places among the 18 lines.
TEST(Bitcalc, TerminalSessionShowsPromptsBeforeWaiting) {
    Terminal term("bitcalc");
    ASSERT_TRUE(term.wait_for(prompt.substr(0, prompt.size() - 1))) << term.screen();
    term.type("0x5A ^ 017\n");
    ASSERT_TRUE(term.wait_for(question.substr(1))) << term.screen();
    term.type("n\n");
    ASSERT_TRUE(term.wait_for(prompt.substr(0, prompt.size() - 1))) << term.screen();
    term.type("-1 < 1\n");
    ASSERT_TRUE(term.wait_for(question.substr(1))) << term.screen();
    term.type("q\n");
    EXPECT_EQ(term.finish(), 0);
    std::string first = pass({90, '^', 15, 85});
    first.insert(prompt.size(), "0x5A ^ 017\n");
    std::string second = pass({-1, '<', 1, 1});
    second.insert(prompt.size(), "-1 < 1\n");
    EXPECT_EQ(without_cr(term.screen()), first + "n\n" + second + "q\n" + goodbye);
}

struct Case {
    std::string input; // one pass's expression, answered by q
    Expression shown;
};

TEST(Bitcalc, ConvertsOperandsAndEvaluates) {
    const Case cases[] = {
        // Bases, chosen by the first two characters only.
        {"0x1F | 0", {31, '|', 0, 31}},
        {"0xff & 0xfF", {255, '&', 255, 255}},
        {"0x0x1F ^ 0x", {31, '^', 0, 31}},
        {"0x0X5 | 0x-0x5", {5, '|', -5, -1}}, // a second prefix, after the sign
        {"0x0x-5 | 0", {0, '|', 0, 0}},
        {"0x-1 & 012", {-1, '&', 10, 10}},
        {"00 | 019", {0, '|', 1, 1}},
        {"42 ^ 123abc", {42, '^', 123, 81}},
        {"0X1F | 08", {0, '|', 0, 0}},
        {"abc | 0", {0, '|', 0, 0}},
        {"+7 & 0xFFFFFFF", {7, '&', 0xFFFFFFF, 7}},
        {"037777777 | 999999999", {037777777, '|', 999999999, 037777777 | 999999999}},
        // Signed values throughout.
        {"-5 & 255", {-5, '&', 255, 251}},
        {"0x-0 | -0", {0, '|', 0, 0}},
        {"0xfffffff ^ -1", {0xfffffff, '^', -1, -268435456}},
        // Comparisons, not shifts, and signed.
        {"1 < 4", {1, '<', 4, 1}},
        {"16 > 2", {16, '>', 2, 1}},
        {"4 < 1", {4, '<', 1, 0}},
        {"7 < 7", {7, '<', 7, 0}},
        {"7 > 7", {7, '>', 7, 0}},
        {"-1 < 1", {-1, '<', 1, 1}},
        {"0x-1 < 1", {-1, '<', 1, 1}},
        {"1 > -999999", {1, '>', -999999, 1}},
        // Unknown operators are reported, give 0 and are displayed as typed.
        {"5 % 3", {5, '%', 3, 0}},
        {"5 n 3", {5, 'n', 3, 0}},
        // Layout: one token up to white space, an operator needing no blank
        // after it, items spread over lines, the rest of the line discarded.
        {"5&3\n| 2", {5, '|', 2, 7}},
        {"5 &3", {5, '&', 3, 1}},
        {"1 << 4", {1, '<', 0, 0}},
        {"\n\t 6\n\n^\n\n3 9 9", {6, '^', 3, 5}},
        {"5\v&\f3", {5, '&', 3, 1}},   // white space of every kind C knows
        {"0-5 | 0", {-5, '|', 0, -5}}, // a sign after the octal zero
        // Longer tokens: the first nine characters count, the rest is dropped.
        {"0x123456789 & 1", {0x1234567, '&', 1, 1}},
        {"12345678901 | 0", {123456789, '|', 0, 123456789}},
        {"-2147483648 | 0", {-21474836, '|', 0, -21474836}},
        {"1 | " + std::string(100, '7'), {1, '|', 777777777, 777777777}},
    };
    for (const Case &c : cases) {
        RunResult r = run_with_input("bitcalc", c.input + "\nq\n");
        EXPECT_EQ(r.out, pass(c.shown) + goodbye) << c.input;
        EXPECT_EQ(r.status, 0) << c.input << ": " << describe(r);
    }
}

TEST(Bitcalc, BytesBeyondTextKeepTheBuffersIntact) {
    const Case cases[] = {
        {std::string(1 << 20, '1') + " & 3", {111111111, '&', 3, 3}},
        {"3 ^ " + std::string(1 << 20, 'x'), {3, '^', 0, 3}},
        {std::string("1\0"
                     "9 | 4",
                     7),
         {1, '|', 4, 5}},
        {std::string("12 \0 4", 6), {12, '\0', 4, 0}},
        {"7 \xff \xc3\xa4", {7, '\xff', 0, 0}},
        {"7 \xc3\xa4 3", {7, '\xc3', 0, 0}}, // of ä, one byte is the operator
    };
    for (const Case &c : cases) {
        const std::string shown = c.input.substr(0, 40);
        RunResult r = run_with_input("bitcalc", c.input + "\nq\n");
        EXPECT_EQ(r.out, pass(c.shown) + goodbye) << shown;
        EXPECT_EQ(r.status, 0) << shown << ": " << describe(r);
    }
}

// A pass that ends before it has all three items reuses what the previous
// pass left; the first pass has nothing to reuse and only asks to go on.
TEST(Bitcalc, CarriesItemsOverBetweenPasses) {
    const std::string one_and_three = pass({1, '&', 3, 1});
    const struct {
        std::string input;
        std::string out;
    } cases[] = {
        {"", prompt + question + goodbye},
        {"\n \n", prompt + question + goodbye},
        {"5", prompt + question + goodbye},
        {"5 &", prompt + question + goodbye},
        {"5 & 3", pass({5, '&', 3, 1}) + goodbye},
        {"1 & 3\nn\n", one_and_three + one_and_three + goodbye},
        {"1 & 3\nn\n7", one_and_three + pass({7, '&', 3, 3}) + goodbye},
        {"1 & 3\nn\n7 |", one_and_three + pass({7, '|', 3, 7}) + goodbye},
        {"1 & 3\nn\n7 | 8\nn 2 ^ 6\nq",
         one_and_three + pass({7, '|', 8, 15}) + pass({2, '^', 6, 4}) + goodbye},
        // The answer's letters after n are the next pass's first token.
        {"1 & 3\nnext\n5 & 3\nq\n", one_and_three + pass({0, '5', 0, 0}) + goodbye},
        {"1 & 3\nn4 > 2\nq\n", one_and_three + pass({4, '>', 2, 1}) + goodbye},
        // Anything but n ends the program, whatever follows it.
        {"1 & 3\nN\n2 | 1\n", one_and_three + goodbye},
        {"1 & 3\n\nn\n", one_and_three + goodbye},
        {"1 & 3\nquit\n", one_and_three + goodbye},
    };
    for (const auto &c : cases) {
        RunResult r = run_with_input("bitcalc", c.input);
        EXPECT_EQ(r.out, c.out) << c.input;
        EXPECT_EQ(r.status, 0) << c.input << ": " << describe(r);
    }
}

TEST(Bitcalc, RunsThousandsOfPassesInOnePipe) {
    std::string input, out;
    for (int i = 0; i < 5000; ++i) {
        input += std::to_string(i) + " ^ 0x" + std::to_string(i % 100) + "\nn\n";
        out += pass({i, '^', i % 100 + (i % 100 / 10) * 6, i ^ (i % 100 + (i % 100 / 10) * 6)});
    }
    RunResult r = run_with_input("bitcalc", input + "-1 > 0\nq\n");
    EXPECT_EQ(r.out, out + pass({-1, '>', 0, 0}) + goodbye);
    EXPECT_EQ(r.status, 0) << describe(r);
}

TEST(Bitcalc, StaysSoundOnHostileInput) {
    const std::vector<std::string> words = {"&", "|",    "^", "<",  ">", "%",   "n",
                                            "n", "next", "q", "0x", "0", "0x7", "017"};
    stress(2001, 400, [&](Random &random) {
        const std::string input = hostile_input(random, words);
        RunResult r = run_with_input("bitcalc", input);
        expect_clean_end(r, 0, input);
        EXPECT_TRUE(r.out.starts_with(prompt)) << r.out.substr(0, 200);
        EXPECT_TRUE(r.out.ends_with(question + goodbye)) << r.out.substr(0, 200);
    });
}

} // namespace
