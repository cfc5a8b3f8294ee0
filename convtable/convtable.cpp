// convtable: converts five CHF amounts into BTC at the rate the user enters.

#include "common/input.h"
#include "common/output.h"
#include "common/prompt.h"
#include "common/real.h"

#include <cstdio>
#include <limits>

// A rate of zero must give inf, not a trap: IEEE 754 division makes it so.
static_assert(std::numeric_limits<double>::is_iec559);

int main() {
    choose_output_buffering();
    int value = 0;
    int row = 0;
    double umrechnungsfaktor = 0.0;

    show_prompt("Enter conversion rate (1.00 BTC -> CHF): ");
    // Input that is not a number leaves the rate at 0.0; the table follows all the same.
    standard_input in;
    const scanned_real rate = scan_real(in);
    const int read_error = first_read_error(0);
    if (rate.found)
        umrechnungsfaktor = rate.value;

    for (row = 1; row <= 5; ++row) {
        value += 200;
        std::printf("%d CHF     <-->     %f BTC \n", value,
                    static_cast<double>(value) / umrechnungsfaktor);
    }
    return finish_output("convtable", 0, read_error);
}
