// The window program's own arguments, looked at before Qt or the single-instance lock: help
// and the version need neither a display nor a free lock.
#pragma once

#include <optional>
#include <ostream>

// --help (-h) prints the options and the environment variables the program reads, --version
// prints "caplin <version>"; both end the program with status 0. An argument that is neither
// one of these nor one of Qt's own options (-platform NAME, -style NAME, ...) prints a usage
// line on err and ends it with status 2. Empty when the window is to start.
std::optional<int> HandleWindowArguments(int argc, const char* const* argv, std::ostream& out,
                                         std::ostream& err);
