#include "run.h"

#include <gtest/gtest.h>
#include <string>

using namespace testsupport;

namespace {

struct Case {
    const char *program;
    std::string output;
};

// They take no input and no arguments: whatever is offered changes nothing.
TEST(Bitdemos, PrintTheirFixedOutput) {
    const Case cases[] = {
        {"bitflags", "number after setting bit 3: 0x7F\n"
                     "number after clearing bit 1: 0x7D\n"
                     "number after Toggling bit 0: 0x7C\n"},
        {"casebits", "UPPERCASE: S\nLOWERCASE: s\n"
                     "UPPERCASE: R\nLOWERCASE: r\n"
                     "UPPERCASE: E\nLOWERCASE: e\n"
                     "UPPERCASE: E\nLOWERCASE: e\n"
                     "UPPERCASE: D\nLOWERCASE: d\n"
                     "UPPERCASE: E\nLOWERCASE: e\n"
                     "UPPERCASE: V\nLOWERCASE: v\n"},
        {"pow2", "640000000 is not a power of 2\n"},
        {"xorswap", "a: 3; b: 4\na: 4; b: 3\n"},
    };
    RunOptions offered;
    offered.input = "n\n42\n";
    for (const Case &c : cases) {
        for (const RunResult &r : {run(c.program, {}), run(c.program, {"1", "x"}, offered)}) {
            EXPECT_EQ(r.out, c.output) << c.program;
            EXPECT_EQ(r.err, "") << c.program;
            EXPECT_EQ(r.status, 0) << c.program << ": " << describe(r);
        }
    }
}

} // namespace
