#include "engine/import/GroupAddress.h"

namespace halvex {

std::optional<int> ParseAddressPart(std::string_view digits, int max) {
    if (digits.empty())
        return std::nullopt;
    int value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
        // Stop as soon as the value is too large, so long digit runs cannot overflow.
        if (value > max)
            return std::nullopt;
    }
    return value;
}

std::optional<GroupAddress> GroupAddress::FromParts3(int main, int middle, int group) {
    if (main < 0 || main > kMaxMain || middle < 0 || middle > kMaxMiddle || group < 0 ||
        group > kMaxGroup3) {
        return std::nullopt;
    }
    return GroupAddress(static_cast<uint16_t>(main << 11 | middle << 8 | group));
}

std::optional<GroupAddress> GroupAddress::FromParts2(int main, int group) {
    if (main < 0 || main > kMaxMain || group < 0 || group > kMaxGroup2)
        return std::nullopt;
    return GroupAddress(static_cast<uint16_t>(main << 11 | group));
}

std::optional<GroupAddress> GroupAddress::Parse(std::string_view text) {
    const size_t first = text.find('/');
    if (first == std::string_view::npos)
        return std::nullopt;
    const size_t second = text.find('/', first + 1);
    const auto main = ParseAddressPart(text.substr(0, first), kMaxMain);
    if (!main)
        return std::nullopt;
    if (second == std::string_view::npos) {
        const auto group = ParseAddressPart(text.substr(first + 1), kMaxGroup2);
        if (!group)
            return std::nullopt;
        return FromParts2(*main, *group);
    }
    const auto middle = ParseAddressPart(text.substr(first + 1, second - first - 1), kMaxMiddle);
    const auto group = ParseAddressPart(text.substr(second + 1), kMaxGroup3);
    if (!middle || !group)
        return std::nullopt;
    return FromParts3(*main, *middle, *group);
}

std::string GroupAddress::Format(bool threeLevel) const {
    std::string text = std::to_string(Main()) + '/';
    if (threeLevel) {
        text += std::to_string(Middle()) + '/' + std::to_string(Group3());
    } else {
        text += std::to_string(Group2());
    }
    return text;
}

}  // namespace halvex
