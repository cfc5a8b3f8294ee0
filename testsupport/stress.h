// Randomized, seeded stress input for the programs that read standard input:
// what a careless or hostile user could pipe in.
#pragma once

#include "run.h"

#include <cstdint>
#include <functional>
#include <random>
#include <string>
#include <vector>

namespace testsupport {

using Random = std::mt19937_64;

// One hostile piece of input: a number at or past a 32-bit limit, a huge
// token, binary bytes, blanks and line ends, a word the program may know
// (`words`: operators, "n", "next", ...), or a number small enough to be an
// ordinary answer.
std::string hostile_piece(Random &random, const std::vector<std::string> &words);

// Many pieces joined by blanks and line ends, cut off at a random point, at
// most about `max_bytes` long (a huge token may pass it once).
std::string hostile_input(Random &random, const std::vector<std::string> &words,
                          std::size_t max_bytes = 4096);

// Calls `round(random)` with a fixed seed `rounds` times (a fixed share of
// them in a cross build), or until a round fails. STRESS_SEED in the
// environment replaces the seed; a failing round reports the seed and the
// round number to reproduce it.
void stress(std::uint64_t seed, int rounds, const std::function<void(Random &)> &round);

// A program that neither crashed, hung nor printed to standard error (where
// the sanitizers report), and ended with the status it owes.
void expect_clean_end(const RunResult &result, int status, const std::string &input);

} // namespace testsupport
