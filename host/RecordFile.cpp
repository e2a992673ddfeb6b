#include "host/RecordFile.h"

#include <cstring>

#include "engine/record/RecordLayout.h"
#include "host/HostError.h"
#include "host/InputFile.h"

namespace halvex::host {

namespace fs = std::filesystem;

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

std::vector<uint8_t> ReadRecordBytes(const fs::path& path) {
    return ReadInputFile(path, kMaxRecordFileSize, "record file");
}

StoredRecord ReadRecordFile(const fs::path& path) {
    StoredRecord record;
    record.bytes = ReadRecordBytes(path);
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

}  // namespace halvex::host
