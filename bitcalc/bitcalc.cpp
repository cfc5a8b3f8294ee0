// bitcalc: applies a bit operator or a comparison to two 32-bit integers and
// shows the expression in binary, hexadecimal and decimal, pass after pass.

#include "common/input.h"
#include "common/output.h"
#include "common/prompt.h"

#include <cstdint>
#include <cstdio>

struct bit_expression {
    int left;
    int right;
    char op;
};

// An operand token and its terminating NUL; longer tokens are cut to fit.
constexpr int token_size = 10;

// The first two characters choose the base: "0x" hexadecimal, "0" octal,
// anything else decimal. A token without digits of its base gives 0.
int parse_operand(const char *token) {
    std::uint32_t value = 0;
    if (token[0] == '0' && token[1] == 'x')
        std::sscanf(token + 2, "%x", &value);
    else if (token[0] == '0')
        std::sscanf(token + 1, "%o", &value);
    else
        std::sscanf(token, "%u", &value);
    return static_cast<int>(value);
}

// An unknown operator is reported, and its result is 0.
int bit_operation(bit_expression e) {
    switch (e.op) {
    case '&':
        return e.left & e.right;
    case '|':
        return e.left | e.right;
    case '^':
        return e.left ^ e.right;
    case '<':
        return e.left < e.right ? 1 : 0;
    case '>':
        return e.left > e.right ? 1 : 0;
    default:
        std::puts("ubekannte Operation");
        return 0;
    }
}

// 32 binary digits in groups of eight joined by apostrophes, written at once.
void print_binary(std::uint32_t value) {
    char digits[32];
    for (int position = 0; position < 32; ++position) {
        digits[position] = static_cast<char>('0' + (value & 1u));
        value >>= 1;
    }
    char text[35];
    int length = 0;
    for (int position = 31; position >= 0; --position) {
        text[length++] = digits[position];
        if (position == 24 || position == 16 || position == 8)
            text[length++] = '\'';
    }
    std::fwrite(text, 1, sizeof text, stdout);
}

void print_bit_operation_bin(bit_expression e, int result) {
    std::puts("Bin:");
    print_binary(static_cast<std::uint32_t>(e.left));
    std::putchar('\n');
    print_binary(static_cast<std::uint32_t>(e.right));
    std::printf(" %c\n", e.op);
    std::puts("-----------------------------------");
    print_binary(static_cast<std::uint32_t>(result));
    std::putchar('\n');
}

void print_bit_operation_hex(bit_expression e, int result) {
    std::printf("\nHex:\n0x%x %c 0x%x\n0x%x\n", static_cast<unsigned>(e.left), e.op,
                static_cast<unsigned>(e.right), static_cast<unsigned>(result));
}

void print_bit_operation_dec(bit_expression e, int result) {
    std::printf("\nDec:\n%d %c %d\n%d\n", e.left, e.op, e.right, result);
}

// Reads one whitespace-delimited token; of a longer one the first nine
// characters are kept and the rest is consumed unseen. Gives 1 if a token
// was read, 0 at the end of input.
int read_token(char (&buffer)[token_size]) {
    if (scan_input("%9s", buffer) != 1)
        return 0;
    scan_input("%*[^ \t\n\v\f\r]");
    return 1;
}

// Reads operand, operator and operand, across line ends if need be, and
// gives how many of the three were read before the input ended. Those not
// read keep what they held.
int read_expression(char (&first)[token_size], char &op, char (&second)[token_size]) {
    if (!read_token(first))
        return 0;
    if (scan_input(" %c", &op) != 1)
        return 1;
    return read_token(second) ? 3 : 2;
}

int main() {
    choose_output_buffering();
    char first[token_size] = "";
    char second[token_size] = "";
    char op = '\0';
    bool first_pass = true;
    int read_error = 0;
    do {
        show_prompt("Geben sie die Bit-Operation ein:\n");
        const int items = read_expression(first, op, second);
        read_error = first_read_error(read_error);
        // Later passes reuse what an earlier one read; the first has nothing
        // to fall back on.
        if (items == 3 || !first_pass) {
            const bit_expression e{parse_operand(first), parse_operand(second), op};
            const int result = bit_operation(e);
            print_bit_operation_bin(e, result);
            print_bit_operation_hex(e, result);
            print_bit_operation_dec(e, result);
        }
        first_pass = false;
    } while (continue_or_quit(read_error));
    return finish_output("bitcalc", 0, read_error);
}
