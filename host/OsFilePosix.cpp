// OsFile on POSIX systems.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

#include "host/OsFile.h"

namespace halvex::host {
namespace {

int Fd(intptr_t handle) {
    return static_cast<int>(handle);
}

FileStatus StatusFrom(int result, const struct stat& info) {
    if (result != 0)
        return {false, 0, errno};
    return {S_ISREG(info.st_mode), static_cast<uintmax_t>(info.st_size), 0};
}

}  // namespace

OsFile::~OsFile() {
    if (IsOpen())
        ::close(Fd(handle_));
}

OsFile OsFile::OpenForReading(const std::filesystem::path& path) {
    OsFile file;
    // O_NONBLOCK: should the name have become a FIFO since it was checked, opening cannot wait.
    file.handle_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    return file;
}

OsFile OsFile::CreateNew(const std::filesystem::path& path, bool ownerOnly) {
    OsFile file;
    file.handle_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW,
                          ownerOnly ? S_IRUSR | S_IWUSR : 0666);
    return file;
}

bool OsFile::IsOpen() const {
    return handle_ >= 0;
}

FileStatus OsFile::Status() const {
    struct stat info {};
    return StatusFrom(::fstat(Fd(handle_), &info), info);
}

long long OsFile::Read(uint8_t* data, size_t size) {
    while (true) {
        const ssize_t n = ::read(Fd(handle_), data, size);
        if (n >= 0 || errno != EINTR)
            return n;
    }
}

bool OsFile::WriteAll(ConstBytes bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(Fd(handle_), bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

// Root must keep owner and group; another user cannot give a file away, but keeps the group
// where it belongs to it.
bool OsFile::TakeOverOwnerAndMode(const std::filesystem::path& model) {
    struct stat old {};
    if (::stat(model.c_str(), &old) != 0)
        return false;
    const bool root = ::geteuid() == 0;
    if (::fchown(Fd(handle_), root ? old.st_uid : static_cast<uid_t>(-1), old.st_gid) != 0 && root)
        return false;
    return ::fchmod(Fd(handle_), old.st_mode & 07777) == 0;
}

bool OsFile::Flush() {
    return ::fsync(Fd(handle_)) == 0;
}

bool OsFile::Close() {
    const int fd = Fd(std::exchange(handle_, -1));
    return ::close(fd) == 0;
}

FileStatus StatusOf(const std::filesystem::path& path) {
    struct stat info {};
    return StatusFrom(::stat(path.c_str(), &info), info);
}

bool IsNotFound(int error) {
    return error == ENOENT || error == ENOTDIR;
}

bool IsExists(int error) {
    return error == EEXIST;
}

int LastError() {
    return errno;
}

std::string ErrorText(int error) {
    return std::strerror(error);
}

bool IsWritable(const std::filesystem::path& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && (info.st_mode & 0222) != 0 &&
           ::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) == 0;
}

bool ReplaceFileWith(const std::filesystem::path& replacement,
                     const std::filesystem::path& target) {
    return ::rename(replacement.c_str(), target.c_str()) == 0;
}

void SyncFolder(const std::filesystem::path& folder) {
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
}

void RemoveFile(const std::filesystem::path& path) {
    ::unlink(path.c_str());
}

int ProcessId() {
    return static_cast<int>(::getpid());
}

}  // namespace halvex::host
