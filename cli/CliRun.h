// What every subcommand shares with the command line that runs it: where to print, and the
// exit status it leaves.
#pragma once

#include <ostream>

// What a subcommand's callback needs: where to print, and where to leave its exit status.
struct TCliRun {
    std::ostream& Out;
    std::ostream& Err;
    int ExitCode = 0;
};

// Exit status 0 when everything succeeded, 1 when a file or entry failed, 2 for a usage
// problem.
constexpr int CLI_EXIT_OK = 0;
constexpr int CLI_EXIT_FAILED = 1;
constexpr int CLI_EXIT_USAGE = 2;
