// The operating system's file calls that reading input files and replacing record files need,
// behind one interface: POSIX (OsFilePosix.cpp) or Win32 (OsFileWin32.cpp). The rules (size
// limits, refusals, messages, all-or-none replacement) stay with their callers.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>

#include "engine/record/Bytes.h"

namespace halvex::host {

// What a path or an open file is. `error` is the system's error number (errno, or Win32's
// GetLastError) when the status could not be read.
struct FileStatus {
    bool regular = false;  // a plain file: no folder, FIFO, pipe or device
    uintmax_t size = 0;
    int error = 0;
};

// An open file, closed when the object goes.
class OsFile {
public:
    OsFile() = default;
    OsFile(OsFile&& other) noexcept : handle_(std::exchange(other.handle_, -1)) {}
    OsFile& operator=(OsFile&& other) noexcept {
        std::swap(handle_, other.handle_);
        return *this;
    }
    ~OsFile();

    // Opens for reading without waiting: a name that became a FIFO does not block.
    static OsFile OpenForReading(const std::filesystem::path& path);
    // Creates a new file that must not exist yet; `ownerOnly` gives it to its owner only
    // (the mode of an existing file is taken over later).
    static OsFile CreateNew(const std::filesystem::path& path, bool ownerOnly);

    bool IsOpen() const;
    FileStatus Status() const;
    // Bytes read (0 at the end), or -1 with LastError() set.
    long long Read(uint8_t* data, size_t size);
    bool WriteAll(ConstBytes bytes);
    // Gives the file the owner, group and mode of `model` where the system keeps them with the
    // file (POSIX); Windows carries them over when the file replaces `model`.
    bool TakeOverOwnerAndMode(const std::filesystem::path& model);
    bool Flush();
    bool Close();

private:
    intptr_t handle_ = -1;
};

// The status of `path`, following symbolic links.
FileStatus StatusOf(const std::filesystem::path& path);
// Whether `error` says that the file or a folder on its path does not exist.
bool IsNotFound(int error);
// Whether `error` says that a file of that name exists already.
bool IsExists(int error);
// The system's error number of the last failed call, and its text for people.
int LastError();
std::string ErrorText(int error);

// Whether the user may replace the existing file `path`. Like editors, a file without any
// write permission counts as read-only even for an administrator.
bool IsWritable(const std::filesystem::path& path);
// Puts `replacement` in the place of `target` in one step (the old file, if any, goes).
bool ReplaceFileWith(const std::filesystem::path& replacement, const std::filesystem::path& target);
// Makes a rename in `folder` durable where the system needs to be told.
void SyncFolder(const std::filesystem::path& folder);
// Removes a file, ignoring failures.
void RemoveFile(const std::filesystem::path& path);
int ProcessId();

}  // namespace halvex::host
