// bitflags: sets, clears and toggles single bits with a shifted mask.

#include "common/output.h"

#include <cstdio>

int main() {
    choose_output_buffering();
    unsigned number = 0x77;
    unsigned bit = 0;
    unsigned mask = 0;

    bit = 3;
    mask = 1u << bit;
    number = number | mask;
    std::printf("number after setting bit 3: 0x%02X\n", number);

    // The complement within the low byte only; it clears bits 8 to 31 too,
    // none of which is ever set.
    bit = 1;
    mask = (1u << bit) ^ 0xFFu;
    number = number & mask;
    std::printf("number after clearing bit 1: 0x%02X\n", number);

    bit = 0;
    mask = 1u << bit;
    number = number ^ mask;
    std::printf("number after Toggling bit 0: 0x%02X\n", number);

    return finish_output("bitflags", 0);
}
