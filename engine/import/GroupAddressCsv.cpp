#include "engine/import/GroupAddressCsv.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string>
#include <vector>

#include "engine/import/DatapointType.h"
#include "engine/import/GroupAddress.h"
#include "engine/import/ImportBuilder.h"

namespace halvex {
namespace {

constexpr auto npos = std::string_view::npos;
constexpr std::string_view kBom = "\xEF\xBB\xBF";
constexpr std::array<char, 3> kSeparators = {';', ',', '\t'};
// ETS writes at most a dozen columns; more are read and dropped.
constexpr size_t kMaxFields = 64;

// Reads the file row by row; the fields of the current row stay valid until the next call.
class CsvReader {
public:
    CsvReader(std::string_view data, char separator) : data_(data), separator_(separator) {}

    // Reads the next row; false at the end of the data.
    bool Next() {
        if (pos_ >= data_.size())
            return false;
        count_ = 0;
        closed_ = true;
        for (;;) {
            // Fields past kMaxFields are read into one spare slot, so that no row can make the
            // reader keep more than that many.
            if (count_ == fields_.size() && count_ <= kMaxFields)
                fields_.emplace_back();
            std::string& field = fields_[std::min(count_++, kMaxFields)];
            field.clear();
            if (data_[pos_] == '"')
                ReadQuoted(field);
            // Unquoted text, or anything after a closing quote, up to the separator or line end.
            const size_t end = FieldEnd();
            std::string_view tail = data_.substr(pos_, end - pos_);
            const bool lineEnds = end == data_.size() || data_[end] == '\n';
            if (lineEnds && tail.ends_with('\r'))
                tail.remove_suffix(1);
            field.append(tail);
            pos_ = end + 1;
            if (lineEnds || pos_ >= data_.size())
                return true;
        }
    }

    size_t Size() const { return std::min(count_, kMaxFields); }
    std::string_view Field(size_t i) const { return i < Size() ? fields_[i] : std::string_view{}; }
    // False when a quoted field of the row was still open at the end of the data.
    bool Closed() const { return closed_; }
    bool Empty() const {
        return std::all_of(fields_.begin(), fields_.begin() + static_cast<std::ptrdiff_t>(Size()),
                           [](const std::string& f) { return f.empty(); });
    }

private:
    // Offset of the separator or LF that ends the text at pos_, or the size of the data. A plain
    // loop: fields are short, and find_first_of calls memchr on the stop set for every byte.
    size_t FieldEnd() const {
        const auto stop =
            std::find_if(data_.begin() + static_cast<std::ptrdiff_t>(pos_), data_.end(),
                         [separator = separator_](char c) { return c == separator || c == '\n'; });
        return static_cast<size_t>(stop - data_.begin());
    }

    void ReadQuoted(std::string& field) {
        ++pos_;
        for (;;) {
            const size_t quote = data_.find('"', pos_);
            if (quote == npos) {
                field.append(data_.substr(pos_));
                pos_ = data_.size();
                closed_ = false;
                return;
            }
            field.append(data_.substr(pos_, quote - pos_));
            pos_ = quote + 1;
            if (pos_ >= data_.size() || data_[pos_] != '"')
                return;
            field += '"';
            ++pos_;
        }
    }

    std::string_view data_;
    const char separator_;
    size_t pos_ = 0;
    std::vector<std::string> fields_;
    size_t count_ = 0;
    bool closed_ = true;
};

enum class RowKind { Other, MainGroup, MiddleGroup, GroupAddress };

struct RowAddress {
    RowKind kind = RowKind::Other;
    AddressParts parts;
};

// What the address column of a row says: an address, a main or middle range ("-" for the parts
// below it), or neither.
RowAddress ReadRowAddress(std::string_view text) {
    const auto parts = SplitAddress(text);
    if (!parts)
        return {};
    const bool groupDash = parts->group == "-";
    const bool middleDash = parts->threeLevel && parts->middle == "-";
    RowKind kind = RowKind::GroupAddress;
    if (groupDash)
        kind = parts->threeLevel && !middleDash ? RowKind::MiddleGroup : RowKind::MainGroup;
    else if (middleDash)
        kind = RowKind::Other;
    return {kind, *parts};
}

bool IsNumberOrDash(std::string_view text) {
    return text == "-" || (!text.empty() && std::all_of(text.begin(), text.end(), [](char c) {
               return c >= '0' && c <= '9';
           }));
}

// An address or range text of digits, as recognition wants it.
bool IsAddressText(std::string_view text) {
    const RowAddress row = ReadRowAddress(text);
    return row.kind != RowKind::Other && row.parts.main != "-" && IsNumberOrDash(row.parts.main) &&
           (!row.parts.threeLevel || IsNumberOrDash(row.parts.middle)) &&
           IsNumberOrDash(row.parts.group);
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

struct Layout {
    char separator = ';';
    size_t addressColumn = 1;  // 1: one column for all names; 3: one column per level
    bool header = false;
    std::optional<size_t> datapointColumn;
};

std::optional<size_t> AddressColumn(const CsvReader& row) {
    for (const size_t column : {size_t{1}, size_t{3}}) {
        if (IsAddressText(row.Field(column)))
            return column;
    }
    return std::nullopt;
}

std::optional<Layout> Recognise(std::string_view data) {
    for (const char separator : kSeparators) {
        CsvReader reader(data, separator);
        if (!reader.Next())
            return std::nullopt;
        if (const auto column = AddressColumn(reader))
            return Layout{separator, *column, false, std::nullopt};
        std::optional<size_t> datapoint;
        for (size_t i = 0; i < reader.Size(); ++i) {
            if (EqualsNoCase(reader.Field(i), "DatapointType"))
                datapoint = i;
        }
        if (reader.Next()) {
            if (const auto column = AddressColumn(reader))
                return Layout{separator, *column, true, datapoint};
        }
    }
    return std::nullopt;
}

std::string_view RowName(const CsvReader& row, const Layout& layout) {
    if (layout.addressColumn == 1)
        return row.Field(0);
    for (size_t i = 3; i-- > 0;) {
        if (!row.Field(i).empty())
            return row.Field(i);
    }
    return {};
}

uint8_t RowObjectType(const CsvReader& row, const Layout& layout) {
    if (layout.datapointColumn)
        return ReadDatapointType(row.Field(*layout.datapointColumn)).value_or(kEsfNoSize);
    for (size_t i = layout.addressColumn + 1; i < row.Size(); ++i) {
        if (const auto type = ReadDatapointType(row.Field(i)))
            return *type;
    }
    return kEsfNoSize;
}

// Slot of the range a row names: the main number, or 32 + the middle index; nullopt when a
// number is out of range.
std::optional<size_t> RangeSlot(const RowAddress& row) {
    const auto main = ParseAddressPart(row.parts.main, GroupAddress::kMaxMain);
    if (!main)
        return std::nullopt;
    if (row.kind == RowKind::MainGroup)
        return static_cast<size_t>(*main);
    const auto middle = ParseAddressPart(row.parts.middle, GroupAddress::kMaxMiddle);
    if (!middle)
        return std::nullopt;
    return 32 + static_cast<size_t>(*main * 8 + *middle);
}

// Range names by slot; the first row naming a range wins.
class RangeNames {
public:
    void Add(const RowAddress& row, std::string_view name) {
        if (const auto slot = RangeSlot(row); slot && !names_[*slot])
            names_[*slot].emplace(name);
    }

    // The names for an address's main and middle digits; empty when none was given.
    std::string_view Main(const AddressParts& parts) const {
        return Name({RowKind::MainGroup, parts});
    }
    std::string_view Middle(const AddressParts& parts) const {
        return Name({RowKind::MiddleGroup, parts});
    }

private:
    std::string_view Name(const RowAddress& row) const {
        const auto slot = RangeSlot(row);
        return slot && names_[*slot] ? std::string_view(*names_[*slot]) : std::string_view{};
    }

    std::array<std::optional<std::string>, 32 + 256> names_;
};

}  // namespace

std::optional<EsfImport> ParseGroupAddressCsv(std::string_view fileBytes) {
    if (fileBytes.starts_with(kBom))
        fileBytes.remove_prefix(kBom.size());
    const auto layout = Recognise(fileBytes);
    if (!layout)
        return std::nullopt;

    // First pass: the names of the ranges, so that an address finds them wherever they stand.
    RangeNames ranges;
    CsvReader names(fileBytes, layout->separator);
    if (layout->header)
        names.Next();
    size_t rows = 0;
    while (names.Next()) {
        ++rows;
        const RowAddress row = ReadRowAddress(names.Field(layout->addressColumn));
        if (row.kind == RowKind::MainGroup || row.kind == RowKind::MiddleGroup)
            ranges.Add(row, RowName(names, *layout));
    }

    EsfImport result;
    // Each row adds at most one address besides the 32 main and 256 middle groups.
    result.items.reserve(std::min<size_t>(rows, 65536) + 32 + 256);
    ImportBuilder builder(result);
    CsvReader reader(fileBytes, layout->separator);
    if (layout->header)
        reader.Next();
    while (reader.Next()) {
        if (reader.Empty())
            continue;
        const RowAddress row = ReadRowAddress(reader.Field(layout->addressColumn));
        bool taken = reader.Closed() && row.kind != RowKind::Other;
        if (taken && row.kind != RowKind::GroupAddress) {
            taken = RangeSlot(row).has_value();
        } else if (taken) {
            AddressEntry entry;
            entry.threeLevel = row.parts.threeLevel;
            entry.mainDigits = row.parts.main;
            entry.middleDigits = row.parts.middle;
            entry.groupDigits = row.parts.group;
            entry.mainName = ranges.Main(row.parts);
            if (entry.threeLevel)
                entry.middleName = ranges.Middle(row.parts);
            entry.name = RowName(reader, *layout);
            entry.objectType = RowObjectType(reader, *layout);
            taken = builder.Add(entry);
        }
        if (!taken)
            ++result.skippedLines;
    }
    return result;
}

}  // namespace halvex
