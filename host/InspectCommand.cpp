// inspect: a record file described for people or, with --json, for programs.
#include "host/Commands.h"

namespace halvex::host {

ExitCode RunInspect(const InspectOptions&) {
    throw HostError(ExitCode::Internal, "inspect is not available in this build yet");
}

}  // namespace halvex::host
