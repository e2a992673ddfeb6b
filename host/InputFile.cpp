#include "host/InputFile.h"

#include <algorithm>

#include "host/HostError.h"
#include "host/OsFile.h"

namespace halvex::host {
namespace {

[[noreturn]] void Refuse(const std::filesystem::path& path, const std::string& message) {
    throw HostError(ExitCode::BadInput, path.string() + ": " + message);
}

[[noreturn]] void Unreadable(const std::filesystem::path& path, int error) {
    Refuse(path, "cannot be read: " + ErrorText(error));
}

void CheckKindAndSize(const std::filesystem::path& path, const FileStatus& status, size_t limit,
                      const std::string& what) {
    if (status.error != 0)
        Unreadable(path, status.error);
    if (!status.regular)
        Refuse(path, "not a regular file");
    if (status.size > limit) {
        Refuse(path, std::to_string(status.size) + " bytes, more than any " + what + " can hold (" +
                         std::to_string(limit) + " bytes)");
    }
}

}  // namespace

std::vector<uint8_t> ReadInputFile(const std::filesystem::path& path, size_t limit,
                                   const std::string& what) {
    const FileStatus named = StatusOf(path);
    if (IsNotFound(named.error))
        Refuse(path, "no such " + what);
    CheckKindAndSize(path, named, limit, what);
    OsFile file = OsFile::OpenForReading(path);
    if (!file.IsOpen())
        Unreadable(path, LastError());
    // Checked again on the open file: the name may stand for another file by now.
    const FileStatus opened = file.Status();
    CheckKindAndSize(path, opened, limit, what);

    std::vector<uint8_t> bytes(static_cast<size_t>(opened.size));
    size_t done = 0;
    while (true) {
        if (done == bytes.size()) {
            // The file may have grown since its size was read; read on, but never past the
            // limit.
            if (bytes.size() > limit) {
                Refuse(path,
                       "grew to more than " + std::to_string(limit) + " bytes while it was read");
            }
            bytes.resize(std::min(limit + 1, std::max<size_t>(2 * bytes.size(), 4096)));
        }
        const long long n = file.Read(bytes.data() + done, bytes.size() - done);
        if (n < 0)
            Unreadable(path, LastError());
        if (n == 0)
            break;
        done += static_cast<size_t>(n);
    }
    bytes.resize(done);
    return bytes;
}

}  // namespace halvex::host
