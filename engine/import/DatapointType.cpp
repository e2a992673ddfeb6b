#include "engine/import/DatapointType.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <utility>

#include "engine/import/EsfImport.h"

namespace halvex {
namespace {

// ObjectType codes of the sizes that occur.
constexpr uint8_t k1Bit = 0, k2Bit = 1, k4Bit = 3, k1Byte = 7, k2Byte = 8, k3Byte = 9, k4Byte = 10,
                  k6Byte = 11, k8Byte = 12, k14Byte = 14;

constexpr std::array<std::pair<int, uint8_t>, 32> kMainSizes = {{
    {1, k1Bit},    {2, k2Bit},    {3, k4Bit},   {4, k1Byte},   {5, k1Byte},   {6, k1Byte},
    {7, k2Byte},   {8, k2Byte},   {9, k2Byte},  {10, k3Byte},  {11, k3Byte},  {12, k4Byte},
    {13, k4Byte},  {14, k4Byte},  {15, k4Byte}, {16, k14Byte}, {17, k1Byte},  {18, k1Byte},
    {19, k8Byte},  {20, k1Byte},  {21, k1Byte}, {22, k2Byte},  {23, k2Bit},   {25, k1Byte},
    {26, k1Byte},  {27, k4Byte},  {29, k8Byte}, {30, k3Byte},  {232, k3Byte}, {235, k6Byte},
    {242, k6Byte}, {251, k6Byte},
}};

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() &&
           std::equal(prefix.begin(), prefix.end(), text.begin(), [](char a, char b) {
               return std::toupper(static_cast<unsigned char>(a)) ==
                      std::toupper(static_cast<unsigned char>(b));
           });
}

// Decimal digits at the start of `text` (at most four), removed from it; nullopt without any.
std::optional<int> TakeNumber(std::string_view& text) {
    size_t n = 0;
    int value = 0;
    while (n < text.size() && n < 5 && text[n] >= '0' && text[n] <= '9')
        value = value * 10 + (text[n++] - '0');
    if (n == 0 || n == 5)
        return std::nullopt;
    text.remove_prefix(n);
    return value;
}

}  // namespace

uint8_t ObjectTypeOfDatapoint(int main) {
    const auto* hit = std::find_if(kMainSizes.begin(), kMainSizes.end(),
                                   [main](const auto& entry) { return entry.first == main; });
    return hit != kMainSizes.end() ? hit->second : kEsfNoSize;
}

std::optional<uint8_t> ReadDatapointType(std::string_view text) {
    text.remove_prefix(std::min(text.find_first_not_of(" \t"), text.size()));
    text = text.substr(0, text.find_first_of(", \t"));
    for (const std::string_view prefix : {"DPST-", "DPT-"}) {
        if (!StartsWithNoCase(text, prefix))
            continue;
        text.remove_prefix(prefix.size());
        const auto main = TakeNumber(text);
        if (!main)
            return std::nullopt;
        if (!text.empty()) {
            if (text[0] != '-' && text[0] != '.')
                return std::nullopt;
            text.remove_prefix(1);
            if (!TakeNumber(text) || !text.empty())
                return std::nullopt;
        }
        return ObjectTypeOfDatapoint(*main);
    }
    return std::nullopt;
}

}  // namespace halvex
