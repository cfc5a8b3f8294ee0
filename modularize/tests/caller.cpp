// A C++ program that declares the C function itself and links the static library.
#include <climits>
#include <cstdio>

extern "C" int Rectangular(int a, int b, int c);

struct triple {
    int a, b, c;
    int right;
};

int main() {
    constexpr triple cases[] = {
        {3, 4, 5, 1},
        {5, 12, 13, 1},
        {4, 5, 3, 1},
        {1, 1, 1, 0},
        {0, 0, 0, 0},
        {3, 3, 0, 1},
        {0, 0, 5, 0},
        {65536, 65536, 0, 1},
        {INT_MIN, INT_MIN, INT_MIN, 0},
        {20000, 21000, 29000, 1},
    };
    int failures = 0;
    for (const triple t : cases) {
        const int got = Rectangular(t.a, t.b, t.c);
        if (got != t.right) {
            std::fprintf(stderr, "Rectangular(%d, %d, %d) = %d, expected %d\n", t.a, t.b, t.c, got,
                         t.right);
            ++failures;
        }
    }
    return failures == 0 ? 0 : 1;
}
