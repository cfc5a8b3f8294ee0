// shapes: draws a ring or a filled square of coloured asterisks, pass after
// pass, in the size and colour that the user asks for.

#include "common/input.h"
#include "common/output.h"
#include "common/prompt.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>

constexpr int OVAL = 0;
constexpr int RECTANGLE = 1;

constexpr int RED = 0;
constexpr int GREEN = 1;
constexpr int YELLOW = 2;

// Indexed by the colour codes.
constexpr const char *colors[] = {"\033[31m", "\033[32m", "\033[33m"};
constexpr char reset[] = "\033[0m";

struct shape_spec {
    int shape;
    int size;
};

// One unit of output (a coloured asterisk, a blank, a line end) repeated
// over a buffer, so that a run of it costs one copy per buffer rather than
// one per unit.
struct unit_run {
    const char *bytes;
    std::size_t width; // bytes of one unit
    std::size_t units; // units the buffer holds
};

// Fills `buffer` with copies of `unit`, as many as fit, but no more than
// `wanted`: a small figure should not pay for filling the whole buffer.
unit_run fill_units(char *buffer, std::size_t capacity, const char *unit, long long wanted) {
    const std::size_t width = std::strlen(unit);
    std::size_t units = capacity / width;
    if (wanted < static_cast<long long>(units))
        units = wanted > 0 ? static_cast<std::size_t>(wanted) : 0;
    for (std::size_t i = 0; i < units; ++i)
        std::memcpy(buffer + i * width, unit, width);
    return {buffer, width, units};
}

// The figure's bytes, gathered in storage of the painter's own and handed to
// the C library a megabyte at a time: a block that large goes past the
// library's buffer rather than through it, on every library.
struct block {
    char *bytes;
    std::size_t capacity;
    std::size_t used;
};

void write_block(block &out) {
    std::fwrite(out.bytes, 1, out.used, stdout);
    out.used = 0;
}

void append_units(block &out, unit_run run, long long count) {
    while (count > 0) {
        if (out.capacity - out.used < run.width)
            write_block(out);
        const std::size_t units =
            std::min({static_cast<std::size_t>(std::min(count, static_cast<long long>(run.units))),
                      (out.capacity - out.used) / run.width});
        std::memcpy(out.bytes + out.used, run.bytes, units * run.width);
        out.used += units * run.width;
        count -= static_cast<long long>(units);
    }
}

// How far a cell lies from the centre (r, r), in exactly the double
// arithmetic of the cell-by-cell ring test: the runs that the search below
// finds must agree with that test on every cell.
double distance(long long row, long long col, double r) {
    const double dc = static_cast<double>(col) - r;
    const double dr = static_cast<double>(row) - r;
    return std::sqrt(dc * dc + dr * dr);
}

// The first column of [from, to] at which `reached` holds, or to + 1; once
// `reached` holds, it holds for every column further on.
template <typename Test> long long first_column(long long from, long long to, Test reached) {
    long long low = from;
    long long high = to + 1;
    while (low < high) {
        const long long middle = low + (high - low) / 2;
        if (reached(middle))
            high = middle;
        else
            low = middle + 1;
    }
    return low;
}

// One row of the ring. Within a row the distance only grows with the
// column's distance from the centre, rounding included, so the cells strictly
// between r - 0.5 and r + 0.5 form one run on each side of the centre; binary
// search finds their ends.
void paint_ring_row(block &out, long long row, long long last, double r, unit_run star,
                    unit_run blank, unit_run line_end) {
    const auto inside_outer = [&](long long col) { return distance(row, col, r) < r + 0.5; };
    const auto outside_inner = [&](long long col) { return distance(row, col, r) > r - 0.5; };
    // Up to the centre column the distance falls as the column grows.
    const long long centre = last / 2;
    const long long left_from = first_column(0, centre, inside_outer);
    const long long left_to =
        first_column(0, centre, [&](long long col) { return !outside_inner(col); });
    // Past it the distance grows.
    const long long right_from = first_column(centre + 1, last, outside_inner);
    const long long right_to =
        first_column(centre + 1, last, [&](long long col) { return !inside_outer(col); });
    append_units(out, blank, left_from);
    append_units(out, star, left_to - left_from);
    append_units(out, blank, right_from - left_to);
    append_units(out, star, right_to - right_from);
    append_units(out, blank, last + 1 - right_to);
    append_units(out, line_end, 1);
}

// Every row of the square is the same: the block is filled with as many
// whole rows as it holds, once, and written again and again. A row longer
// than the block is made anew each time.
void paint_square(block &out, long long rows, unit_run star, unit_run line_end) {
    // In 64 bits: a row of the largest square overflows a 32-bit size_t.
    const unsigned long long row_bytes = static_cast<unsigned long long>(rows) * star.width + 1;
    const long long per_block =
        row_bytes > out.capacity ? 0
                                 : std::min(rows, static_cast<long long>(out.capacity / row_bytes));
    const long long made = per_block > 0 ? per_block : rows;
    for (long long row = 0; row < made; ++row) {
        append_units(out, star, rows);
        append_units(out, line_end, 1);
    }
    if (per_block == 0)
        return;
    for (long long left = rows; left > 0; left -= per_block)
        std::fwrite(out.bytes, static_cast<std::size_t>(row_bytes),
                    static_cast<std::size_t>(std::min(left, per_block)), stdout);
    out.used = 0;
}

// Rows and columns are counted in 64 bits: the largest size has 2^31 of each.
void paint(shape_spec figure, const char *color) {
    const double r = figure.size / 2.0;
    const long long rows = r + r >= 0.0 ? static_cast<long long>(r + r) + 1 : 0;
    char storage[1 << 20];
    block out{storage, sizeof storage, 0};
    // Runs longer than a unit buffer are copied in several pieces. A few
    // kilobytes already make a run cost few copies, and keep the figures
    // that cross these capacities small enough to check cell by cell.
    char blanks[1 << 11];
    if (figure.shape != OVAL && figure.shape != RECTANGLE) {
        append_units(out, fill_units(blanks, sizeof blanks, "\n", rows), rows);
        write_block(out);
        return;
    }
    char cell[16];
    std::snprintf(cell, sizeof cell, "%s*%s", color, reset);
    char stars[1 << 13];
    const unit_run star = fill_units(stars, sizeof stars, cell, rows);
    const unit_run line_end = {"\n", 1, 1};
    if (figure.shape == OVAL) {
        const unit_run blank = fill_units(blanks, sizeof blanks, " ", rows);
        for (long long row = 0; row < rows; ++row)
            paint_ring_row(out, row, rows - 1, r, star, blank, line_end);
    } else {
        paint_square(out, rows, star, line_end);
    }
    write_block(out);
}

// Reads an answer of any length, so that a number its conversion cannot hold
// arrives as -1 rather than wrapped round to an ordinary answer; numbers
// within [lowest, highest] arrive as their low 32 bits. A failed scan leaves
// `answer` as it was; a failed read is kept in `read_error`.
void read_answer(int &answer, long long lowest, long long highest, int &read_error) {
    standard_input in;
    const scanned_integer number = scan_integer(in);
    read_error = first_read_error(read_error);
    if (!number.found)
        return;
    answer = number.value < lowest || number.value > highest
                 ? -1
                 : static_cast<int>(static_cast<std::uint32_t>(number.value));
}

int main() {
    choose_output_buffering();
    int answer = -1;
    const char *color = "";
    shape_spec figure{};
    int read_error = 0;
    do {
        show_prompt("Geben Sie die gewünschte Form an [OVAL=0 | RECTANGLE=1]:");
        read_answer(answer, INT32_MIN, INT32_MAX, read_error);
        figure.shape = answer;
        // The size is read unsigned: -1 and 4294967295 both arrive as -1.
        show_prompt("Geben Sie die gewünschte Grösse an:");
        read_answer(answer, INT32_MIN, UINT32_MAX, read_error);
        figure.size = answer;
        show_prompt("Geben Sie die gewünschte Farb an [RED=0 | GREEN=1 | YELLOW=2]:");
        read_answer(answer, INT32_MIN, INT32_MAX, read_error);
        if (answer == RED || answer == GREEN || answer == YELLOW)
            color = colors[answer];
        paint(figure, color);
    } while (continue_or_quit(read_error));
    return finish_output("shapes", 0, read_error);
}
