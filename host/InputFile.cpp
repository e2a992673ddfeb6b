#include "host/InputFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "host/HostError.h"

namespace halvex::host {
namespace {

[[noreturn]] void Refuse(const std::filesystem::path& path, const std::string& message) {
    throw HostError(ExitCode::BadInput, path.string() + ": " + message);
}

void CheckKindAndSize(const std::filesystem::path& path, const struct stat& info, size_t limit,
                      const std::string& what) {
    if (!S_ISREG(info.st_mode))
        Refuse(path, "not a regular file");
    if (static_cast<uintmax_t>(info.st_size) > limit) {
        Refuse(path, std::to_string(info.st_size) + " bytes, more than any " + what +
                         " can hold (" + std::to_string(limit) + " bytes)");
    }
}

}  // namespace

std::vector<uint8_t> ReadInputFile(const std::filesystem::path& path, size_t limit,
                                   const std::string& what) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            Refuse(path, "no such " + what);
        Refuse(path, std::string("cannot be read: ") + std::strerror(errno));
    }
    CheckKindAndSize(path, info, limit, what);
    // O_NONBLOCK: should the name have become a FIFO since the check, opening it cannot wait.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        Refuse(path, std::string("cannot be read: ") + std::strerror(errno));
    struct FdCloser {
        int fd;
        ~FdCloser() { ::close(fd); }
    } closer{fd};
    if (::fstat(fd, &info) != 0)
        Refuse(path, std::string("cannot be read: ") + std::strerror(errno));
    CheckKindAndSize(path, info, limit, what);

    std::vector<uint8_t> bytes(static_cast<size_t>(info.st_size));
    size_t done = 0;
    while (true) {
        if (done == bytes.size()) {
            // The file may have grown since fstat; read on, but never past the limit.
            if (bytes.size() > limit) {
                Refuse(path,
                       "grew to more than " + std::to_string(limit) + " bytes while it was read");
            }
            bytes.resize(std::min(limit + 1, std::max<size_t>(2 * bytes.size(), 4096)));
        }
        const ssize_t n = ::read(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            Refuse(path, std::string("cannot be read: ") + std::strerror(errno));
        if (n == 0)
            break;
        done += static_cast<size_t>(n);
    }
    bytes.resize(done);
    return bytes;
}

}  // namespace halvex::host
