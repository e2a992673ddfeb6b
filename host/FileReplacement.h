// Replacing files whole: each new content goes to a temporary file beside its target and is
// renamed over it only when every file of the set has been written.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "engine/record/Bytes.h"

namespace halvex::host {

// One set of files replaced together (all or none). A symbolic link is followed; the new file
// keeps the old one's mode (it is never readable by more users than the old one, not even
// while it is written) and, where the process may set them, its owner and group. A file the
// user may not write is refused, as editors refuse it, although the folder would allow the
// rename. Temporaries not yet renamed are removed when the set is destroyed.
class FileReplacement {
public:
    FileReplacement() = default;
    FileReplacement(const FileReplacement&) = delete;
    FileReplacement& operator=(const FileReplacement&) = delete;
    ~FileReplacement();

    // Writes `bytes` to a temporary file beside `path` and flushes it. Throws HostError
    // (WriteFailed) after removing every temporary of the set, so that no file changes.
    void Stage(const std::filesystem::path& path, ConstBytes bytes);
    // Renames every staged file over its target. Throws HostError (WriteFailed) when a rename
    // fails, saying how many files had been replaced.
    void Commit();

private:
    struct Staged {
        std::filesystem::path named;   // as the user gave it
        std::filesystem::path target;  // the file replaced (a link's target)
        std::filesystem::path temporary;
    };
    [[noreturn]] void Fail(const std::filesystem::path& path, const std::string& what, int error);
    void RemoveTemporaries();

    std::vector<Staged> staged_;
};

// A set of one.
void ReplaceFileAtomically(const std::filesystem::path& path, ConstBytes bytes);

}  // namespace halvex::host
