// The runner itself: a hanging or chatty program must fail its test, not
// block or swamp the run.
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

// A program that closes its outputs and hangs is still ended in time.
TEST(Runner, KillsAProgramThatClosesItsOutputsAndHangs) {
    RunOptions options;
    options.timeout = 300ms;
    const auto start = std::chrono::steady_clock::now();
    RunResult r = run("/bin/sh", {"-c", "exec >&- 2>&-; exec sleep 30"}, options);
    EXPECT_TRUE(r.timed_out);
    EXPECT_EQ(r.signal, 9);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
}

TEST(Terminal, EndsAProgramThatClosesItsOutputsAndHangs) {
    Terminal term("/bin/sh", {"-c", "exec <&- >&- 2>&-; exec sleep 30"});
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(term.finish(300ms), -1);
    EXPECT_TRUE(term.timed_out());
    EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
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
