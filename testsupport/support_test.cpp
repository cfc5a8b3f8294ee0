// The runner itself: a hanging or chatty program must fail its test, not
// block or swamp the run.
#include "pacing.h"
#include "run.h"
#include "terminal.h"

#include <gtest/gtest.h>

using namespace testsupport;

TEST(Runner, PassesInputAndCollectsBothStreams) {
    RunOptions options;
    options.input = "line one\nline two\n";
    RunResult r = run("/bin/sh", {"-c", "cat; echo oops >&2; exit 3"}, options);
    EXPECT_EQ(r.out, options.input);
    EXPECT_EQ(r.err, "oops\n");
    EXPECT_EQ(r.status, 3);
}

TEST(Runner, KillsAProgramThatHangs) {
    RunOptions options;
    options.timeout = 300ms;
    RunResult r = run("/bin/sleep", {"30"}, options);
    EXPECT_TRUE(r.timed_out);
    EXPECT_EQ(r.signal, 9);
}

TEST(Runner, KillsAProgramThatPrintsWithoutEnd) {
    RunOptions options;
    options.max_output = 1 << 20;
    RunResult r = run("/usr/bin/yes", {}, options);
    EXPECT_TRUE(r.overflowed);
}

TEST(Runner, CopesWithAProgramThatIgnoresItsInput) {
    RunOptions options;
    options.input = std::string(8 << 20, 'x');
    RunResult r = run("/bin/true", {}, options);
    EXPECT_EQ(r.status, 0);
}

// A program that closes its outputs and hangs is still ended at the timeout,
// not at its own end: killed, it never got there.
TEST(Runner, KillsAProgramThatClosesItsOutputsAndHangs) {
    RunOptions options;
    options.timeout = 300ms;
    RunResult r = run("/bin/sh", {"-c", "exec >&- 2>&-; exec sleep 30"}, options);
    EXPECT_TRUE(r.timed_out);
    EXPECT_EQ(r.signal, 9);
}

TEST(Terminal, EndsAProgramThatClosesItsOutputsAndHangs) {
    Terminal term("/bin/sh", {"-c", "exec <&- >&- 2>&-; exec sleep 30"});
    EXPECT_EQ(term.finish(300ms), -1);
    EXPECT_TRUE(term.timed_out());
}

TEST(Runner, StartsAProgramWithStandardInputFromAFileOrClosed) {
    RunOptions options;
    options.stdin_path = "/etc/hostname";
    RunResult from_file = run("/bin/cat", {}, options);
    EXPECT_EQ(from_file.status, 0) << describe(from_file);
    EXPECT_FALSE(from_file.out.empty());
    options.stdin_path.clear();
    options.stdin_closed = true;
    RunResult closed = run("/bin/cat", {}, options);
    EXPECT_NE(closed.status, 0);
    EXPECT_NE(closed.err.find("Bad file descriptor"), std::string::npos) << closed.err;
}

// A program waits for input only once it has printed all that comes before
// it, so that what is typed then lands after all of that, however slowly
// the program prints, and a program that ends without reading waits for none.
TEST(Terminal, TypesOnlyOnceTheProgramWaits) {
    TerminalOptions slow;
    if (pacing_available())
        slow.pause_at_line_ends = 30ms;
    Terminal term("/bin/sh", {"-c", "echo one; echo two; read answer; echo \"got $answer\""}, slow);
    ASSERT_TRUE(term.wait_until_reading());
    term.type("yes\n");
    EXPECT_FALSE(term.wait_until_reading()) << "it reads once only";
    EXPECT_EQ(term.finish(), 0);
    EXPECT_EQ(without_cr(term.screen()), "one\ntwo\nyes\ngot yes\n");
}

// Through a pipe, too: once the program waits again, what it wrote for the
// input before is all in the output pipe.
TEST(Piped, WaitsUntilTheProgramReadsAgain) {
    Piped cat("/bin/cat", {});
    ASSERT_TRUE(cat.wait_until_reading(5s, false));
    cat.type("line\n");
    ASSERT_TRUE(cat.wait_until_reading(5s, false));
    cat.drain();
    EXPECT_EQ(cat.screen(), "line\n");
}

// A paced command, followed into the processes it starts, prints and ends as
// it would unpaced.
TEST(Terminal, PacedCommandsPrintAndEndAsTheyWould) {
    if (!pacing_available())
        GTEST_SKIP() << "this machine does not let a test trace its programs";
    Terminal term("/bin/sh", {"-c", "echo one; (echo two); sh -c 'echo three; exit 3'"},
                  {.pause_at_line_ends = 30ms});
    EXPECT_EQ(term.finish(), 3);
    EXPECT_EQ(without_cr(term.screen()), "one\ntwo\nthree\n");
}
