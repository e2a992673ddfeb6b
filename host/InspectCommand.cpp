// inspect: a record file described for people or, with --json, for programs.
#include <fstream>
#include <iostream>
#include <iterator>

#include "host/Commands.h"
#include "plugin/RecordInspector.h"

namespace halvex::host {

ExitCode RunInspect(const InspectOptions& options) {
    // Damaged records are described too (the description names the damage), so the file is
    // read as it is rather than through the checks that guard the plug-in.
    std::error_code ec;
    if (!std::filesystem::is_regular_file(options.record, ec)) {
        throw HostError(ExitCode::BadInput, options.record + ": no such record file");
    }
    std::ifstream in(options.record, std::ios::binary);
    const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in),
                                     std::istreambuf_iterator<char>()};
    if (!in && !in.eof())
        throw HostError(ExitCode::BadInput, options.record + ": cannot be read");
    std::cout << (options.json ? DescribeRecordJson(bytes) : DescribeRecordText(bytes));
    return ExitCode::Ok;
}

}  // namespace halvex::host
