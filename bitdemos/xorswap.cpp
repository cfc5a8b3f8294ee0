// xorswap: exchanges two integers by exclusive or, without a third variable.

#include "common/output.h"

#include <cstdio>

int main() {
    choose_output_buffering();
    int a = 3;
    int b = 4;

    std::printf("a: %d; b: %d\n", a, b);
    a = a ^ b;
    b = b ^ a;
    a = a ^ b;
    std::printf("a: %d; b: %d\n", a, b);
    return finish_output("xorswap", 0);
}
