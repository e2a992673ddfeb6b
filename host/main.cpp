// halvex-host: a lighting-control host for the Halvex plug-in. It loads the plug-in (halvex.dll
// or libhalvex.so), keeps each scene object's record in a file and drives the three exports.
#include <iostream>

#include "host/CommandLine.h"

int main(int argc, char** argv) {
    return halvex::host::RunCommandLine(argc, argv, std::cout, std::cerr);
}
