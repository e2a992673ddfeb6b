#include "model/DialogModel.h"

#include <cstdlib>
#include <cstring>
#include <utility>

#include "engine/ModuleState.h"
#include "engine/import/GroupAddressImport.h"
#include "engine/net/GatewayParser.h"
#include "model/ItemData.h"

namespace halvex {
namespace {

uint8_t RecordByte(size_t offset) {
    const ModuleState& m = Module();
    return m.WorkingRecord != nullptr && offset < m.WorkingRecordCapacity ? m.WorkingRecord[offset]
                                                                          : 0;
}

ConstBytes WorkingBytes() {
    const ModuleState& m = Module();
    return ConstBytes(m.WorkingRecord, m.WorkingRecordCapacity);
}

// Cuts UTF-8 text to at most `limit` bytes without splitting a character.
std::string CutUtf8(std::string text, size_t limit) {
    if (text.size() <= limit)
        return text;
    size_t end = limit;
    while (end > 0 && (static_cast<uint8_t>(text[end]) & 0xC0) == 0x80)
        --end;
    text.resize(end);
    return text;
}

void CopyDescendants(TreeModel& tree, const TreeNode* from, TreeNode* to) {
    for (const auto& child : from->children) {
        TreeNode* copy =
            tree.Insert(to, child->label, InsertAt::Last, child->image, child->selectedImage, 0);
        CopyDescendants(tree, child.get(), copy);
    }
}

// Visits the assignments of a page; `visit` returns true to remove the assignment.
template <typename Visit>
void EditAssignments(TreeModel* tree, Visit visit) {
    if (tree == nullptr)
        return;
    for (size_t i = 0; i < tree->TopLevelCount(); ++i) {
        TreeNode* output = tree->TopLevel(i);
        for (size_t c = 0; c < output->ChildCount();) {
            TreeNode* child = output->Child(c);
            if (visit(child)) {
                tree->Remove(child);
            } else {
                ++c;
            }
        }
    }
}

}  // namespace

DialogModel::DialogModel() = default;

BusMode DialogModel::Mode() const {
    return BusModeOf(RecordByte(layout::kFlagsA), RecordByte(layout::kFlagsB));
}

DialogLayout DialogModel::Layout() const {
    DialogLayout l;
    l.title = "KNX";
    l.heading = "Grp.-Addresses:";
    const BusMode mode = Mode();
    l.editLabels = mode != BusMode::Knx;
    switch (mode) {
        case BusMode::NetworkOnly:
            l.tabs = {"WLAN"};
            l.pageSlots = {kSettingsSlot};
            l.catalogueVisible = false;
            return l;
        case BusMode::EnOcean:
            l.title = "EnOcean";
            l.heading = UiText(Text::Transmitter);
            l.importVisible = false;
            l.pageSlots = {0, 1, 2, 3, kSettingsSlot};
            break;
        case BusMode::Knx:
            if ((RecordByte(layout::kFlagsA) & layout::kFlagWlan) != 0)
                l.title = "WLAN";
            l.heading = UiText(Text::GroupAddressesHeading);
            l.pageSlots = {0, 1, 2, 3, 4, 5, kSettingsSlot};
            break;
    }
    for (Text t : {Text::SceneOut1, Text::SceneOut2, Text::DimmerOut1, Text::DimmerOut2})
        l.tabs.emplace_back(UiText(t));
    if (mode == BusMode::Knx) {
        l.tabs.insert(l.tabs.end(), {"Device 1", "Device 2", "Lan/KNX"});
    } else {
        l.tabs.emplace_back("Lan/EnOcean");
    }
    return l;
}

namespace {

struct FlagBit {
    size_t offset;
    uint8_t bit;
};

FlagBit BitOf(RecordFlag flag) {
    switch (flag) {
        case RecordFlag::SoftOnOff:
            return {layout::kFlagsA, layout::kFlagSoftOnOff};
        case RecordFlag::Preview1:
            return {layout::kFlagsB, layout::kFlagPreview1};
        case RecordFlag::Preview2:
            break;
    }
    return {layout::kFlagsB, layout::kFlagPreview2};
}

}  // namespace

bool DialogModel::Flag(RecordFlag flag) const {
    const FlagBit f = BitOf(flag);
    return (RecordByte(f.offset) & f.bit) != 0;
}

void DialogModel::SetFlag(RecordFlag flag, bool on) {
    const FlagBit f = BitOf(flag);
    ModuleState& m = Module();
    if (m.WorkingRecord == nullptr || f.offset >= m.WorkingRecordCapacity)
        return;
    uint8_t& b = m.WorkingRecord[f.offset];
    b = static_cast<uint8_t>(on ? b | f.bit : b & ~f.bit);
}

TreeModel* DialogModel::Tree(TreeId id) const {
    if (id == TreeId::Catalogue)
        return const_cast<TreeModel*>(&catalogue.tree);
    OutputPage* page = Page(static_cast<int>(id) - 1);
    return page != nullptr ? &page->tree : nullptr;
}

void DialogModel::Prepare() {
    catalogue.Prepare();
    catalogue.LoadTrailingBlock(WorkingBytes(), Mode());
}

void DialogModel::Load() {
    catalogue.ThreeLevelAddressing = (RecordByte(layout::kFlagsB) & layout::kFlagThreeLevel) != 0;
    static constexpr PageKind kKinds[] = {PageKind::Scene,  PageKind::Scene,  PageKind::Dimmer,
                                          PageKind::Dimmer, PageKind::Device, PageKind::Device};
    for (int slot : Layout().pageSlots) {
        if (slot == kSettingsSlot)
            continue;
        pages_[slot] = std::make_unique<OutputPage>(kKinds[slot], slot % 2 == 1);
        pages_[slot]->Load(catalogue);
    }
    catalogue.LoadTree(WorkingBytes(), Mode());
}

bool DialogModel::CanDrop(TreeId source, const TreeNode* dragged, TreeId target,
                          const TreeNode* hit) const {
    if (dragged == nullptr || hit == nullptr || source == target || hit->parent != nullptr ||
        (dragged->data & kObjectTypeMask) != (hit->data & kObjectTypeMask)) {
        return false;
    }
    for (const auto& child : hit->children) {
        if (child->label == dragged->label)
            return false;
    }
    return true;
}

TreeNode* DialogModel::Drop(TreeId source, const TreeNode* dragged, TreeId target, TreeNode* hit) {
    TreeModel* tree = Tree(target);
    if (tree == nullptr || !CanDrop(source, dragged, target, hit))
        return nullptr;
    TreeNode* copy = tree->Insert(hit, dragged->label, InsertAt::Last, dragged->image,
                                  dragged->selectedImage, dragged->data | kItemAdded);
    CopyDescendants(*tree, dragged, copy);
    return copy;
}

bool DialogModel::AssignEntry(int slot, int output, int number) {
    OutputPage* page = Page(slot);
    if (page == nullptr || number < 0 ||
        static_cast<size_t>(number) >= catalogue.GroupAddressTable.size() || output < 0 ||
        static_cast<size_t>(output) >= page->tree.TopLevelCount()) {
        return false;
    }
    const TreeNode* entry = catalogue.GroupAddressTable[static_cast<size_t>(number)].node;
    if (entry == nullptr || (entry->data & kItemDraggable) == 0)
        return false;
    return Drop(TreeId::Catalogue, entry, static_cast<TreeId>(slot + 1),
                page->tree.TopLevel(static_cast<size_t>(output))) != nullptr;
}

bool DialogModel::IsReferencedOnPages(uint16_t number) const {
    for (const auto& page : pages_) {
        if (page == nullptr)
            continue;
        for (size_t i = 0; i < page->tree.TopLevelCount(); ++i) {
            for (const auto& child : page->tree.TopLevel(i)->children) {
                if (ItemNumber(child->data) == number)
                    return true;
            }
        }
    }
    return false;
}

TreeNode* DialogModel::OtherCatalogueNode(const TreeNode* node) const {
    constexpr uint32_t kIdentity = kKindMask | kItemDraggable;
    TreeNode* found = nullptr;
    catalogue.tree.ForEach([&](TreeNode* other) {
        if (found == nullptr && other != node &&
            ItemNumber(other->data) == ItemNumber(node->data) &&
            (other->data & kIdentity) == (node->data & kIdentity)) {
            found = other;
        }
    });
    return found;
}

bool DialogModel::Delete(TreeId id, TreeNode* node) {
    TreeModel* tree = Tree(id);
    if (tree == nullptr || node == nullptr)
        return false;
    const uint32_t itemData = node->data;
    const uint16_t n = ItemNumber(itemData);

    if ((itemData & kItemAdded) != 0 && node->ChildCount() == 0) {
        // An assignment on a page is removed whatever its kind bits: a dropped hand-made
        // address carries 0xC0 and would otherwise count as referenced by itself.
        const bool pageAssignment =
            id != TreeId::Catalogue && node->parent != nullptr && node->parent->parent == nullptr;
        const uint32_t kind = pageAssignment ? 0 : (itemData & kKindMask);
        if (kind == kKindGroupAddress && IsReferencedOnPages(n))
            return false;
        // A copy dropped back onto the catalogue shares its original's number: the slot belongs
        // to the node it holds, and a copy's deletion leaves it alone. When the node it holds
        // goes while a copy stays, the copy takes the slot over.
        CatalogueSlot* slot = catalogue.SlotOf(itemData, kind);
        if (slot != nullptr && slot->node == node) {
            slot->node = kind == kKindGroupAddress ? OtherCatalogueNode(node) : nullptr;
            if (slot->node == nullptr)
                slot->Clear();
        }
        tree->Remove(node);
        return true;
    }

    const ModuleState& m = Module();
    if (id == TreeId::Catalogue && (RecordByte(layout::kFlagsB) & layout::kFlagEnOcean) != 0 &&
        m.TransmitterCount > 0 && (itemData & kItemDraggable) != 0 &&
        (itemData & kItemAdded) == 0 && n < m.TransmitterCount) {
        DeleteTransmitter(node);
        return true;
    }
    return false;
}

void DialogModel::DeleteTransmitter(TreeNode* node) {
    ModuleState& m = Module();
    const uint16_t t = ItemNumber(node->data);
    uint8_t* rows = m.TransmitterTable.data();
    auto& slots = catalogue.GroupAddressTable;
    // Later rows move up one place; their catalogue nodes are renumbered through their slots, so
    // nodes of another kind between them are never touched.
    size_t i = t;
    for (; i + 1 < m.TransmitterCount; ++i) {
        std::memcpy(rows + i * layout::kRowSize, rows + (i + 1) * layout::kRowSize,
                    layout::kRowSize);
        if (TreeNode* next = slots[i + 1].node)
            catalogue.tree.SetData(next, (static_cast<uint32_t>(i) << 16) | (next->data & 0xFF));
        slots[i] = slots[i + 1];
    }
    std::memset(rows + i * layout::kRowSize, 0, layout::kRowSize);
    slots[i].Clear();
    catalogue.tree.Remove(node);
    --m.TransmitterCount;
    RemoveReferences(t);
}

void DialogModel::RemoveReferences(uint16_t number) {
    for (int slot = 0; slot < 4; ++slot) {
        OutputPage* page = Page(slot);
        EditAssignments(page != nullptr ? &page->tree : nullptr, [&](TreeNode* child) {
            const uint16_t n = ItemNumber(child->data);
            if (n > number) {
                page->tree.SetData(child,
                                   (static_cast<uint32_t>(n - 1) << 16) | (child->data & 0xFF));
            }
            return n == number;
        });
    }
}

void DialogModel::RenameReferences(uint16_t number, const std::string& label) {
    for (int slot = 0; slot < 4; ++slot) {
        OutputPage* page = Page(slot);
        EditAssignments(page != nullptr ? &page->tree : nullptr, [&](TreeNode* child) {
            if (ItemNumber(child->data) == number)
                page->tree.SetLabel(child, label);
            return false;
        });
    }
}

void DialogModel::PruneAssignments() {
    for (int slot = 0; slot < 4; ++slot) {
        OutputPage* page = Page(slot);
        EditAssignments(page != nullptr ? &page->tree : nullptr, [this](TreeNode* child) {
            return catalogue.AssignmentOrphaned(ItemNumber(child->data));
        });
    }
}

void DialogModel::EndLabelEdit(TreeNode* node, const std::string& text) {
    // An edit that changes nothing stores nothing: an unnamed transmitter keeps an empty name.
    if (node == nullptr || text == node->label)
        return;
    const uint32_t itemData = node->data;
    const uint16_t t = ItemNumber(itemData);
    const bool transmitter = (itemData & kItemDraggable) != 0 && (itemData & kKindMask) == 0;
    if (!transmitter || t >= layout::kMaxRows) {
        // A main group added at the top level in the EnOcean layout: only its own label changes.
        catalogue.tree.SetLabel(node, text);
        if ((itemData & kKindMask) == kKindMainGroup)
            catalogue.MainGroupTable[t & 0x1F].label = text;
        return;
    }
    uint8_t* row = Module().TransmitterTable.data() + t * layout::kRowSize;
    std::memset(row + layout::kRowName, 0, layout::kRowNameSize);
    std::string label = text;
    if (text.empty()) {
        label = TransmitterLabel(ConstBytes(row, layout::kRowSize));
    } else {
        // The name field holds 59 bytes and a NUL; longer names are cut at a character boundary.
        const std::string name = CutUtf8(text, layout::kRowNameSize - 1);
        std::memcpy(row + layout::kRowName, name.data(), name.size());
    }
    catalogue.tree.SetLabel(node, label);
    catalogue.GroupAddressTable[t].label = label;
    RenameReferences(t, label);
}

CatalogueAction DialogModel::RightClickAction(const TreeNode* selected) const {
    // Only the KNX catalogue has groups to add; transmitters are learnt from the gateway.
    return Mode() == BusMode::Knx ? catalogue.RightClickAction(selected) : CatalogueAction::None;
}

void DialogModel::Import(const EsfImport& imported) {
    catalogue.Import(imported);
    PruneAssignments();
}

ImportOutcome DialogModel::ImportFile(std::string_view bytes) {
    const GroupAddressImport imported = ImportGroupAddresses(bytes);
    const auto fill = [](ExtraText text, const std::string& one, const std::string& two = {}) {
        std::string out(ExtraUiText(text));
        for (const auto& [mark, value] : {std::pair{"%1", one}, std::pair{"%2", two}}) {
            if (const size_t at = out.find(mark); at != std::string::npos)
                out.replace(at, 2, value);
        }
        return out;
    };
    switch (imported.refusal) {
        case ImportRefusal::None:
            break;
        case ImportRefusal::XmlNotWellFormed:
            return {false, fill(ExtraText::ImportXmlNotWellFormed, std::to_string(imported.line),
                                imported.detail)};
        case ImportRefusal::UnsupportedEncoding:
            return {false, fill(ExtraText::ImportEncodingUnsupported, imported.detail)};
        case ImportRefusal::NoGroupAddress:
            // Nothing changes: a file without one group address must not empty the catalogue.
            return {false, std::string(ExtraUiText(ExtraText::ImportNothingFound))};
    }
    Import(imported.catalogue);
    const size_t skipped = imported.catalogue.skippedLines;
    if (skipped == 0)
        return {true, {}};
    return {true, fill(imported.format == ImportFormat::Xml ? ExtraText::ImportEntriesSkipped
                                                            : ExtraText::EsfLinesSkipped,
                       std::to_string(skipped))};
}

std::string DialogModel::ApplyTransmitterReport(const Telegram& telegram) {
    ModuleState& m = Module();
    if (const std::optional<uint16_t> row =
            AddTelegram(m.TransmitterTable, m.TransmitterCount, telegram)) {
        catalogue.AddTransmitter(*row, TransmitterItemLabel(telegram));
    }
    return TransmitterReportText(telegram);
}

DialogModel::RebuildResult DialogModel::Rebuild() {
    ModuleState& m = Module();
    if (m.WorkingRecord == nullptr || m.WorkingRecordCapacity < layout::kHeaderSize)
        return RebuildResult::Failed;
    // A network-only record has neither catalogue nor pages: it stays as the network page
    // wrote it.
    if (Mode() == BusMode::NetworkOnly)
        return RebuildResult::Stored;
    std::vector<uint8_t> record(m.WorkingRecord, m.WorkingRecord + layout::kHeaderSize);
    std::array<PageContent, 6> contents;
    std::array<const PageContent*, 6> pointers{};
    for (size_t i = 0; i < contents.size(); ++i) {
        if (pages_[i] != nullptr)
            pages_[i]->ReadContent(contents[i]);
        pointers[i] = &contents[i];
    }
    WriteStatus status = WriteStatus::Ok;
    if (Mode() == BusMode::Knx) {
        status = WriteKnxRecord(record, pointers, catalogue.Content(),
                                catalogue.ThreeLevelAddressing != 0, m.DeviceCount,
                                ConstBytes(m.DeviceTable), ConstBytes(m.WlanSettings));
    } else {
        status =
            WriteEnOceanRecord(record, std::span<const PageContent* const, 4>(pointers.data(), 4),
                               ConstBytes(m.TransmitterTable), m.TransmitterCount, m.DeviceCount,
                               ConstBytes(m.DeviceTable));
    }
    if (status == WriteStatus::TooLarge)
        return RebuildResult::TooLarge;
    auto* grown = static_cast<uint8_t*>(std::realloc(m.WorkingRecord, record.size()));
    if (grown == nullptr)
        return RebuildResult::Failed;
    std::memcpy(grown, record.data(), record.size());
    m.WorkingRecord = grown;
    m.WorkingRecordCapacity = record.size();
    return RebuildResult::Stored;
}

}  // namespace halvex
