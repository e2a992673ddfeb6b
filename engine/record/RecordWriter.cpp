#include "engine/record/RecordWriter.h"

#include <algorithm>
#include <bit>

#include "engine/record/RecordLayout.h"

namespace halvex {

using namespace layout;

void PageContent::AddOutput(uint8_t type) {
    types_.push_back(type);
    firstChild_.push_back(static_cast<uint32_t>(children_.size()));
}

void PageContent::AddChild(uint16_t number) {
    if (!types_.empty())
        children_.push_back(number);
}

std::span<const uint16_t> PageContent::Children(size_t output) const {
    const size_t first = firstChild_[output];
    const size_t end = output + 1 < firstChild_.size() ? firstChild_[output + 1] : children_.size();
    return std::span<const uint16_t>(children_).subspan(first, end - first);
}

void UsedAddressList::Clear() {
    present_.fill(0);
    ranked_ = true;
    before_.fill(0);
}

void UsedAddressList::Insert(uint16_t address) {
    present_[address >> 6] |= uint64_t{1} << (address & 63);
    ranked_ = false;
}

void UsedAddressList::Rank() const {
    if (ranked_)
        return;
    uint32_t running = 0;
    for (size_t w = 0; w < present_.size(); ++w) {
        before_[w] = running;
        running += static_cast<uint32_t>(std::popcount(present_[w]));
    }
    ranked_ = true;
}

size_t UsedAddressList::Count() const {
    Rank();
    return before_.back() + static_cast<size_t>(std::popcount(present_.back()));
}

uint16_t UsedAddressList::Position(uint16_t address) const {
    const uint64_t word = present_[address >> 6];
    const uint64_t bit = uint64_t{1} << (address & 63);
    if ((word & bit) == 0)
        return 0;
    Rank();
    return static_cast<uint16_t>(before_[address >> 6] + std::popcount(word & (bit - 1)) + 1);
}

void UsedAddressList::WriteValues(MutableBytes out) const {
    size_t at = 0;
    for (size_t w = 0; w < present_.size(); ++w) {
        for (uint64_t word = present_[w]; word != 0; word &= word - 1) {
            WriteU16(out, at,
                     static_cast<uint16_t>(w * 64 + static_cast<size_t>(std::countr_zero(word))));
            at += 2;
        }
    }
}

namespace {

// Writes little-endian values one after another into a buffer sized beforehand, so that a
// large record is filled without growing it byte by byte.
class Cursor {
public:
    explicit Cursor(MutableBytes out) : out_(out) {}
    void U8(uint8_t v) { WriteU8(out_, Advance(1), v); }
    void U16(uint16_t v) { WriteU16(out_, Advance(2), v); }
    void U32(uint32_t v) { WriteU32(out_, Advance(4), v); }
    void Bytes(ConstBytes b) { WriteBytes(out_, Advance(b.size()), b); }
    void Zeros(size_t n) {
        const MutableBytes zeros = Take(n);
        std::fill(zeros.begin(), zeros.end(), uint8_t{0});
    }
    // The next n bytes, to be filled by the caller.
    MutableBytes Take(size_t n) {
        const size_t at = Advance(n);
        return InBounds(out_.size(), at, n) ? out_.subspan(at, n) : MutableBytes{};
    }
    size_t Size() const { return pos_; }

private:
    size_t Advance(size_t n) {
        const size_t at = pos_;
        pos_ += n;
        return at;
    }
    MutableBytes out_;
    size_t pos_ = 0;
};

// Copies `size` bytes of `source`, zero-filled where the source is shorter.
template <typename Builder>
void AppendPadded(Builder& out, ConstBytes source, size_t size) {
    const size_t n = std::min(source.size(), size);
    out.Bytes(source.first(n));
    out.Zeros(size - n);
}

std::array<uint8_t, kHeaderSize> HeaderOf(const std::vector<uint8_t>& record) {
    std::array<uint8_t, kHeaderSize> header{};
    std::copy_n(record.begin(), std::min(record.size(), kHeaderSize), header.begin());
    return header;
}

// Entries by ascending number, one per number (the first wins); `storage` holds a sorted
// copy only when the entries are not strictly ascending already.
const std::vector<NameEntry>& Ascending(const std::vector<NameEntry>& entries,
                                        std::vector<NameEntry>& storage) {
    const auto unordered = std::adjacent_find(
        entries.begin(), entries.end(),
        [](const NameEntry& a, const NameEntry& next) { return a.number >= next.number; });
    if (unordered == entries.end())
        return entries;
    storage = entries;
    std::stable_sort(storage.begin(), storage.end(),
                     [](const auto& a, const auto& next) { return a.number < next.number; });
    storage.erase(
        std::unique(storage.begin(), storage.end(),
                    [](const auto& a, const auto& next) { return a.number == next.number; }),
        storage.end());
    return storage;
}

size_t NameGroupSize(const std::vector<NameEntry>& entries) {
    size_t size = 2;
    for (const NameEntry& entry : entries)
        size += 7 + entry.label.size();
    return size;
}

// A count (whose u16 field wraps at 65536, which the reader recognises) and its entries.
// A NUL inside a label would end it early and misalign every entry behind it when the
// block is read back, so it is stored as '?'.
void AppendNameGroup(Cursor& out, const std::vector<NameEntry>& entries) {
    out.U16(static_cast<uint16_t>(entries.size()));
    for (const NameEntry& entry : entries) {
        out.U16(entry.number);
        out.U32(entry.itemData);
        const MutableBytes text = out.Take(entry.label.size());
        if (text.size() != entry.label.size())
            return;
        std::transform(entry.label.begin(), entry.label.end(), text.begin(),
                       [](char c) { return c == '\0' ? uint8_t{'?'} : static_cast<uint8_t>(c); });
        out.U8(0);
    }
}

}  // namespace

WriteStatus WriteKnxRecord(std::vector<uint8_t>& record,
                           std::span<const PageContent* const, 6> pages,
                           const CatalogueContent& catalogue, bool threeLevel, uint16_t deviceCount,
                           ConstBytes deviceTable, ConstBytes wlanSettings) {
    UsedAddressList used;
    size_t pairCount = 0;
    size_t outputCount = 0;
    for (const PageContent* page : pages) {
        if (page == nullptr)
            continue;
        outputCount += page->OutputCount();
        pairCount += page->ChildCount();
        for (size_t o = 0; o < page->OutputCount(); ++o) {
            for (const uint16_t g : page->Children(o))
                used.Insert(g);
        }
    }
    const size_t addressCount = used.Count();
    const size_t pairOffset = kHeaderSize + 2 + 2 * addressCount;
    const size_t outputOffset = pairOffset + 2 + 4 * pairCount;
    const size_t deviceOffset = outputOffset + 2 + 2 * outputCount;
    const size_t mainLength = deviceOffset + kDeviceBlockSize;
    if (mainLength > kMaxMainPart)
        return WriteStatus::TooLarge;

    auto header = HeaderOf(record);
    header[kFlagsA] |= kFlagTrailingBlock;
    header[kFlagsB] = static_cast<uint8_t>((header[kFlagsB] & ~kFlagThreeLevel) |
                                           (threeLevel ? kFlagThreeLevel : 0));
    std::vector<NameEntry> sortedMains, sortedMiddles, sortedGroups;
    const auto& mains = Ascending(catalogue.mains, sortedMains);
    const auto& middles = Ascending(catalogue.middles, sortedMiddles);
    const auto& groups = Ascending(catalogue.groups, sortedGroups);
    const size_t nameBlockSize = 4 + NameGroupSize(mains) +
                                 (threeLevel ? NameGroupSize(middles) : 0) + NameGroupSize(groups) +
                                 6;
    std::vector<uint8_t> out(mainLength + nameBlockSize);
    Cursor b(out);
    b.Bytes(header);

    b.U16(static_cast<uint16_t>(addressCount));
    used.WriteValues(b.Take(2 * addressCount));

    b.U16(static_cast<uint16_t>(pairCount));
    uint16_t output = 0;
    for (const PageContent* page : pages) {
        if (page == nullptr)
            continue;
        for (size_t o = 0; o < page->OutputCount(); ++o, ++output) {
            for (const uint16_t g : page->Children(o)) {
                b.U16(used.Position(g));
                b.U16(output);
            }
        }
    }

    b.U16(static_cast<uint16_t>(outputCount));
    for (const PageContent* page : pages) {
        if (page == nullptr)
            continue;
        for (size_t o = 0; o < page->OutputCount(); ++o) {
            const uint16_t base =
                page->Children(o).empty() ? kOutputBase : kOutputBase | kOutputAssigned;
            b.U16(static_cast<uint16_t>(base | (page->OutputType(o) & 0x0F)));
        }
    }

    b.U16(deviceCount);
    AppendPadded(b, deviceTable, kDeviceTableSize);
    AppendPadded(b, wlanSettings, kWlanSize);

    WriteU16(out, kMainLength, static_cast<uint16_t>(mainLength));
    WriteU16(out, kAddressListOffset, static_cast<uint16_t>(kHeaderSize));
    WriteU16(out, kPairTableOffset, static_cast<uint16_t>(pairOffset));
    WriteU16(out, kOutputTableOffset, static_cast<uint16_t>(outputOffset));
    WriteU16(out, kDeviceBlockOffset, static_cast<uint16_t>(deviceOffset));

    b.U32(static_cast<uint32_t>(nameBlockSize));
    AppendNameGroup(b, mains);
    if (threeLevel)
        AppendNameGroup(b, middles);
    AppendNameGroup(b, groups);
    b.Zeros(6);

    record.swap(out);
    return WriteStatus::Ok;
}

namespace {

// An entry names its transmitter by ORG, data and ID (the row's status is not stored).
bool SameEntry(ConstBytes table, uint16_t a, uint16_t b) {
    const auto rowA = table.subspan(a * kRowSize, kRowSize);
    const auto rowB = table.subspan(b * kRowSize, kRowSize);
    return rowA[kRowOrg] == rowB[kRowOrg] && *ReadU32(rowA, kRowData) == *ReadU32(rowB, kRowData) &&
           *ReadU32(rowA, kRowId) == *ReadU32(rowB, kRowId);
}

// The children of one output that become entries: rows inside the table, and of rows whose
// entries would be equal only the first. Reading a record inserts every row that matches an
// entry, so the first entry already brings such a row back; a second, equal entry would
// double the output's children on every save.
void EntryRows(std::span<const uint16_t> children, ConstBytes table, size_t rows,
               std::vector<uint16_t>& out) {
    out.clear();
    for (const uint16_t k : children) {
        if (k >= rows)
            continue;
        if (std::none_of(out.begin(), out.end(),
                         [&](uint16_t j) { return SameEntry(table, j, k); })) {
            out.push_back(k);
        }
    }
}

}  // namespace

WriteStatus WriteEnOceanRecord(std::vector<uint8_t>& record,
                               std::span<const PageContent* const, 4> pages,
                               ConstBytes transmitterTable, uint16_t transmitterCount,
                               uint16_t deviceCount, ConstBytes deviceTable) {
    const size_t rows =
        std::min({size_t{transmitterCount}, transmitterTable.size() / kRowSize, kMaxRows});
    auto header = HeaderOf(record);
    WriteU16(header, kMainLength, static_cast<uint16_t>(kHeaderSize));
    if (rows == 0) {
        WriteU16(header, kEntryCount, 0);
        WriteU16(header, kDeviceBlockOffset, 0);
        header[kFlagsA] &= static_cast<uint8_t>(~kFlagTrailingBlock);
        record.assign(header.begin(), header.end());
        return WriteStatus::Ok;
    }

    std::vector<uint16_t> entryRows;
    size_t entryCount = 0;
    for (const PageContent* page : pages) {
        if (page == nullptr)
            continue;
        for (size_t o = 0; o < page->OutputCount(); ++o) {
            EntryRows(page->Children(o), transmitterTable, rows, entryRows);
            entryCount += entryRows.size();
        }
    }
    const size_t deviceOffset = kHeaderSize + kEntrySize * entryCount;
    const size_t mainLength = deviceOffset + kDeviceBlockSize;
    if (mainLength > kMaxMainPart)
        return WriteStatus::TooLarge;

    header[kFlagsA] |= kFlagTrailingBlock;
    WriteU16(header, kMainLength, static_cast<uint16_t>(mainLength));
    WriteU16(header, kEntryCount, static_cast<uint16_t>(entryCount));
    WriteU16(header, kDeviceBlockOffset, static_cast<uint16_t>(deviceOffset));

    std::vector<uint8_t> out;
    out.reserve(mainLength + 4 + rows * kRowSize);
    ByteBuilder b(out);
    b.Bytes(header);
    for (size_t p = 0; p < pages.size(); ++p) {
        if (pages[p] == nullptr)
            continue;
        const PageContent& page = *pages[p];
        for (size_t o = 0; o < page.OutputCount(); ++o) {
            EntryRows(page.Children(o), transmitterTable, rows, entryRows);
            for (const uint16_t k : entryRows) {
                const ConstBytes row = transmitterTable.subspan(k * kRowSize, kRowSize);
                b.U32(*ReadU32(row, kRowId));
                b.U32(*ReadU32(row, kRowData));
                b.U8(row[kRowOrg]);
                b.U8(static_cast<uint8_t>(p));
                b.U16(static_cast<uint16_t>(o + 1));
            }
        }
    }
    b.U16(deviceCount);
    AppendPadded(b, deviceTable, kDeviceTableSize);
    b.Zeros(kWlanSize);
    b.U32(static_cast<uint32_t>(rows * kRowSize + 4));
    b.Bytes(transmitterTable.first(rows * kRowSize));

    record.swap(out);
    return WriteStatus::Ok;
}

}  // namespace halvex
