#include <iostream>

#include "cli/CliApp.h"
#include "platform/Memory.h"

int main(int argc, char** argv) {
    KeepFreedMemory();
    return RunCli(argc, argv, std::cout, std::cerr);
}
