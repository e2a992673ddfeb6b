#include "catalogue/EsfImport.h"

#include <algorithm>
#include <array>
#include <bitset>

#include "catalogue/GroupAddress.h"
#include "plugin/Codepage.h"

namespace halvex {
namespace {

constexpr std::array<std::string_view, 15> kSizeTexts = {
    "(1 Bit)",  "(2 Bit)",  "(3 Bit)",  "(4 Bit)",  "(5 Bit)",  "(6 Bit)",   "(7 Bit)",  "(1 Byte)",
    "(2 Byte)", "(3 Byte)", "(4 Byte)", "(6 Byte)", "(8 Byte)", "(10 Byte)", "(14 Byte)"};

constexpr std::string_view kBom = "\xEF\xBB\xBF";
constexpr uint32_t kDraggable = 0x20;

// Splits the file into lines: LF ends a line and a CR right before it is dropped.
class LineReader {
public:
    explicit LineReader(std::string_view data) : data_(data) {}

    bool AtEnd() const { return pos_ >= data_.size(); }

    std::string_view Next() {
        const size_t lf = data_.find('\n', pos_);
        const size_t end = lf == std::string_view::npos ? data_.size() : lf;
        std::string_view line = data_.substr(pos_, end - pos_);
        pos_ = lf == std::string_view::npos ? data_.size() : lf + 1;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        return line;
    }

private:
    std::string_view data_;
    size_t pos_ = 0;
};

bool IsUndefinedCp1252(char c) {
    const auto b = static_cast<uint8_t>(c);
    return b == 0x81 || b == 0x8D || b == 0x8F || b == 0x90 || b == 0x9D;
}

// A name from the file as UTF-8, or nullopt when it is neither UTF-8 nor Windows-1252 text.
std::optional<std::string> DecodeName(std::string_view bytes) {
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

// Everything one address line contributes, gathered before anything is created so that a
// malformed line adds nothing.
struct ParsedLine {
    bool threeLevel = false;
    int main = 0;
    GroupAddress address;
    std::string mainLabel;
    std::string middleLabel;
    std::string addressLabel;
    uint8_t size = kEsfNoSize;
};

// Parses a line that NormaliseEsfLine and MaskNameSlashes have already worked on.
std::optional<ParsedLine> ParseAddressLine(std::string_view line) {
    constexpr auto npos = std::string_view::npos;
    const size_t tab = line.find('\t');
    const size_t d1 = line.find('.');
    if (tab == npos || d1 == npos || d1 > tab)
        return std::nullopt;
    const size_t d2 = line.find('.', d1 + 1);
    const size_t nameEnd = std::min(line.find('\t', tab + 1), line.size());
    const std::string_view addressName = line.substr(tab + 1, nameEnd - tab - 1);
    const std::string_view mainName = line.substr(0, d1);

    ParsedLine parsed;
    parsed.threeLevel = d2 != npos && d2 < tab;
    std::string_view mainDigits;
    std::string_view groupDigits;
    std::string groupPrefix;
    if (parsed.threeLevel) {
        const std::string_view address = line.substr(d2 + 1, tab - d2 - 1);
        const size_t s1 = address.find('/');
        const size_t s2 = s1 == npos ? npos : address.find('/', s1 + 1);
        if (s2 == npos)
            return std::nullopt;
        mainDigits = address.substr(0, s1);
        const std::string_view middleDigits = address.substr(s1 + 1, s2 - s1 - 1);
        groupDigits = address.substr(s2 + 1);
        const auto main = ParseAddressPart(mainDigits, GroupAddress::kMaxMain);
        const auto middle = ParseAddressPart(middleDigits, GroupAddress::kMaxMiddle);
        const auto group = ParseAddressPart(groupDigits, GroupAddress::kMaxGroup3);
        if (!main || !middle || !group)
            return std::nullopt;
        parsed.main = *main;
        parsed.address = *GroupAddress::FromParts3(*main, *middle, *group);
        auto middleLabel = MakeLabel(middleDigits, line.substr(d1 + 1, d2 - d1 - 1));
        if (!middleLabel)
            return std::nullopt;
        parsed.middleLabel = std::move(*middleLabel);
        groupPrefix = std::to_string(*main) + '/' + std::to_string(*middle) + '/';
    } else {
        const std::string_view address = line.substr(d1 + 1, tab - d1 - 1);
        const size_t s1 = address.find('/');
        if (s1 == npos)
            return std::nullopt;
        mainDigits = address.substr(0, s1);
        groupDigits = address.substr(s1 + 1);
        const auto main = ParseAddressPart(mainDigits, GroupAddress::kMaxMain);
        const auto group = ParseAddressPart(groupDigits, GroupAddress::kMaxGroup2);
        if (!main || !group)
            return std::nullopt;
        parsed.main = *main;
        parsed.address = *GroupAddress::FromParts2(*main, *group);
        groupPrefix = std::to_string(*main) + '/';
    }
    auto mainLabel = MakeLabel(mainDigits, mainName);
    auto addressLabel = MakeLabel(groupPrefix.append(groupDigits), addressName);
    if (!mainLabel || !addressLabel)
        return std::nullopt;
    parsed.mainLabel = std::move(*mainLabel);
    parsed.addressLabel = std::move(*addressLabel);
    parsed.size = SizeTextToObjectType(line);
    return parsed;
}

// The catalogue slots the import has filled so far, indexed by number like the dialog's tables.
class ItemBuilder {
public:
    explicit ItemBuilder(std::vector<EsfItem>& items) : items_(items) {}

    void Add(ParsedLine& line) {
        if (!mainGroups_.test(static_cast<size_t>(line.main))) {
            mainGroups_.set(static_cast<size_t>(line.main));
            items_.push_back({EsfItemKind::MainGroup, static_cast<uint16_t>(line.main),
                              std::move(line.mainLabel), 0, line.threeLevel});
        }
        if (line.threeLevel) {
            const size_t middleIndex = static_cast<size_t>(line.address.MiddleIndex());
            if (!middleGroups_.test(middleIndex)) {
                middleGroups_.set(middleIndex);
                items_.push_back({EsfItemKind::MiddleGroup, static_cast<uint16_t>(middleIndex),
                                  std::move(line.middleLabel), 0, true});
            }
        }
        const uint16_t address = line.address.Value();
        if (!addresses_.test(address)) {
            addresses_.set(address);
            const uint32_t itemData = static_cast<uint32_t>(address) << 16 | kDraggable | line.size;
            items_.push_back({EsfItemKind::GroupAddress, address, std::move(line.addressLabel),
                              itemData, line.threeLevel});
        }
    }

private:
    std::vector<EsfItem>& items_;
    std::bitset<32> mainGroups_;
    std::bitset<256> middleGroups_;
    std::bitset<65536> addresses_;
};

}  // namespace

uint8_t SizeTextToObjectType(std::string_view line) {
    // One pass over the "(" of the line; the earliest text of the search order wins, wherever
    // in the line it stands.
    uint8_t best = kEsfNoSize;
    for (size_t open = line.find('('); open != std::string_view::npos;
         open = line.find('(', open + 1)) {
        const std::string_view rest = line.substr(open);
        for (uint8_t i = 0; i < best && i < kSizeTexts.size(); ++i) {
            if (rest.starts_with(kSizeTexts[i])) {
                best = i;
                break;
            }
        }
        if (best == 0)
            break;
    }
    return best;
}

void NormaliseEsfLine(std::string& line) {
    const size_t tab = line.find('\t');
    if (tab == std::string::npos)
        return;
    const std::string_view head(line.data(), tab);
    const size_t lastDot = head.rfind('.');
    if (lastDot == std::string_view::npos)
        return;
    const auto slashes =
        std::count(head.begin() + static_cast<std::ptrdiff_t>(lastDot), head.end(), '/');
    const auto dots = std::count(head.begin(), head.end(), '.');
    if (slashes == dots)
        return;
    const size_t first = head.find('.');
    const size_t second = head.find('.', first + 1);
    if (second == std::string_view::npos)
        return;
    line.erase(first, second - first);
}

void MaskNameSlashes(std::string& line) {
    const size_t tab = line.find('\t');
    if (tab == std::string::npos)
        return;
    const size_t lastDot = std::string_view(line.data(), tab).rfind('.');
    if (lastDot == std::string_view::npos)
        return;
    std::replace(line.begin(), line.begin() + static_cast<std::ptrdiff_t>(lastDot), '/', '_');
}

EsfImport ParseEsf(std::string_view fileBytes) {
    EsfImport result;
    if (fileBytes.starts_with(kBom))
        fileBytes.remove_prefix(kBom.size());
    LineReader reader(fileBytes);
    if (reader.AtEnd())
        return result;

    // The project name ends at the line end, or earlier at a stray CR or NUL.
    const std::string_view first = reader.Next();
    if (first.size() > kEsfMaxLineLength) {
        ++result.skippedLines;
    } else {
        const std::string_view name = first.substr(0, std::min(first.find('\r'), first.find('\0')));
        result.projectName = DecodeUtf8OrCp1252(name);
    }

    ItemBuilder builder(result.items);
    std::string line;
    while (!reader.AtEnd()) {
        const std::string_view raw = reader.Next();
        if (raw.empty())
            continue;
        if (raw.size() > kEsfMaxLineLength || raw.find('\r') != std::string_view::npos ||
            raw.find('\0') != std::string_view::npos) {
            ++result.skippedLines;
            continue;
        }
        line.assign(raw);
        NormaliseEsfLine(line);
        MaskNameSlashes(line);
        auto parsed = ParseAddressLine(line);
        if (!parsed) {
            ++result.skippedLines;
            continue;
        }
        result.threeLevel = parsed->threeLevel;
        builder.Add(*parsed);
    }
    return result;
}

}  // namespace halvex
