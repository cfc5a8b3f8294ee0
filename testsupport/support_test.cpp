// The runner itself: a hanging or chatty program must fail its test, not
// block or swamp the run.
#include "run.h"

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
