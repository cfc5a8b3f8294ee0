#include "run.h"
#include "stress.h"
#include "terminal.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace testsupport;

namespace {

const std::string ask_shape = "Geben Sie die gewünschte Form an [OVAL=0 | RECTANGLE=1]:";
const std::string ask_size = "Geben Sie die gewünschte Grösse an:";
const std::string ask_color = "Geben Sie die gewünschte Farb an [RED=0 | GREEN=1 | YELLOW=2]:";
const std::string question = "\nMöchten sie weiter machen oder abbrechen? [(n)ext|(q)uit] ";
const std::string goodbye = "Byebye..\n";

const std::string red = "\033[31m", green = "\033[32m", yellow = "\033[33m", none;

// One pass as it arrives through a pipe: the three prompts, the figure, the
// question.
std::string pass(const std::string &figure) {
    return ask_shape + ask_size + ask_color + figure + question;
}

std::string star(const std::string &color) {
    return color + "*\033[0m";
}

// Rows drawn as '*' and ' ', in the given colour.
std::string rows(const std::vector<std::string> &pattern, const std::string &color) {
    std::string out;
    for (const std::string &row : pattern) {
        for (char cell : row)
            out += cell == '*' ? star(color) : " ";
        out += '\n';
    }
    return out;
}

// The straightforward painter, cell by cell, with the ring test's own
// arithmetic: what the program must print, however it gets there.
std::string reference(int shape, int size, const std::string &color) {
    std::string out;
    const std::string cell = star(color);
    const double r = size / 2.0;
    for (int row = 0; row <= r + r; ++row) {
        for (int col = 0; col <= r + r; ++col) {
            if (shape == 0) {
                const double d = std::sqrt((col - r) * (col - r) + (row - r) * (row - r));
                if (d > r - 0.5 && d < r + 0.5)
                    out += cell;
                else
                    out += ' ';
            } else if (shape == 1) {
                out += cell;
            }
        }
        out += '\n';
    }
    return out;
}

std::string answers(int shape, int size, int color) {
    return std::to_string(shape) + " " + std::to_string(size) + " " + std::to_string(color) + "\n";
}

TEST(Shapes, WorkedRingsByteForByte) {
    RunResult r = run_with_input("shapes", "0\n4\n0\nn\n0\n5\n1\nq\n");
    const std::string size4 = "\x20\033[31m*\033[0m\033[31m*\033[0m\033[31m*\033[0m\x20\n"
                              "\033[31m*\033[0m\x20\x20\x20\033[31m*\033[0m\n"
                              "\033[31m*\033[0m\x20\x20\x20\033[31m*\033[0m\n"
                              "\033[31m*\033[0m\x20\x20\x20\033[31m*\033[0m\n"
                              "\x20\033[31m*\033[0m\033[31m*\033[0m\033[31m*\033[0m\x20\n";
    const std::string size5 =
        rows({" **** ", "**  **", "*    *", "*    *", "**  **", " **** "}, green);
    EXPECT_EQ(r.out, pass(size4) + pass(size5) + goodbye);
    EXPECT_EQ(r.status, 0) << describe(r);
}

TEST(Shapes, SmallFiguresAndOddAnswers) {
    const struct {
        std::string input;
        std::string out;
    } cases[] = {
        {"0 0 0\n", pass(star(red) + "\n") + goodbye},
        {"1 0 2\n", pass(star(yellow) + "\n") + goodbye},
        {"0 1 0\n", pass(rows({"**", "**"}, red)) + goodbye},
        {"0 2 1\n", pass(rows({"***", "* *", "***"}, green)) + goodbye},
        {"0 3 2\n", pass(rows({" ** ", "*  *", "*  *", " ** "}, yellow)) + goodbye},
        {"1 3 1\n", pass(rows({"****", "****", "****", "****"}, green)) + goodbye},
        {"+1\n\n +2\n-0\n", pass(rows({"***", "***", "***"}, red)) + goodbye},
        // Shape codes other than 0 and 1 draw empty lines; negative sizes nothing.
        {"7 3 0\n", pass("\n\n\n\n") + goodbye},
        {"-1 0 0\n", pass("\n") + goodbye},
        {"1 -3 0\n", pass("") + goodbye},
        {"1 -1 0\n", pass("") + goodbye},
        {"1 -2147483648 0\n", pass("") + goodbye},
        {"1 2147483648 0\n", pass("") + goodbye},
        {"1 4294967295 0\n", pass("") + goodbye},
        {"1 4294967294 0\n", pass("") + goodbye},
        // No colour chosen yet: the asterisk carries only the reset.
        {"1 1 9\n", pass(rows({"**", "**"}, none)) + goodbye},
        {"1 1 -1\n", pass(rows({"**", "**"}, none)) + goodbye},
        // Scans that fail keep the last answer; the first pass has -1.
        {"", pass("") + goodbye},
        {"x\n", pass("") + goodbye},
        {"0 3", pass(rows({" ** ", "*  *", "*  *", " ** "}, none)) + goodbye},
        {"1 x 0\n", pass(rows({"**", "**"}, green)) + goodbye},
        {"1 3 1\nn\n0 9\n", pass(rows({"****", "****", "****", "****"}, green)) +
                                pass(reference(0, 9, green)) + goodbye},
        // A sign without digits fails its scan but is used up by it.
        {"1\n+\n2\n", pass(rows({"**", "**"}, yellow)) + goodbye},
        {"-\n3\n0\n", pass("\n\n\n\n") + goodbye},
        // Numbers that their conversion cannot hold arrive as -1, never
        // wrapped round to an ordinary answer.
        {"4294967297 2 0\n", pass("\n\n\n") + goodbye},
        {"-4294967295 2 0\n", pass("\n\n\n") + goodbye},
        {"1 -2147483649 0\n", pass("") + goodbye},
        {"1 4294967296 0\n", pass("") + goodbye},
        {"1 -4294967295 0\n", pass("") + goodbye},
        {"1 99999999999999999999999 0\n", pass("") + goodbye},
        {"1 -18446744073709551615 0\n", pass("") + goodbye},
        {"18446744073709551617 2 0\n", pass("\n\n\n") + goodbye},
        {"1 1 4294967296\n", pass(rows({"**", "**"}, none)) + goodbye},
        {"1 1 4294967298\n", pass(rows({"**", "**"}, none)) + goodbye},
        {"1 1 -4294967295\n", pass(rows({"**", "**"}, none)) + goodbye},
        // The colour stays in force until an answer of 0, 1 or 2 changes it.
        {"1 1 1\nn\n1 0 9\nn\n0 0 2\nq\n", pass(rows({"**", "**"}, green)) +
                                               pass(rows({"*"}, green)) +
                                               pass(rows({"*"}, yellow)) + goodbye},
        // Letters after the n: every scan of the next pass fails on them, so
        // shape, size and colour all take the previous colour answer.
        {"1 2 0\nnext\n",
         pass(rows({"***", "***", "***"}, red)) + pass(star(red) + "\n") + goodbye},
        {"1 1 2\nnx\nq\n", pass(rows({"**", "**"}, yellow)) + pass("\n\n\n") + goodbye},
        {"1 1 2\nn 0 1 0\nq\n",
         pass(rows({"**", "**"}, yellow)) + pass(rows({"**", "**"}, red)) + goodbye},
        // The rest of the figure's line is dropped before the question.
        {"1 0 0 9 9\nn\n1 1 1\nq\n",
         pass(star(red) + "\n") + pass(rows({"**", "**"}, green)) + goodbye},
        // Anything but n ends the program.
        {"1 0 0\nN\n1 0 0\n", pass(star(red) + "\n") + goodbye},
        {"1 0 0\n\nn\n", pass(star(red) + "\n") + goodbye},
    };
    for (const auto &c : cases) {
        RunResult r = run_with_input("shapes", c.input);
        EXPECT_EQ(r.out, c.out) << c.input;
        EXPECT_EQ(r.status, 0) << c.input << ": " << describe(r);
    }
}

// Rings and squares from size 0 to 300, in each colour and in none, and two
// large rings, of odd and even size.
TEST(Shapes, PaintsLikeThePlainPerCellRule) {
    // A colour answer of 9 keeps the empty colour of the start.
    const struct {
        int answer;
        std::string color;
    } colors[] = {{9, none}, {0, red}, {1, green}, {2, yellow}};
    for (const auto &color : colors) {
        std::string input, expected;
        for (int size = 0; size <= 300; ++size) {
            input += answers(0, size, color.answer) + "n\n";
            expected += pass(reference(0, size, color.color));
            // Squares differ only in how often the one cell is repeated.
            if (size <= 100 || size % 10 == 0) {
                input += answers(1, size, color.answer) + "n\n";
                expected += pass(reference(1, size, color.color));
            }
        }
        input[input.size() - 2] = 'q'; // the last pass's answer ends the program
        RunResult r = run_with_input("shapes", input);
        expected += goodbye;
        ASSERT_EQ(r.out.size(), expected.size()) << "colour answer " << color.answer;
        EXPECT_TRUE(r.out == expected) << "colour answer " << color.answer;
        EXPECT_EQ(r.status, 0) << describe(r);
    }
    RunResult r = run_with_input("shapes", "0 1001 1\nn\n0 3000 1\nq\n");
    EXPECT_TRUE(r.out ==
                pass(reference(0, 1001, green)) + pass(reference(0, 3000, green)) + goodbye);
}

// Where the two outputs first part, for a message that fits on a screen.
std::string first_difference(const std::string &out, const std::string &expected) {
    const auto at = std::mismatch(out.begin(), out.end(), expected.begin(), expected.end());
    const auto offset = static_cast<std::size_t>(at.first - out.begin());
    return "sizes " + std::to_string(out.size()) + " and " + std::to_string(expected.size()) +
           ", first difference at byte " + std::to_string(offset) + ": \"" +
           out.substr(offset, 40) + "\" instead of \"" + expected.substr(offset, 40) + "\"";
}

// The painter writes rows from buffers of 2048 blanks (or line ends) and of
// 8192 bytes of asterisks: 819 coloured ones, or 1638 with no colour chosen,
// whose cells are shorter. Each figure here has one cell less than, just as
// many as, or one more than a buffer holds in its longest run.
TEST(Shapes, PaintsRowsAcrossItsBufferCapacities) {
    const struct {
        int size; // the size whose longest run fills the buffer
        std::vector<int> shapes;
        std::vector<int> colors; // colour answers; 9 chooses none
    } capacities[] = {
        {818, {0, 1}, {0}},  // coloured asterisks: size + 1 in a row
        {1637, {0, 1}, {9}}, // asterisks without colour
        {2049, {0}, {9, 2}}, // blanks: a ring's middle rows hold size - 1
        {2047, {7}, {9}},    // line ends: one per row
    };
    for (const auto &capacity : capacities) {
        for (int size = capacity.size - 1; size <= capacity.size + 1; ++size) {
            for (int shape : capacity.shapes) {
                for (int color : capacity.colors) {
                    SCOPED_TRACE(answers(shape, size, color));
                    const std::string &shown = color == 0 ? red : color == 2 ? yellow : none;
                    const std::string expected = pass(reference(shape, size, shown)) + goodbye;
                    RunResult r = run_with_input("shapes", answers(shape, size, color) + "q\n");
                    EXPECT_TRUE(r.out == expected) << first_difference(r.out, expected);
                    EXPECT_EQ(r.status, 0) << describe(r);
                }
            }
        }
    }
}

// A figure reaches the C library in blocks of a megabyte, and a square's
// block holds as many whole rows as fit: 256 rows of 4096 bytes exactly for
// the square of size 818 without colour, 104 of its 1001 rows for the
// coloured one of size 1000. 2000001 line ends take two blocks.
TEST(Shapes, PaintsFiguresAcrossItsOutputBlocks) {
    const struct {
        std::string input;
        std::string figure;
    } cases[] = {
        {answers(1, 818, 9), reference(1, 818, none)},
        {answers(1, 1000, 0), reference(1, 1000, red)},
        {answers(0, 1000, 1), reference(0, 1000, green)},
        {answers(7, 2000000, 0), std::string(2000001, '\n')},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.input);
        const std::string expected = pass(c.figure) + goodbye;
        RunResult r = run_with_input("shapes", c.input + "q\n");
        EXPECT_TRUE(r.out == expected) << first_difference(r.out, expected);
        EXPECT_EQ(r.status, 0) << describe(r);
    }
}

// The largest size has 2^31 rows and columns: the drawing must still end
// after the last of them. An empty-line figure is the one of that size that
// can be drawn in reasonable time.
TEST(Shapes, LargestSizeEnds) {
    RunOptions options;
    options.input = "7 2147483647 0\nq\n";
    options.stdout_path = "/dev/null";
    options.timeout = 120s;
    RunResult r = run("shapes", {}, options);
    EXPECT_EQ(r.status, 0) << describe(r);

    r = run_with_input("shapes", "5 100000 0\nq\n");
    EXPECT_EQ(r.out, pass(std::string(100001, '\n')) + goodbye);
}

// At a terminal each prompt is on the screen before the program waits, and
// the figure arrives with its colour sequences.
TEST(Shapes, TerminalShowsPromptsAndColours) {
    Terminal term("shapes");
    ASSERT_TRUE(term.wait_for(ask_shape)) << term.screen();
    term.type("0\n");
    ASSERT_TRUE(term.wait_for(ask_size)) << term.screen();
    term.type("4\n");
    ASSERT_TRUE(term.wait_for(ask_color)) << term.screen();
    term.type("0\n");
    ASSERT_TRUE(term.wait_for(question.substr(1))) << term.screen();
    // Three answers on one line: the later prompts follow without waiting.
    term.type("n\n");
    ASSERT_TRUE(term.wait_for(ask_shape)) << term.screen();
    term.type("1 1 2\n");
    ASSERT_TRUE(term.wait_for(question.substr(1))) << term.screen();
    term.type("q\n");
    EXPECT_EQ(term.finish(), 0);
    EXPECT_EQ(without_cr(term.screen()),
              ask_shape + "0\n" + ask_size + "4\n" + ask_color + "0\n" + reference(0, 4, red) +
                  question + "n\n" + ask_shape + "1 1 2\n" + ask_size + ask_color +
                  rows({"**", "**"}, yellow) + question + "q\n" + goodbye);
}

TEST(Shapes, RunsThousandsOfPassesInOnePipe) {
    std::string input, expected, color = none;
    const std::string by_answer[] = {red, green, yellow};
    int answer = -1;
    for (int i = 0; i < 3000; ++i) {
        const int shape = i % 3 == 2 ? 7 : i % 3, size = i % 23 - 2;
        answer = i % 7 % 4;
        input += answers(shape, size, answer) + "n\n";
        if (answer < 3)
            color = by_answer[answer];
        expected += pass(reference(shape, size, color));
    }
    // The last pass meets the end of input: all three answers are the last one.
    expected += pass(reference(answer, answer, color)) + goodbye;
    RunResult r = run_with_input("shapes", input);
    EXPECT_TRUE(r.out == expected);
    EXPECT_EQ(r.status, 0) << describe(r);
}

// Numbers that could arrive as a size from 200 up to 2^31 - 1 are cut down,
// so that no figure runs to gigabytes; negative and huge ones stay.
std::string with_small_sizes(const std::string &input) {
    std::string out;
    for (std::size_t i = 0; i < input.size();) {
        std::size_t end = i;
        while (end < input.size() && input[end] >= '0' && input[end] <= '9')
            ++end;
        if (end == i) {
            out += input[i++];
            continue;
        }
        const std::string run = input.substr(i, end - i);
        const std::size_t digits = run.size() - std::min(run.find_first_not_of('0'), run.size());
        const long long value = digits > 10 ? -1 : std::stoll(run);
        out += value >= 200 && value <= 2147483647 ? std::to_string(value % 200) : run;
        i = end;
    }
    return out;
}

TEST(Shapes, StaysSoundOnHostileInput) {
    const std::vector<std::string> words = {"0",   "1",           "2",          "3", "7",
                                            "n",   "n",           "next",       "q", "-1",
                                            "150", "-2147483649", "4294967295", "+"};
    stress(3001, 400, [&](Random &random) {
        const std::string input = with_small_sizes(hostile_input(random, words));
        RunResult r = run_with_input("shapes", input);
        expect_clean_end(r, 0, input);
        EXPECT_TRUE(r.out.starts_with(ask_shape + ask_size + ask_color)) << r.out.substr(0, 200);
        EXPECT_TRUE(r.out.ends_with(question + goodbye)) << r.out.substr(0, 200);
    });
}

} // namespace
