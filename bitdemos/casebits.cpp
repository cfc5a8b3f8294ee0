// casebits: the case of an ASCII letter is bit 5; masks clear or set it.

#include "common/output.h"

#include <cstdio>

int main() {
    choose_output_buffering();
    const char word[8] = "sREedEv";

    // Stops before the terminating zero, which would print nothing useful.
    for (const char *p = word; p < word + sizeof word - 1; ++p) {
        std::printf("UPPERCASE: %c\n", *p & 0x5F);
        std::printf("LOWERCASE: %c\n", static_cast<char>(*p | 0x20));
    }
    return finish_output("casebits", 0);
}
