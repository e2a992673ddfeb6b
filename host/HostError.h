// The error type of halvex-host: a message for the user and the process exit code.
#pragma once

#include <stdexcept>
#include <string>

namespace halvex::host {

// Exit codes of halvex-host, documented in docs/host.md.
enum class ExitCode : int {
    Ok = 0,
    Cancelled = 1,    // the dialog ended without OK; nothing written
    Usage = 2,        // bad command line
    BadInput = 3,     // missing or malformed show file, record file or ESF file
    Library = 4,      // the plug-in cannot be loaded or lacks an export
    Automation = 5,   // the dialog automation did not finish (time-out, unexpected dialog)
    Gateway = 6,      // no or several gateways found, upload not done
    WriteFailed = 7,  // a record file could not be replaced
    Internal = 8,     // anything else (out of memory, ...)
};

class HostError : public std::runtime_error {
public:
    HostError(ExitCode code, const std::string& message)
        : std::runtime_error(message), code_(code) {}
    ExitCode Code() const { return code_; }

private:
    ExitCode code_;
};

}  // namespace halvex::host
