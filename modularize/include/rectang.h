/* rectang: whether three side lengths form a right triangle.
 *
 * Usable from C and C++ alike; the function is exported under its plain,
 * unmangled name. */
#ifndef RECTANG_H
#define RECTANG_H

#ifdef __cplusplus
extern "C" {
#endif

/* 1 if a^2 + b^2 = c^2 holds with any one of the three sides as the
 * hypotenuse, else 0. Signs do not matter; (0, 0, 0) gives 0. Exact for every
 * triple of ints: prints nothing, keeps no state. */
int Rectangular(int a, int b, int c);

#ifdef __cplusplus
}
#endif

#endif
