/* Links the installed rectang module; exits 0 if it answers right. */
#include <limits.h>
#include <rectang.h>
#include <stdio.h>

int main(void) {
    const int right =
        Rectangular(3, 4, 5) + Rectangular(-13, 5, 12) + Rectangular(INT_MIN, 0, INT_MIN);
    const int wrong = Rectangular(0, 0, 0) + Rectangular(2, 3, 4) + Rectangular(65536, 0, 0);
    if (right != 3 || wrong != 0) {
        fprintf(stderr, "rectang answers wrong: %d of 3 right triangles, %d of 0 others\n", right,
                wrong);
        return 1;
    }
    puts("rectang: right answers");
    return 0;
}
