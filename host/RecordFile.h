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

#include "engine/record/Bytes.h"
#include "engine/record/SceneRecord.h"

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

// Empty when `record` can be handed to the plug-in: a full header and the declared main part
// and trailing block inside the bytes. Otherwise a description of the damage.
std::string RecordDamage(ConstBytes record);

// No record is larger: the plug-in takes back no record whose main part and trailing block
// together claim more.
inline constexpr size_t kMaxRecordFileSize = kMaxClaimedRecordSize;

// The bytes of a record file as they are, damaged or not. Throws HostError (BadInput) for
// anything that is no record file: see ReadInputFile.
std::vector<uint8_t> ReadRecordBytes(const std::filesystem::path& path);

// Reads a record file and checks it with RecordDamage. Throws HostError (BadInput).
StoredRecord ReadRecordFile(const std::filesystem::path& path);

// Like ReadRecordFile, but nullopt when there is no file at `path` (a new scene object).
std::optional<StoredRecord> ReadRecordFileIfPresent(const std::filesystem::path& path);

// Copies bytes into a new malloc block.
RecordBlock MallocCopy(ConstBytes bytes);

}  // namespace halvex::host
