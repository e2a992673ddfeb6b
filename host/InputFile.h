// Reading a file named on the command line, with the checks every input file gets.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace halvex::host {

// The whole content of `path`; `what` names the kind of file in messages ("record file").
// Throws HostError (BadInput) naming the file when there is none, when it is not a regular
// file (a directory, FIFO or device is never read, so a FIFO cannot block), when it holds more
// than `limit` bytes (said with its size, before anything is read) and when reading fails.
std::vector<uint8_t> ReadInputFile(const std::filesystem::path& path, size_t limit,
                                   const std::string& what);

}  // namespace halvex::host
