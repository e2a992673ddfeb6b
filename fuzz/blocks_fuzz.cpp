// The trailing-block loaders and the host structures, on arbitrary bytes: the name block of a
// KNX/WLAN record, the transmitter table of an EnOcean record, the host's scene list and device
// table.
//
// Input: a selector byte (bit 0: three-level name block), then the bytes. Guarantees checked:
// no read outside the bytes (sanitizers); a name block's entries have labels without NUL, in
// range numbers for their level; the transmitter table keeps at most 1000 rows, only whole rows
// inside the block, and zeroes the rest; labels are UTF-8.
#include <algorithm>
#include <cstdint>
#include <vector>

#include "engine/Codepage.h"
#include "engine/record/HostStructures.h"
#include "engine/record/RecordLayout.h"
#include "engine/record/SceneRecord.h"
#include "fuzz/FuzzCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace halvex;
    ConstBytes input(data, size);
    const uint8_t selector = fuzz::TakeByte(input);
    const std::vector<uint8_t> bytes(input.begin(), input.end());

    const NameBlockParse parse = ParseNameBlock(bytes, (selector & 1) != 0);
    if (parse.block) {
        for (const auto* level :
             {&parse.block->mains, &parse.block->middles, &parse.block->groups}) {
            for (const NameEntry& e : *level)
                fuzz::Check(e.label.find('\0') == std::string::npos);
        }
        fuzz::Check(parse.problem.empty());
    }

    // The same bytes as a whole record: name block and transmitter table through the readers.
    ReadNameBlock(bytes);
    std::vector<uint8_t> table(layout::kRowSize * layout::kMaxRows, 0x5A);
    const uint16_t rows =
        ReadTransmitterTable(bytes, std::span<uint8_t, layout::kRowSize * layout::kMaxRows>(table));
    fuzz::Check(rows <= layout::kMaxRows);
    fuzz::Check(rows * layout::kRowSize <= bytes.size());
    fuzz::Check(fuzz::AllZero(ConstBytes(table).subspan(rows * layout::kRowSize)));
    for (uint16_t r = 0; r < rows; ++r) {
        const std::string label =
            TransmitterLabel(ConstBytes(table).subspan(r * layout::kRowSize, layout::kRowSize));
        fuzz::Check(IsValidUtf8(label));
    }
    TransmitterLabel(bytes);

    // The host's structures, bounded by the span.
    ReadHostScenes(bytes);
    // Every entry of a full table and the first indices past it.
    const size_t devices =
        std::min(bytes.size() / layout::kDeviceEntrySize, layout::kMaxDevices) + 2;
    for (size_t i = 0; i < devices; ++i) {
        const uint8_t type = DeviceOutputType(bytes, i);
        fuzz::Check(type == 7 || type == 9 || type == 10);
        fuzz::Check(DeviceName(bytes, i).size() <= layout::kDeviceEntryNameSize);
    }
    return 0;
}
