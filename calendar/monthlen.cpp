// monthlen: asks for a month and a year and tells how many days the month has.

#include "common/input.h"
#include "common/output.h"

#include <cstdio>

int istSchaltjahr(int jahr) {
    if (jahr % 400 == 0)
        return 1;
    if (jahr % 100 == 0)
        return 0;
    return jahr % 4 == 0 ? 1 : 0;
}

// Days of each month in a common year; February is the one that varies.
constexpr int month_lengths[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};

int tageProMonat(int jahr, int monat) {
    if (monat < 1 || monat > 12)
        return 0;
    if (monat == 2)
        return istSchaltjahr(jahr) ? 29 : 28;
    return month_lengths[monat - 1];
}

// Asks for one number and gives it back if it lies within the bounds, else 0.
// A number too large for an int counts as out of bounds instead of arriving
// cut down to a small, acceptable value.
int gibIntWert(const char *label, int lower, int upper) {
    std::printf("Enter %s :", label);
    std::fflush(stdout);
    standard_input in;
    const scanned_integer number = scan_integer(in);
    if (number.found && lower <= number.value && number.value <= upper)
        return static_cast<int>(number.value);
    return 0;
}

int main() {
    choose_output_buffering();
    // Each read's failure is taken before the next prompt can change errno.
    const int monat = gibIntWert("Monat", 1, 12);
    int read_error = first_read_error(0);
    const int jahr = gibIntWert("Jahr", 1600, 9999);
    read_error = first_read_error(read_error);
    std::printf("Monat: %d, Jahr: %d \n", monat, jahr);
    std::printf("%d ist %s Schaltjahr\n", jahr, istSchaltjahr(jahr) ? "ein" : "kein");
    std::printf("Der Monat %02d-%d hat %d Tage.\n", monat, jahr, tageProMonat(jahr, monat));
    return finish_output("monthlen", 0, read_error);
}
