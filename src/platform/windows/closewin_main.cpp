// drapello-closewin: closes one top-level window of each class named on the command line, in
// order, and prints one line per class: "<outcome> <class>", outcome being closed, not-found or
// no-answer. Drapello runs it inside Messenger's Wine prefix.
#include "platform/windows/window_close.h"

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: drapello-closewin CLASS...\n");
        return 2;
    }
    for (int i = 1; i < argc; ++i) {
        const CloseOutcome outcome = closeTopLevelWindow(argv[i]);
        std::printf("%s %s\n", closeOutcomeWord(outcome), argv[i]);
        // The caller may read lines as they come.
        std::fflush(stdout);
    }
    return 0;
}
