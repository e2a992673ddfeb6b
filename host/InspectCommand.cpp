// inspect: a record file described for people or, with --json, for programs.
#include "engine/record/RecordInspector.h"
#include "host/Commands.h"
#include "host/RecordFile.h"

namespace halvex::host {

ExitCode RunInspect(const InspectOptions& options, Console console) {
    // Damaged records are described too (the description names the damage), so the file is
    // read as it is rather than through the checks that guard the plug-in.
    const std::vector<uint8_t> bytes = ReadRecordBytes(options.record);
    console.out << (options.json ? DescribeRecordJson(bytes) : DescribeRecordText(bytes));
    return ExitCode::Ok;
}

}  // namespace halvex::host
