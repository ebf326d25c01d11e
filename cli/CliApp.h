// The command line, as a library: main() only forwards here, so tests run it in-process.
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

// Parses the arguments (argv[0] is the program name) and runs the subcommand chosen.
int RunCli(int argc, const char* const* argv, std::ostream& out, std::ostream& err);
