#include "engine/import/EsfImport.h"

#include <algorithm>
#include <array>

#include "engine/Codepage.h"
#include "engine/import/ImportBuilder.h"

namespace halvex {
namespace {

constexpr std::array<std::string_view, 15> kSizeTexts = {
    "(1 Bit)",  "(2 Bit)",  "(3 Bit)",  "(4 Bit)",  "(5 Bit)",  "(6 Bit)",   "(7 Bit)",  "(1 Byte)",
    "(2 Byte)", "(3 Byte)", "(4 Byte)", "(6 Byte)", "(8 Byte)", "(10 Byte)", "(14 Byte)"};

constexpr std::string_view kBom = "\xEF\xBB\xBF";

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

// The parts of a line that NormaliseEsfLine and MaskNameSlashes have already worked on.
std::optional<AddressEntry> SplitAddressLine(std::string_view line) {
    constexpr auto npos = std::string_view::npos;
    const size_t tab = line.find('\t');
    const size_t d1 = line.find('.');
    if (tab == npos || d1 == npos || d1 > tab)
        return std::nullopt;
    const size_t d2 = line.find('.', d1 + 1);
    const size_t nameEnd = std::min(line.find('\t', tab + 1), line.size());

    AddressEntry entry;
    entry.threeLevel = d2 != npos && d2 < tab;
    const size_t addressStart = (entry.threeLevel ? d2 : d1) + 1;
    const auto parts = SplitAddress(line.substr(addressStart, tab - addressStart));
    if (!parts || parts->threeLevel != entry.threeLevel)
        return std::nullopt;
    entry.mainName = line.substr(0, d1);
    if (entry.threeLevel)
        entry.middleName = line.substr(d1 + 1, d2 - d1 - 1);
    entry.mainDigits = parts->main;
    entry.middleDigits = parts->middle;
    entry.groupDigits = parts->group;
    entry.name = line.substr(tab + 1, nameEnd - tab - 1);
    entry.objectType = SizeTextToObjectType(line);
    return entry;
}

// Reads one address line (without its line end) into `builder`; false when it is malformed.
// `scratch` holds the line while it is normalised.
bool AddAddressLine(std::string_view raw, std::string& scratch, ImportBuilder& builder) {
    if (raw.size() > kEsfMaxLineLength || raw.find('\r') != std::string_view::npos ||
        raw.find('\0') != std::string_view::npos) {
        return false;
    }
    scratch.assign(raw);
    NormaliseEsfLine(scratch);
    MaskNameSlashes(scratch);
    const auto entry = SplitAddressLine(scratch);
    return entry && builder.Add(*entry);
}

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

    ImportBuilder builder(result);
    std::string line;
    while (!reader.AtEnd()) {
        const std::string_view raw = reader.Next();
        if (!raw.empty() && !AddAddressLine(raw, line, builder))
            ++result.skippedLines;
    }
    return result;
}

bool LooksLikeEsf(std::string_view fileBytes) {
    LineReader reader(fileBytes);
    if (reader.AtEnd())
        return false;
    reader.Next();  // the project name
    while (!reader.AtEnd()) {
        const std::string_view raw = reader.Next();
        if (raw.empty())
            continue;
        EsfImport scratch;
        ImportBuilder builder(scratch);
        std::string line;
        return AddAddressLine(raw, line, builder);
    }
    return false;
}

}  // namespace halvex
