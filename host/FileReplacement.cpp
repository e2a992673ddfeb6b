#include "host/FileReplacement.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <optional>
#include <random>

#include "host/HostError.h"

namespace halvex::host {
namespace {

namespace fs = std::filesystem;

bool WriteAll(int fd, ConstBytes bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

// Creates a new, unique file next to `target` with `mode` (the umask applies).
int CreateTemporary(const fs::path& target, mode_t mode, fs::path& temporary) {
    std::random_device seed;
    std::mt19937 random(seed());
    for (int attempt = 0; attempt < 100; ++attempt) {
        // Built by appending: GCC 12 misreports `"." + string` as an overlapping copy.
        std::string name = ".";
        name += target.filename().string();
        name += ".tmp-" + std::to_string(::getpid()) + "-" + std::to_string(random() % 1000000);
        temporary = target.parent_path() / name;
        const int fd =
            ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, mode);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    errno = EEXIST;
    return -1;
}

// Gives the new file the old one's owner and group, then its mode. Root must keep both; another
// user cannot give a file away, but keeps the group where it belongs to it.
bool TakeOverOwnerAndMode(int fd, const struct stat& old) {
    const bool root = ::geteuid() == 0;
    if (::fchown(fd, root ? old.st_uid : static_cast<uid_t>(-1), old.st_gid) != 0 && root)
        return false;
    return ::fchmod(fd, old.st_mode & 07777) == 0;
}

}  // namespace

FileReplacement::~FileReplacement() {
    RemoveTemporaries();
}

void FileReplacement::RemoveTemporaries() {
    for (const Staged& file : staged_)
        ::unlink(file.temporary.c_str());
    staged_.clear();
}

void FileReplacement::Fail(const fs::path& path, const std::string& what, int error) {
    const bool others = !staged_.empty();
    RemoveTemporaries();
    throw HostError(
        ExitCode::WriteFailed,
        path.string() + ": " + what + (error != 0 ? std::string(": ") + std::strerror(error) : "") +
            "; the old file is unchanged" + (others ? ", and so is every other file" : ""));
}

void FileReplacement::Stage(const fs::path& path, ConstBytes bytes) {
    std::error_code ec;
    fs::path target = path;
    if (fs::is_symlink(fs::symlink_status(path, ec))) {
        target = fs::canonical(path, ec);
        if (ec)
            Fail(path, "cannot follow the link", ec.value());
    }
    if (target.parent_path().empty())
        target = fs::path(".") / target;

    // An existing file lends its mode and owner; a new one gets the usual mode from the start.
    std::optional<struct stat> old;
    if (struct stat info{}; ::stat(target.c_str(), &info) == 0) {
        // As editors do: a file without any write permission is read-only even for root.
        if ((info.st_mode & 0222) == 0 ||
            ::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0)
            Fail(path, "is read-only; not replaced", 0);
        old = info;
    }
    fs::path temporary;
    const int fd = CreateTemporary(target, old ? S_IRUSR | S_IWUSR : 0666, temporary);
    if (fd < 0)
        Fail(path, "cannot create a temporary file beside it", errno);
    staged_.push_back({path, target, temporary});
    bool ok = WriteAll(fd, bytes);
    int error = errno;
    if (ok && old) {
        ok = TakeOverOwnerAndMode(fd, *old);
        error = errno;
    }
    if (ok) {
        ok = ::fsync(fd) == 0;
        error = errno;
    }
    if (::close(fd) != 0 && ok) {
        ok = false;
        error = errno;
    }
    if (!ok)
        Fail(path, "cannot write the new contents", error);
}

void FileReplacement::Commit() {
    for (size_t i = 0; i < staged_.size(); ++i) {
        const Staged& file = staged_[i];
        if (::rename(file.temporary.c_str(), file.target.c_str()) != 0) {
            const int error = errno;
            const fs::path named = file.named;
            staged_.erase(staged_.begin(), staged_.begin() + static_cast<std::ptrdiff_t>(i));
            RemoveTemporaries();
            throw HostError(ExitCode::WriteFailed,
                            named.string() + ": cannot replace it: " + std::strerror(error) +
                                "; it is unchanged, but " + std::to_string(i) +
                                " file(s) named before it were replaced");
        }
        const int dir =
            ::open(file.target.parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (dir >= 0) {
            ::fsync(dir);
            ::close(dir);
        }
    }
    staged_.clear();
}

void ReplaceFileAtomically(const fs::path& path, ConstBytes bytes) {
    FileReplacement replacement;
    replacement.Stage(path, bytes);
    replacement.Commit();
}

}  // namespace halvex::host
