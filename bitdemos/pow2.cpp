// pow2: tells whether a fixed number is a power of two, by masking off every
// bit below the largest power of two that the number reaches.

#include "common/output.h"

#include <cstdio>

int main() {
    choose_output_buffering();
    constexpr int candidate = 640000000;
    int sum = 1;
    int last = 0;
    int power = 2;

    // Past this, doubling 2^30 would leave the range of int.
    static_assert(candidate <= (1 << 30) - 2);

    while (power < candidate + 2) {
        last = power;
        sum += power;
        power <<= 1;
    }
    sum -= last;

    if (candidate > 0 && (candidate & sum) == 0)
        std::printf("%d is a power of 2\n", candidate);
    else
        std::printf("%d is not a power of 2\n", candidate);
    return finish_output("pow2", 0);
}
