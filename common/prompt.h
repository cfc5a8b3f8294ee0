// The question that ends every pass of the interactive programs.
#pragma once

#include "common/input.h"

#include <cstdio>

// Shows a prompt and makes sure it has arrived, on a terminal or a pipe,
// before the program waits for the answer.
inline void show_prompt(const char *text) {
    std::fputs(text, stdout);
    std::fflush(stdout);
}

// Discards the rest of the current input line, asks whether to go on, and
// reads one character. Gives 1 for "n": the rest of that line stays unread
// for the next pass. Anything else, the end of input included, says goodbye
// and gives 0. A read that fails is kept in `read_error` (see
// first_read_error) and ends the input like its end.
inline int continue_or_quit(int &read_error) {
    int c = read_char();
    while (c != EOF && c != '\n')
        c = read_char();
    read_error = first_read_error(read_error);
    show_prompt("\nMöchten sie weiter machen oder abbrechen? [(n)ext|(q)uit] ");
    const int answer = read_char();
    read_error = first_read_error(read_error);
    if (answer == 'n')
        return 1;
    std::puts("Byebye..");
    return 0;
}
