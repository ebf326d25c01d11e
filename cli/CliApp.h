// The command line, as a library: main() only forwards here, so tests run it in-process.
#pragma once

#include <ostream>

#include "cli/CliRun.h"

// Parses the arguments (argv[0] is the program name) and runs the subcommand chosen.
int RunCli(int argc, const char* const* argv, std::ostream& out, std::ostream& err);
