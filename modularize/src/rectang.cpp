// rectang: whether three side lengths form a right triangle.
//
// Built without exceptions and without anything from the C++ library, so
// that C programs link it with the C compiler alone.

#include "rectang.h"

#include <cstdint>

namespace {

// A 32-bit side squared reaches 2^62, and two such squares add up to 2^63,
// one past the largest signed 64-bit value: unsigned 64-bit arithmetic holds
// every square and every sum exactly.
std::uint64_t square(int side) {
    const std::int64_t wide = side;
    return static_cast<std::uint64_t>(wide * wide);
}

} // namespace

extern "C" int Rectangular(int a, int b, int c) {
    const std::uint64_t aS = square(a);
    const std::uint64_t bS = square(b);
    const std::uint64_t cS = square(c);
    int isRightAngled = 0;

    // Without this, 0 = 0 + 0 would count as a right triangle.
    if (a == 0 && b == 0 && c == 0)
        isRightAngled = 0;
    else if (cS == aS + bS || bS == aS + cS || aS == bS + cS)
        isRightAngled = 1;
    return isRightAngled;
}
