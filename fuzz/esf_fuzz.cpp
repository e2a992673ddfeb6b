// Feeds arbitrary bytes to the export readers (ESF directly, and ESF, XML or CSV through the
// entry point that recognises them) and checks what every import must guarantee: each item's
// parent exists before it, no slot is filled twice, item data carries the item's number, labels
// are UTF-8, a refused file yields nothing and an accepted one at least one address; and the
// line operations never grow a line.
#include <bitset>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "engine/Codepage.h"
#include "engine/import/EsfImport.h"
#include "engine/import/GroupAddress.h"
#include "engine/import/GroupAddressImport.h"

namespace {

void Check(bool condition) {
    if (!condition)
        __builtin_trap();
}

void CheckImport(const halvex::EsfImport& result) {
    std::bitset<32> mains;
    std::bitset<256> middles;
    std::bitset<65536> addresses;
    for (const halvex::EsfItem& item : result.items) {
        Check(halvex::IsValidUtf8(item.label));
        Check(item.label.find(' ') != std::string::npos);
        switch (item.kind) {
            case halvex::EsfItemKind::MainGroup:
                Check(item.number < 32 && !mains.test(item.number) && item.itemData == 0);
                mains.set(item.number);
                break;
            case halvex::EsfItemKind::MiddleGroup:
                Check(!middles.test(item.number) && mains.test(item.number >> 3));
                Check(item.itemData == 0);
                middles.set(item.number);
                break;
            case halvex::EsfItemKind::GroupAddress:
                Check(!addresses.test(item.number));
                Check(item.threeLevel ? middles.test(item.number >> 8)
                                      : mains.test(item.number >> 11));
                Check(item.itemData >> 16 == item.number && (item.itemData & 0xFF00) == 0);
                Check((item.itemData & 0xFF) == 0xFF || (item.itemData & 0xF0) == 0x20);
                addresses.set(item.number);
                break;
        }
    }
    Check(halvex::IsValidUtf8(result.projectName));
    Check(result.threeLevel.has_value() || result.items.empty());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    CheckImport(halvex::ParseEsf(bytes));
    const halvex::GroupAddressImport imported = halvex::ImportGroupAddresses(bytes);
    CheckImport(imported.catalogue);
    Check((imported.refusal == halvex::ImportRefusal::None) != imported.catalogue.items.empty());

    std::string line(bytes.substr(0, bytes.find('\n')));
    const size_t before = line.size();
    halvex::NormaliseEsfLine(line);
    halvex::MaskNameSlashes(line);
    Check(line.size() <= before);
    Check(halvex::SizeTextToObjectType(line) <= 14 ||
          halvex::SizeTextToObjectType(line) == halvex::kEsfNoSize);

    // A parsed address formats back to text that parses to the same value.
    if (const auto address = halvex::GroupAddress::Parse(bytes.substr(0, 16))) {
        for (const bool threeLevel : {true, false}) {
            Check(halvex::GroupAddress::Parse(address->Format(threeLevel)) == address);
        }
    }
    return 0;
}
