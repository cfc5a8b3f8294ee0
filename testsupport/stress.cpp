#include "stress.h"

#include <algorithm>
#include <cstdlib>
#include <gtest/gtest.h>

namespace testsupport {

namespace {

// The rounds of a cross build: one in this many.
constexpr int emulated_share = 8;

constexpr const char *limits[] = {
    "2147483647",
    "2147483648",
    "-2147483648",
    "-2147483649",
    "4294967295",
    "4294967296",
    "-4294967295",
    "-4294967296",
    "9223372036854775807",
    "9223372036854775808",
    "-1",
    "0",
    "-0",
    "+0",
    "00",
    "0x7fffffff",
    "0x80000000",
    "0xffffffff",
    "0x100000000",
    "037777777777",
    "1e308",
    "1e309",
    "-1e309",
    "inf",
    "nan",
    "0x1p-1074",
    "+",
    "-",
    "0x",
    "0X",
};

std::string digits(Random &random, std::size_t count) {
    std::string text;
    for (std::size_t i = 0; i < count; ++i)
        text += static_cast<char>('0' + random() % 10);
    return text;
}

std::string binary(Random &random, std::size_t count) {
    std::string text;
    for (std::size_t i = 0; i < count; ++i)
        text += static_cast<char>(random() % 256);
    return text;
}

template <typename T> const T &pick(Random &random, const std::vector<T> &from) {
    return from[std::size_t(random() % from.size())];
}

} // namespace

std::string hostile_piece(Random &random, const std::vector<std::string> &words) {
    switch (random() % 10) {
    case 0:
    case 1:
        return limits[random() % std::size(limits)];
    case 2: // a run of digits far longer than any number
        return (random() % 2 ? "-" : "") + digits(random, std::size_t(10 + random() % 60));
    case 3: // a token longer than any buffer, now and then a megabyte
        return std::string(std::size_t(random() % 50 == 0 ? 1 << 20 : 10 + random() % 300),
                           static_cast<char>('!' + random() % 94));
    case 4:
        return binary(random, 1 + random() % 16);
    case 5:
        return std::string(1 + random() % 4, " \n\t\r\v\f"[random() % 6]);
    case 6:
    case 7:
        if (!words.empty())
            return pick(random, words);
        [[fallthrough]];
    default:
        return std::to_string(static_cast<int>(random() % 41) - 10);
    }
}

std::string hostile_input(Random &random, const std::vector<std::string> &words,
                          std::size_t max_bytes) {
    std::string input;
    while (input.size() < max_bytes && random() % 64 != 0) {
        input += hostile_piece(random, words);
        input += random() % 3 ? " " : "\n";
    }
    if (random() % 2 && !input.empty())
        input.resize(std::size_t(random() % input.size())); // the end of input at any point
    return input;
}

// Every round runs, however busy the machine is: a test that stopped at a
// deadline would try fewer inputs on a loaded machine, and could pass there
// where it fails on an idle one. Behind an emulator every program starts
// many times slower, so a cross build tries a fixed share of the rounds.
void stress(std::uint64_t seed, int rounds, const std::function<void(Random &)> &round) {
    if (const char *text = std::getenv("STRESS_SEED"))
        seed = std::strtoull(text, nullptr, 0);
    if (emulated())
        rounds = std::max(1, rounds / emulated_share);
    Random random(seed);
    for (int i = 0; i < rounds; ++i) {
        SCOPED_TRACE("STRESS_SEED=" + std::to_string(seed) + ", round " + std::to_string(i));
        round(random);
        if (::testing::Test::HasFatalFailure() || ::testing::Test::HasNonfatalFailure())
            return;
    }
}

void expect_clean_end(const RunResult &result, int status, const std::string &input) {
    const std::string shown = input.size() > 200 ? input.substr(0, 200) + "..." : input;
    EXPECT_FALSE(result.timed_out) << "hung on input: " << shown;
    EXPECT_EQ(result.signal, 0) << "crashed on input: " << shown;
    EXPECT_EQ(result.status, status) << describe(result) << "\ninput: " << shown;
    EXPECT_EQ(result.err, "") << "input: " << shown;
}

} // namespace testsupport
