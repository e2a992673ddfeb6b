#include "host/FileReplacement.h"

#include <random>

#include "host/HostError.h"
#include "host/OsFile.h"

namespace halvex::host {
namespace {

namespace fs = std::filesystem;

// Creates a new, unique file next to `target`; `temporary` receives its name.
OsFile CreateTemporary(const fs::path& target, bool ownerOnly, fs::path& temporary) {
    std::random_device seed;
    std::mt19937 random(seed());
    for (int attempt = 0; attempt < 100; ++attempt) {
        // Built by appending: GCC 12 misreports `"." + string` as an overlapping copy.
        std::string name = ".";
        name += target.filename().string();
        name += ".tmp-" + std::to_string(ProcessId()) + "-" + std::to_string(random() % 1000000);
        temporary = target.parent_path() / name;
        OsFile file = OsFile::CreateNew(temporary, ownerOnly);
        if (file.IsOpen() || !IsExists(LastError()))
            return file;
    }
    return {};
}

}  // namespace

FileReplacement::~FileReplacement() {
    RemoveTemporaries();
}

void FileReplacement::RemoveTemporaries() {
    for (const Staged& file : staged_)
        RemoveFile(file.temporary);
    staged_.clear();
}

void FileReplacement::Fail(const fs::path& path, const std::string& what, int error) {
    const bool others = !staged_.empty();
    RemoveTemporaries();
    throw HostError(ExitCode::WriteFailed, path.string() + ": " + what +
                                               (error != 0 ? ": " + ErrorText(error) : "") +
                                               "; the old file is unchanged" +
                                               (others ? ", and so is every other file" : ""));
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
    const bool exists = StatusOf(target).error == 0;
    if (exists && !IsWritable(target))
        Fail(path, "is read-only; not replaced", 0);
    fs::path temporary;
    OsFile file = CreateTemporary(target, exists, temporary);
    if (!file.IsOpen())
        Fail(path, "cannot create a temporary file beside it", LastError());
    staged_.push_back({path, target, temporary});
    bool ok =
        file.WriteAll(bytes) && (!exists || file.TakeOverOwnerAndMode(target)) && file.Flush();
    int error = ok ? 0 : LastError();
    if (!file.Close() && ok) {
        ok = false;
        error = LastError();
    }
    if (!ok)
        Fail(path, "cannot write the new contents", error);
}

void FileReplacement::Commit() {
    for (size_t i = 0; i < staged_.size(); ++i) {
        const Staged& file = staged_[i];
        if (!ReplaceFileWith(file.temporary, file.target)) {
            const int error = LastError();
            const fs::path named = file.named;
            staged_.erase(staged_.begin(), staged_.begin() + static_cast<std::ptrdiff_t>(i));
            RemoveTemporaries();
            throw HostError(ExitCode::WriteFailed,
                            named.string() + ": cannot replace it: " + ErrorText(error) +
                                "; it is unchanged, but " + std::to_string(i) +
                                " file(s) named before it were replaced");
        }
        SyncFolder(file.target.parent_path());
    }
    staged_.clear();
}

void ReplaceFileAtomically(const fs::path& path, ConstBytes bytes) {
    FileReplacement replacement;
    replacement.Stage(path, bytes);
    replacement.Commit();
}

}  // namespace halvex::host
