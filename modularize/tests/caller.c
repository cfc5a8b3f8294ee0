/* A C program that knows only the prototype, linked by the C compiler with
 * the object module and nothing else. */
#include <limits.h>
#include <stdio.h>

int Rectangular(int a, int b, int c);

struct triple {
    int a, b, c;
    int right;
};

int main(void) {
    static const struct triple cases[] = {
        {3, 4, 5, 1},
        {5, 3, 4, 1},
        {4, 5, 3, 1},
        {2, 3, 4, 0},
        {0, 0, 0, 0},
        {0, 3, -3, 1},
        {-3, 4, -5, 1},
        {65536, 0, 0, 0},
        {INT_MIN, 0, INT_MIN, 1},
        {INT_MAX, INT_MAX, INT_MAX, 0},
    };
    int failures = 0;
    for (size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
        const struct triple t = cases[i];
        const int got = Rectangular(t.a, t.b, t.c);
        if (got != t.right) {
            fprintf(stderr, "Rectangular(%d, %d, %d) = %d, expected %d\n", t.a, t.b, t.c, got,
                    t.right);
            ++failures;
        }
    }
    return failures == 0 ? 0 : 1;
}
