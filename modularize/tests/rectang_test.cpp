#include "rectang.h"
#include "run.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <gtest/gtest.h>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

using namespace testsupport;

namespace {

struct Triple {
    int a, b, c;
};

struct Case {
    Triple sides;
    int right;
};

std::string text(Triple t) {
    return "(" + std::to_string(t.a) + ", " + std::to_string(t.b) + ", " + std::to_string(t.c) +
           ")";
}

// The same relation in 128-bit arithmetic, where no square or sum of 32-bit
// sides comes anywhere near the limit.
#ifdef __SIZEOF_INT128__
__extension__ typedef __int128 wide;
#else
// 32-bit machines lack it. Unsigned 64 bits still hold every square (up to
// 2^62) and every sum of two (up to 2^63); a negative side wraps around, and
// its square modulo 2^64 is the true square.
typedef std::uint64_t wide;
#endif

int right_by_wide_arithmetic(Triple t) {
    const wide a2 = wide(t.a) * t.a, b2 = wide(t.b) * t.b, c2 = wide(t.c) * t.c;
    if (a2 == 0 && b2 == 0 && c2 == 0)
        return 0;
    return a2 + b2 == c2 || a2 + c2 == b2 || b2 + c2 == a2;
}

void expect_all(const std::vector<Case> &cases) {
    for (const Case &c : cases) {
        EXPECT_EQ(Rectangular(c.sides.a, c.sides.b, c.sides.c), c.right) << text(c.sides);
        EXPECT_EQ(right_by_wide_arithmetic(c.sides), c.right) << text(c.sides) << " (reference)";
    }
}

TEST(Rectangular, SidesWithinSmallSquares) {
    expect_all({
        // The hypotenuse third, first and second.
        {{3, 4, 5}, 1},
        {{5, 3, 4}, 1},
        {{4, 5, 3}, 1},
        {{5, 12, 13}, 1},
        {{13, 12, 5}, 1},
        {{2, 3, 4}, 0},
        {{1, 1, 1}, 0},
        {{3, 4, 6}, 0},
        // The zero guard, and zero sides past it.
        {{0, 0, 0}, 0},
        {{0, 3, 3}, 1},
        {{3, 0, 3}, 1},
        {{3, 3, 0}, 1},
        {{0, 3, 4}, 0},
        {{0, 0, 5}, 0},
        {{0, 5, 0}, 0},
        {{5, 0, 0}, 0},
        // Signs do not matter.
        {{-3, 4, -5}, 1},
        {{-3, -4, -5}, 1},
        {{0, -3, 3}, 1},
        {{-2, 3, -4}, 0},
        // The largest sides whose squares and sums fit 32 bits.
        {{20000, 21000, 29000}, 1},
        {{20000, 21000, 29001}, 0},
        {{32767, -32767, 46340}, 0},
        {{46340, 0, -46340}, 1},
        {{46340, 1, 46340}, 0},
    });
}

// Beyond 46340 the squares leave 32 bits; at INT_MIN the sum of two of them
// leaves signed 64 bits.
TEST(Rectangular, SidesWhoseSquaresNeedSixtyFourBits) {
    constexpr int k = INT_MAX / 5; // the largest multiple of (3, 4, 5) within int
    expect_all({
        {{3 * k, 4 * k, 5 * k}, 1},
        {{-5 * k, 3 * k, 4 * k}, 1},
        {{3 * k, 4 * k, 5 * k - 1}, 0},
        {{3 * k + 1, 4 * k, 5 * k}, 0},
        {{46341, 0, 46341}, 1},
        {{46341, 0, 46340}, 0},
        {{65535, 0, 65535}, 1},
        {{2147395599, 92680, 2147395601}, 1},
        {{92680, 2147395601, -2147395599}, 1},
        {{2147395600, 92680, 2147395601}, 0},
        {{2147483645, 1, 2147483645}, 0}, // equal in double precision, not exactly
        {{2147483647, 0, -2147483647}, 1},
        // Wrong squares modulo 2^32 would make these right triangles.
        {{65536, 0, 0}, 0},
        {{65536, 65536, 0}, 1},
        {{65536, 1, 1}, 0},
        {{131072, 65536, 0}, 0},
        // At the ends of int: 2^62 squares, 2^63 sums.
        {{INT_MIN, 0, INT_MIN}, 1},
        {{INT_MIN, INT_MIN, 0}, 1},
        {{0, INT_MIN, INT_MIN}, 1},
        {{INT_MIN, INT_MIN, INT_MIN}, 0},
        {{INT_MAX, INT_MAX, INT_MAX}, 0},
        {{INT_MIN, INT_MAX, 0}, 0},
        {{INT_MIN, INT_MAX, 65536}, 0},
        {{INT_MIN, INT_MIN, INT_MAX}, 0},
        {{INT_MIN, 1, INT_MIN}, 0},
    });
}

// Pythagorean triples from Euclid's formula, scaled up to the top of int and
// shuffled with random signs, and the same sides nudged by one.
TEST(Rectangular, AgreesWithWideArithmeticOnRandomTriples) {
    std::mt19937_64 random(46341);
    std::uniform_int_distribution<std::int64_t> m_of(2, 46340);
    int right = 0;
    for (int round = 0; round < 20000; ++round) {
        const std::int64_t m = m_of(random);
        const std::int64_t n = std::uniform_int_distribution<std::int64_t>(1, m - 1)(random);
        const std::int64_t hyp = m * m + n * n;
        if (hyp > INT_MAX)
            continue;
        const std::int64_t scale =
            std::uniform_int_distribution<std::int64_t>(1, INT_MAX / hyp)(random);
        std::int64_t sides[3] = {(m * m - n * n) * scale, 2 * m * n * scale, hyp * scale};
        for (std::int64_t &side : sides)
            if (random() % 2)
                side = -side;
        std::shuffle(std::begin(sides), std::end(sides), random);
        const Triple t{int(sides[0]), int(sides[1]), int(sides[2])};
        ASSERT_EQ(Rectangular(t.a, t.b, t.c), 1) << text(t);
        ++right;

        Triple nudged = t;
        int &side = round % 3 == 0 ? nudged.a : round % 3 == 1 ? nudged.b : nudged.c;
        side = side > 0 ? side - 1 : side + 1;
        ASSERT_EQ(Rectangular(nudged.a, nudged.b, nudged.c), right_by_wide_arithmetic(nudged))
            << text(nudged);
    }
    EXPECT_GT(right, 10000);

    std::uniform_int_distribution<int> any(INT_MIN, INT_MAX);
    for (int round = 0; round < 100000; ++round) {
        const Triple t{any(random), any(random), any(random)};
        ASSERT_EQ(Rectangular(t.a, t.b, t.c), right_by_wide_arithmetic(t)) << text(t);
    }
    for (int a = -40; a <= 40; ++a)
        for (int b = -40; b <= 40; ++b)
            for (int c = -60; c <= 60; ++c)
                ASSERT_EQ(Rectangular(a, b, c), right_by_wide_arithmetic({a, b, c}))
                    << text({a, b, c});
}

std::set<std::string> nm_symbols(const std::vector<std::string> &options) {
    std::vector<std::string> args = options;
    args.insert(args.end(), {"--format=just-symbols", RECTANG_OBJECT});
    RunResult nm = run(NM_PROGRAM, args);
    EXPECT_EQ(nm.status, 0) << describe(nm) << nm.err;
    std::set<std::string> symbols;
    std::istringstream lines(nm.out);
    for (std::string symbol; lines >> symbol;)
        symbols.insert(symbol);
    return symbols;
}

// Callers link against the plain name, and the object asks nothing of them:
// no C++ runtime, not even the C library.
TEST(Rectangular, ObjectExportsThePlainNameAlone) {
    EXPECT_EQ(nm_symbols({"--defined-only", "--extern-only"}),
              std::set<std::string>{"Rectangular"});
    for (const std::string &symbol : nm_symbols({"--undefined-only"})) {
#ifdef DEMOS_SANITIZE
        if (symbol.starts_with("__asan") || symbol.starts_with("__ubsan"))
            continue;
#endif
        ADD_FAILURE() << "rectang.o needs " << symbol;
    }
}

} // namespace
