#include "engine/import/ImportBuilder.h"

#include <algorithm>
#include <string>

#include "engine/Codepage.h"
#include "engine/import/GroupAddress.h"

namespace halvex {
namespace {

constexpr uint32_t kDraggable = 0x20;

bool IsUndefinedCp1252(char c) {
    const auto b = static_cast<uint8_t>(c);
    return b == 0x81 || b == 0x8D || b == 0x8F || b == 0x90 || b == 0x9D;
}

// A name from the file as UTF-8, or nullopt when it is neither UTF-8 nor Windows-1252 text, or
// holds a byte that would end a line or a stored label.
std::optional<std::string> DecodeName(std::string_view bytes) {
    if (bytes.find_first_of(std::string_view("\0\r\n", 3)) != std::string_view::npos)
        return std::nullopt;
    if (IsValidUtf8(bytes))
        return std::string(bytes);
    if (std::any_of(bytes.begin(), bytes.end(), IsUndefinedCp1252))
        return std::nullopt;
    return Cp1252ToUtf8(bytes);
}

// "<number> <name>" when the label fits its buffer and the name is text; nullopt otherwise.
std::optional<std::string> MakeLabel(std::string_view number, std::string_view name) {
    if (number.size() + 1 + name.size() > kEsfMaxLabelLength)
        return std::nullopt;
    auto decoded = DecodeName(name);
    if (!decoded)
        return std::nullopt;
    std::string label;
    label.reserve(number.size() + 1 + decoded->size());
    label.append(number).append(1, ' ').append(*decoded);
    return label;
}

}  // namespace

std::optional<AddressParts> SplitAddress(std::string_view text) {
    constexpr auto npos = std::string_view::npos;
    const size_t s1 = text.find('/');
    if (s1 == npos)
        return std::nullopt;
    const size_t s2 = text.find('/', s1 + 1);
    if (s2 == npos)
        return AddressParts{false, text.substr(0, s1), {}, text.substr(s1 + 1)};
    if (text.find('/', s2 + 1) != npos)
        return std::nullopt;
    return AddressParts{true, text.substr(0, s1), text.substr(s1 + 1, s2 - s1 - 1),
                        text.substr(s2 + 1)};
}

bool ImportBuilder::Add(const AddressEntry& entry) {
    const auto main = ParseAddressPart(entry.mainDigits, GroupAddress::kMaxMain);
    if (!main)
        return false;
    std::optional<GroupAddress> address;
    std::string groupPrefix = std::to_string(*main) + '/';
    std::optional<std::string> middleLabel;
    if (entry.threeLevel) {
        const auto middle = ParseAddressPart(entry.middleDigits, GroupAddress::kMaxMiddle);
        const auto group = ParseAddressPart(entry.groupDigits, GroupAddress::kMaxGroup3);
        if (!middle || !group)
            return false;
        address = GroupAddress::FromParts3(*main, *middle, *group);
        middleLabel = MakeLabel(entry.middleDigits, entry.middleName);
        if (!middleLabel)
            return false;
        groupPrefix.append(std::to_string(*middle)).append(1, '/');
    } else {
        const auto group = ParseAddressPart(entry.groupDigits, GroupAddress::kMaxGroup2);
        if (!group)
            return false;
        address = GroupAddress::FromParts2(*main, *group);
    }
    auto mainLabel = MakeLabel(entry.mainDigits, entry.mainName);
    auto addressLabel = MakeLabel(groupPrefix.append(entry.groupDigits), entry.name);
    if (!address || !mainLabel || !addressLabel)
        return false;

    result_.threeLevel = entry.threeLevel;
    if (!mainGroups_.test(static_cast<size_t>(*main))) {
        mainGroups_.set(static_cast<size_t>(*main));
        result_.items.push_back({EsfItemKind::MainGroup, static_cast<uint16_t>(*main),
                                 std::move(*mainLabel), 0, entry.threeLevel});
    }
    if (entry.threeLevel) {
        const auto middleIndex = static_cast<size_t>(address->MiddleIndex());
        if (!middleGroups_.test(middleIndex)) {
            middleGroups_.set(middleIndex);
            result_.items.push_back({EsfItemKind::MiddleGroup, static_cast<uint16_t>(middleIndex),
                                     std::move(*middleLabel), 0, true});
        }
    }
    const uint16_t value = address->Value();
    if (!addresses_.test(value)) {
        addresses_.set(value);
        const uint32_t itemData =
            static_cast<uint32_t>(value) << 16 | kDraggable | entry.objectType;
        result_.items.push_back({EsfItemKind::GroupAddress, value, std::move(*addressLabel),
                                 itemData, entry.threeLevel});
    }
    return true;
}

}  // namespace halvex
