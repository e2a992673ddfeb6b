// Scene records as the host keeps them: one file per scene object holding the record's bytes
// (main part and trailing block), handed to the plug-in as a malloc block.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "plugin/Bytes.h"

namespace halvex::host {

struct FreeDeleter {
    void operator()(uint8_t* p) const { std::free(p); }
};
// A record block that the plug-in may free or replace: always allocated with malloc.
using RecordBlock = std::unique_ptr<uint8_t, FreeDeleter>;

// A record read from a file: its bytes and the size its own header declares.
struct StoredRecord {
    std::vector<uint8_t> bytes;
    size_t declaredSize = 0;
};

// Size the record declares: the main-part length plus, when flagged, the trailing block's
// length; nullopt when those fields do not fit into `record`.
std::optional<size_t> DeclaredRecordSize(ConstBytes record);

// Same, for a record the plug-in handed back (its allocation size is unknown to the host).
size_t DeclaredRecordSize(const uint8_t* record);

// Empty when `record` can be handed to the plug-in: a full header and the declared main part
// and trailing block inside the bytes. Otherwise a description of the damage.
std::string RecordDamage(ConstBytes record);

// Reads a record file and checks it with RecordDamage. Throws HostError (BadInput).
StoredRecord ReadRecordFile(const std::filesystem::path& path);

// Like ReadRecordFile, but nullopt when there is no file at `path` (a new scene object).
std::optional<StoredRecord> ReadRecordFileIfPresent(const std::filesystem::path& path);

// Copies bytes into a new malloc block.
RecordBlock MallocCopy(ConstBytes bytes);

// Replaces the file at `path` (following a symbolic link) with `bytes` through a temporary file
// in the same directory and a rename, so that the old contents stay whole if anything fails.
// Throws HostError (WriteFailed).
void ReplaceFileAtomically(const std::filesystem::path& path, ConstBytes bytes);

}  // namespace halvex::host
