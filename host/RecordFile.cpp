#include "host/RecordFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <random>

#include "host/HostError.h"
#include "plugin/RecordLayout.h"

namespace halvex::host {
namespace {

namespace fs = std::filesystem;

[[noreturn]] void WriteFailure(const fs::path& path, const std::string& what, int error) {
    throw HostError(
        ExitCode::WriteFailed,
        path.string() + ": " + what + ": " + std::strerror(error) + "; the old file is unchanged");
}

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

// Creates a new, unique file next to `target`; the process umask applies to its mode.
int CreateTemporary(const fs::path& target, fs::path& temporary) {
    std::random_device seed;
    std::mt19937 random(seed());
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary = target.parent_path() /
                    ("." + target.filename().string() + ".tmp-" + std::to_string(::getpid()) + "-" +
                     std::to_string(random() % 1000000));
        const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    errno = EEXIST;
    return -1;
}

}  // namespace

std::optional<size_t> DeclaredRecordSize(ConstBytes record) {
    const auto main = ReadU16(record, layout::kMainLength);
    const auto flags = ReadU8(record, layout::kFlagsA);
    if (!main || !flags)
        return std::nullopt;
    if ((*flags & layout::kFlagTrailingBlock) == 0)
        return *main;
    const auto trailing = ReadU32(record, *main);
    if (!trailing)
        return std::nullopt;
    return size_t{*main} + *trailing;
}

size_t DeclaredRecordSize(const uint8_t* record) {
    // The header is always there; the trailing block's length lies right behind the main part.
    const size_t main = *ReadU16(ConstBytes(record, layout::kHeaderSize), layout::kMainLength);
    const uint8_t flags = record[layout::kFlagsA];
    if ((flags & layout::kFlagTrailingBlock) == 0)
        return main;
    return main + *ReadU32(ConstBytes(record, main + 4), main);
}

std::string RecordDamage(ConstBytes record) {
    if (record.size() < layout::kHeaderSize) {
        return "too short for a scene record (" + std::to_string(record.size()) + " bytes, the " +
               "header alone has " + std::to_string(layout::kHeaderSize) + ")";
    }
    const size_t main = *ReadU16(record, layout::kMainLength);
    if (main < layout::kHeaderSize || main > record.size()) {
        return "main part length " + std::to_string(main) + " does not fit the " +
               std::to_string(record.size()) + "-byte file";
    }
    if ((record[layout::kFlagsA] & layout::kFlagTrailingBlock) == 0)
        return {};
    const auto trailing = ReadU32(record, main);
    if (!trailing)
        return "the trailing block's length is missing behind the main part";
    if (*trailing < 4 || *trailing > record.size() - main) {
        return "trailing block length " + std::to_string(*trailing) + " does not fit the " +
               std::to_string(record.size()) + "-byte file";
    }
    return {};
}

StoredRecord ReadRecordFile(const fs::path& path) {
    std::error_code ec;
    if (!fs::exists(path, ec)) {
        throw HostError(ExitCode::BadInput, path.string() + ": no such record file");
    }
    if (!fs::is_regular_file(path, ec)) {
        throw HostError(ExitCode::BadInput, path.string() + ": not a regular file");
    }
    std::ifstream in(path, std::ios::binary);
    StoredRecord record;
    record.bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (!in && !in.eof())
        throw HostError(ExitCode::BadInput, path.string() + ": cannot be read");
    if (const std::string damage = RecordDamage(record.bytes); !damage.empty()) {
        throw HostError(ExitCode::BadInput, path.string() + ": damaged record: " + damage);
    }
    record.declaredSize = *DeclaredRecordSize(record.bytes);
    return record;
}

std::optional<StoredRecord> ReadRecordFileIfPresent(const fs::path& path) {
    std::error_code ec;
    if (!fs::exists(fs::symlink_status(path, ec)))
        return std::nullopt;
    return ReadRecordFile(path);
}

RecordBlock MallocCopy(ConstBytes bytes) {
    RecordBlock block(static_cast<uint8_t*>(std::malloc(bytes.empty() ? 1 : bytes.size())));
    if (!block)
        throw std::bad_alloc();
    if (!bytes.empty())
        std::memcpy(block.get(), bytes.data(), bytes.size());
    return block;
}

void ReplaceFileAtomically(const fs::path& path, ConstBytes bytes) {
    std::error_code ec;
    fs::path target = path;
    if (fs::is_symlink(fs::symlink_status(path, ec))) {
        target = fs::canonical(path, ec);
        if (ec)
            WriteFailure(path, "cannot follow the link", ec.value());
    }
    if (target.parent_path().empty())
        target = fs::path(".") / target;

    fs::path temporary;
    const int fd = CreateTemporary(target, temporary);
    if (fd < 0)
        WriteFailure(path, "cannot create a temporary file beside it", errno);
    struct stat old {};
    bool ok = WriteAll(fd, bytes);
    int error = errno;
    if (ok && ::stat(target.c_str(), &old) == 0) {
        ok = ::fchmod(fd, old.st_mode & 07777) == 0;
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
    if (ok) {
        ok = ::rename(temporary.c_str(), target.c_str()) == 0;
        error = errno;
    }
    if (!ok) {
        ::unlink(temporary.c_str());
        WriteFailure(path, "cannot write the new contents", error);
    }
    const int dir = ::open(target.parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
}

}  // namespace halvex::host
