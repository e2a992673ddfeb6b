// OsFile on Windows.
#include <windows.h>

#include <algorithm>
#include <utility>

#include "host/OsFile.h"
#include "host/WideText.h"

namespace halvex::host {
namespace {

HANDLE Handle(intptr_t handle) {
    return reinterpret_cast<HANDLE>(handle);
}

// Closes a handle without touching the error number that the caller is about to read.
void CloseQuietly(HANDLE handle) {
    const DWORD error = GetLastError();
    CloseHandle(handle);
    SetLastError(error);
}

// An existing file opened so that others may go on reading, writing and renaming it.
HANDLE OpenExisting(const std::filesystem::path& path, DWORD access) {
    return CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                       nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

FileStatus StatusFrom(const BY_HANDLE_FILE_INFORMATION& info) {
    const bool folder = (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    return {!folder, (uintmax_t{info.nFileSizeHigh} << 32) | info.nFileSizeLow, 0};
}

}  // namespace

OsFile::~OsFile() {
    if (IsOpen())
        CloseQuietly(Handle(handle_));
}

OsFile OsFile::OpenForReading(const std::filesystem::path& path) {
    OsFile file;
    const HANDLE handle = OpenExisting(path, GENERIC_READ);
    if (handle == INVALID_HANDLE_VALUE)
        return file;
    // A pipe, console or other device is no file to read.
    if (GetFileType(handle) != FILE_TYPE_DISK) {
        CloseHandle(handle);
        SetLastError(ERROR_BAD_FILE_TYPE);
        return file;
    }
    file.handle_ = reinterpret_cast<intptr_t>(handle);
    return file;
}

OsFile OsFile::CreateNew(const std::filesystem::path& path, bool) {
    // Its security comes from the folder now and from the replaced file when it takes its place.
    OsFile file;
    const HANDLE handle = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle != INVALID_HANDLE_VALUE)
        file.handle_ = reinterpret_cast<intptr_t>(handle);
    return file;
}

bool OsFile::IsOpen() const {
    return handle_ != -1;
}

FileStatus OsFile::Status() const {
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(Handle(handle_), &info))
        return {false, 0, static_cast<int>(GetLastError())};
    return StatusFrom(info);
}

long long OsFile::Read(uint8_t* data, size_t size) {
    DWORD read = 0;
    const DWORD wanted = static_cast<DWORD>(std::min<size_t>(size, 1u << 30));
    if (!ReadFile(Handle(handle_), data, wanted, &read, nullptr))
        return -1;
    return read;
}

bool OsFile::WriteAll(ConstBytes bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        DWORD written = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 30));
        if (!WriteFile(Handle(handle_), bytes.data() + done, chunk, &written, nullptr) ||
            written == 0)
            return false;
        done += written;
    }
    return true;
}

bool OsFile::TakeOverOwnerAndMode(const std::filesystem::path&) {
    // ReplaceFileWith keeps the replaced file's security and attributes.
    return true;
}

bool OsFile::Flush() {
    return FlushFileBuffers(Handle(handle_)) != 0;
}

bool OsFile::Close() {
    return CloseHandle(Handle(std::exchange(handle_, -1))) != 0;
}

FileStatus StatusOf(const std::filesystem::path& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data))
        return {false, 0, static_cast<int>(GetLastError())};
    // Devices ("NUL", "COM1") and pipes show no size; the open file is checked again.
    const bool folder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    return {!folder, (uintmax_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow, 0};
}

bool IsNotFound(int error) {
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ||
           error == ERROR_INVALID_NAME;
}

bool IsExists(int error) {
    return error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS;
}

int LastError() {
    return static_cast<int>(GetLastError());
}

std::string ErrorText(int error) {
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, static_cast<DWORD>(error), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring wide(text != nullptr ? text : L"", length);
    LocalFree(text);
    while (!wide.empty() && (wide.back() == L'\n' || wide.back() == L'\r' || wide.back() == L'.'))
        wide.pop_back();
    if (wide.empty())
        return "error " + std::to_string(error);
    return Utf8FromWide(wide);
}

bool IsWritable(const std::filesystem::path& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_READONLY) != 0)
        return false;
    // Opening for writing changes nothing, but tells whether the user may.
    const HANDLE handle = OpenExisting(path, GENERIC_WRITE);
    if (handle == INVALID_HANDLE_VALUE)
        return false;
    CloseHandle(handle);
    return true;
}

bool ReplaceFileWith(const std::filesystem::path& replacement,
                     const std::filesystem::path& target) {
    // ReplaceFileW keeps the old file's security, attributes and streams; a file that does not
    // exist (yet) is simply renamed into place.
    if (GetFileAttributesW(target.c_str()) != INVALID_FILE_ATTRIBUTES &&
        ReplaceFileW(target.c_str(), replacement.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS,
                     nullptr, nullptr))
        return true;
    return MoveFileExW(replacement.c_str(), target.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

void SyncFolder(const std::filesystem::path&) {
    // MOVEFILE_WRITE_THROUGH and ReplaceFileW return once the rename is on disk.
}

void RemoveFile(const std::filesystem::path& path) {
    DeleteFileW(path.c_str());
}

int ProcessId() {
    return static_cast<int>(GetCurrentProcessId());
}

}  // namespace halvex::host
