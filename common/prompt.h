// The question that ends every pass of the interactive programs.
#pragma once

#include <cstdio>

// Shows a prompt that the answer is typed after, on the same line.
inline void show_prompt(const char *text) {
    std::fputs(text, stdout);
    std::fflush(stdout);
}

// Discards the rest of the current input line, asks whether to go on, and
// reads one character. Gives 1 for "n": the rest of that line stays unread
// for the next pass. Anything else, the end of input included, says goodbye
// and gives 0.
inline int continue_or_quit() {
    int c = std::getchar();
    while (c != EOF && c != '\n')
        c = std::getchar();
    show_prompt("\nMöchten sie weiter machen oder abbrechen? [(n)ext|(q)uit] ");
    if (std::getchar() == 'n')
        return 1;
    std::puts("Byebye..");
    return 0;
}
