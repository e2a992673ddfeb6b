// The command line of halvex-host: its commands and options, parsed and run in this process.
#pragma once

#include <ostream>

namespace halvex::host {

// Parses `argv` (argv[0] is the program name), runs the command it names and returns the
// process exit code. Results go to `out`; warnings, failures and usage errors go to `err`.
int RunCommandLine(int argc, const char* const* argv, std::ostream& out, std::ostream& err);

}  // namespace halvex::host
