#include "model/Catalogue.h"

#include "engine/ModuleState.h"
#include "model/ItemData.h"

namespace halvex {
namespace {

// The decimal value of the digits a label starts with (the number before its first blank).
uint32_t LeadingDigits(const std::string& label) {
    uint32_t value = 0;
    for (char c : label) {
        if (c < '0' || c > '9')
            break;
        value = value * 10 + static_cast<uint32_t>(c - '0');
        if (value > 0xFFFF)
            break;
    }
    return value;
}

std::string NumberText(const std::string& label) {
    return label.substr(0, label.find(' '));
}

// Next code point of valid UTF-8 at `i`; labels in the model are always valid UTF-8.
uint32_t NextCodePoint(const std::string& s, size_t& i) {
    const auto byte = [&](size_t k) { return static_cast<uint32_t>(static_cast<uint8_t>(s[k])); };
    const uint32_t b = byte(i);
    size_t extra = b >= 0xF0 ? 3 : b >= 0xE0 ? 2 : b >= 0xC0 ? 1 : 0;
    uint32_t cp = extra == 0 ? b : b & (0x3Fu >> extra);
    ++i;
    for (; extra > 0 && i < s.size(); --extra, ++i)
        cp = cp << 6 | (byte(i) & 0x3F);
    return cp;
}

}  // namespace

std::string LabelBytes(const std::string& utf8) {
    std::string bytes;
    bytes.reserve(utf8.size());
    for (size_t i = 0; i < utf8.size();) {
        const uint32_t cp = NextCodePoint(utf8, i);
        if (cp > 0xFFFF) {
            // Two UTF-16 units: the low bytes of the high and the low surrogate.
            bytes += static_cast<char>((0xD800 + ((cp - 0x10000) >> 10)) & 0xFF);
            bytes += static_cast<char>((0xDC00 + ((cp - 0x10000) & 0x3FF)) & 0xFF);
        } else {
            bytes += static_cast<char>(cp & 0xFF);
        }
    }
    return bytes;
}

std::string LabelFromBytes(const std::string& bytes) {
    std::string utf8;
    utf8.reserve(bytes.size() * 2);
    for (char c : bytes) {
        const auto b = static_cast<uint8_t>(c);
        if (b < 0x80) {
            utf8 += c;
        } else {
            utf8 += static_cast<char>(0xC0 | (b >> 6));
            utf8 += static_cast<char>(0x80 | (b & 0x3F));
        }
    }
    return utf8;
}

Catalogue::Catalogue() : GroupAddressTable(kGroupAddressSlots) {}

void Catalogue::ClearTables() {
    for (CatalogueSlot& e : MainGroupTable)
        e.Clear();
    for (CatalogueSlot& e : MiddleGroupTable)
        e.Clear();
    for (CatalogueSlot& e : GroupAddressTable)
        e.Clear();
}

void Catalogue::Prepare() {
    tree.Clear();
    ClearTables();
    Module().TransmitterTable.fill(0);
    Root =
        CatalogueSlot{std::string(UiText(Text::GroupAddressesRoot)), nullptr, kImageMainGroup, 0};
}

void Catalogue::LoadTrailingBlock(ConstBytes record, BusMode mode) {
    ModuleState& m = Module();
    if (mode != BusMode::Knx)
        m.TransmitterCount = 0;
    if ((ReadU8(record, layout::kFlagsA).value_or(0) & layout::kFlagTrailingBlock) == 0)
        return;

    if (mode == BusMode::Knx) {
        const std::optional<NameBlock> block = ReadNameBlock(record);
        if (!block)
            return;
        for (const NameEntry& e : block->mains) {
            if ((e.number & 0xFF) >= MainGroupTable.size())
                continue;
            MainGroupTable[e.number & 0xFF] =
                CatalogueSlot{LabelFromBytes(e.label), nullptr, kImageMainGroup, 0};
        }
        if ((ReadU8(record, layout::kFlagsB).value_or(0) & layout::kFlagThreeLevel) != 0) {
            for (const NameEntry& e : block->middles) {
                if (e.number >= MiddleGroupTable.size())
                    continue;
                MiddleGroupTable[e.number] =
                    CatalogueSlot{LabelFromBytes(e.label), nullptr, kImageMiddleGroup, 0};
            }
        }
        for (const NameEntry& e : block->groups) {
            GroupAddressTable[e.number] =
                CatalogueSlot{LabelFromBytes(e.label), nullptr, kImageGroupAddress, e.itemData};
        }
    } else if (mode == BusMode::EnOcean) {
        m.TransmitterCount = ReadTransmitterTable(record, m.TransmitterTable);
        for (uint16_t i = 0; i < m.TransmitterCount; ++i) {
            const ConstBytes row(m.TransmitterTable.data() + i * layout::kRowSize,
                                 layout::kRowSize);
            GroupAddressTable[i] = CatalogueSlot{TransmitterLabel(row), nullptr, kImageTransmitter,
                                                 (static_cast<uint32_t>(i) << 16) | kItemDraggable};
        }
    }
}

void Catalogue::InsertRoot() {
    Root.node =
        tree.Insert(nullptr, Root.label, InsertAt::Last, kImageMainGroup, kImageMainGroup, 0);
    Root.node->expanded = true;  // the main groups are what the user looks for first
}

TreeNode* Catalogue::EnsureMiddleGroupNode(uint16_t middleIndex) {
    CatalogueSlot& middle = MiddleGroupTable[middleIndex];
    if (middle.node != nullptr)
        return middle.node;
    // A group whose middle group the record lacks: the middle group comes back as its number.
    if (middle.label.empty())
        middle.label = std::to_string(middleIndex & 7);
    middle.node = tree.Insert(MainGroupTable[middleIndex >> 3].node, middle.label, InsertAt::Sorted,
                              kImageMiddleGroup, kImageMiddleGroup, 0);
    return middle.node;
}

void Catalogue::LoadTree(ConstBytes record, BusMode mode) {
    tree.Reset([&] {
        if (mode == BusMode::Knx)
            InsertRoot();
        const bool trailing =
            (ReadU8(record, layout::kFlagsA).value_or(0) & layout::kFlagTrailingBlock) != 0;
        if (!trailing && mode == BusMode::Knx)
            return;
        if (mode != BusMode::Knx) {
            for (uint16_t i = 0; i < Module().TransmitterCount; ++i) {
                CatalogueSlot& e = GroupAddressTable[i];
                e.node = tree.Insert(nullptr, e.label, InsertAt::Last, kImageTransmitter,
                                     kImageTransmitter,
                                     (static_cast<uint32_t>(i) << 16) | kItemDraggable);
            }
            return;
        }
        const std::optional<NameBlock> block = ReadNameBlock(record);
        if (!block)
            return;
        for (const NameEntry& e : block->mains) {
            CatalogueSlot& slot = MainGroupTable[e.number & 0x1F];
            if ((e.number & 0xFF) >= MainGroupTable.size() || slot.node != nullptr)
                continue;
            slot.node = tree.Insert(Root.node, slot.label, InsertAt::Last, kImageMainGroup,
                                    kImageMainGroup, 0);
        }
        if (ThreeLevelAddressing != 0) {
            for (const NameEntry& e : block->middles) {
                if (e.number >= MiddleGroupTable.size())
                    continue;
                CatalogueSlot& slot = MiddleGroupTable[e.number];
                if (slot.node != nullptr)
                    continue;
                slot.node = tree.Insert(MainGroupTable[e.number >> 3].node, slot.label,
                                        InsertAt::Last, kImageMiddleGroup, kImageMiddleGroup, 0);
            }
        }
        for (const NameEntry& e : block->groups) {
            CatalogueSlot& slot = GroupAddressTable[e.number];
            if (slot.node != nullptr)
                continue;
            TreeNode* parent = ThreeLevelAddressing != 0
                                   ? EnsureMiddleGroupNode(static_cast<uint16_t>(e.number >> 8))
                                   : MainGroupTable[e.number >> 11].node;
            slot.node = tree.Insert(parent, slot.label, InsertAt::Last, kImageGroupAddress,
                                    kImageGroupAddress, e.itemData);
        }
    });
}

CatalogueAction Catalogue::RightClickAction(const TreeNode* selected) const {
    if (selected == nullptr)
        return CatalogueAction::None;
    if (selected->parent == nullptr)
        return CatalogueAction::AddMainGroup;
    if (selected->image == kImageMainGroup) {
        return ThreeLevelAddressing != 0 ? CatalogueAction::AddMiddleGroup
                                         : CatalogueAction::AddGroupAddress;
    }
    return selected->image == kImageMiddleGroup ? CatalogueAction::AddGroupAddress
                                                : CatalogueAction::None;
}

bool Catalogue::GroupAddressIsThreeLevel(const TreeNode* selected) const {
    // Under a middle group the address is always three-level, whatever the layout flag says.
    return selected != nullptr && selected->image == kImageMiddleGroup;
}

AddOutcome Catalogue::AddMainGroup(uint32_t number, const std::string& name) {
    if (number >= MainGroupTable.size())
        return {};
    CatalogueSlot& slot = MainGroupTable[number];
    if (!slot.label.empty())
        return {nullptr, Text::MainGroupExists};
    slot.label = std::to_string(number) + ' ' + name;
    slot.node = tree.Insert(Root.node, slot.label, InsertAt::Sorted, kImageMainGroup,
                            kImageMainGroup, (number << 16) | kKindMainGroup | kItemAdded);
    return {slot.node, std::nullopt};
}

AddOutcome Catalogue::AddMiddleGroup(const TreeNode* mainNode, uint32_t number,
                                     const std::string& name) {
    const uint32_t main = LeadingDigits(mainNode->label);
    if (number > 7 || main >= MainGroupTable.size())
        return {};
    const uint32_t index = main * 8 + number;
    CatalogueSlot& slot = MiddleGroupTable[index];
    if (!slot.label.empty())
        return {nullptr, Text::MiddleGroupExists};
    TreeNode* parent = MainGroupTable[main].node != nullptr ? MainGroupTable[main].node
                                                            : const_cast<TreeNode*>(mainNode);
    slot.label = std::to_string(number) + ' ' + name;
    slot.node = tree.Insert(parent, slot.label, InsertAt::Sorted, kImageMiddleGroup,
                            kImageMiddleGroup, (index << 16) | kKindMiddleGroup | kItemAdded);
    return {slot.node, std::nullopt};
}

AddOutcome Catalogue::AddGroupAddress(const TreeNode* selected, uint32_t group,
                                      const std::string& name, uint8_t objectType) {
    uint32_t address = 0;
    std::string label;
    TreeNode* parent = nullptr;
    if (!GroupAddressIsThreeLevel(selected)) {
        const uint32_t main = LeadingDigits(selected->label);
        if (main > 31 || group > 2047)
            return {};
        address = main << 11 | group;
        if (address == 0)
            return {nullptr, Text::InvalidAddress2Level};
        label = NumberText(selected->label) + '/' + std::to_string(group);
        parent = MainGroupTable[main].node;
    } else {
        const TreeNode* mainNode = selected->parent;
        const uint32_t middle = LeadingDigits(selected->label);
        const uint32_t main = LeadingDigits(mainNode->label);
        if (main > 31 || middle > 7 || group > 255)
            return {};
        address = main << 11 | middle << 8 | group;
        if (address == 0)
            return {nullptr, Text::InvalidAddress3Level};
        label = NumberText(mainNode->label) + '/' + NumberText(selected->label) + '/' +
                std::to_string(group);
        parent = MiddleGroupTable[address >> 8].node;
    }
    CatalogueSlot& slot = GroupAddressTable[address];
    if (!slot.label.empty())
        return {nullptr, Text::GroupAddressExists};
    slot.label = label + ' ' + name;
    slot.node =
        tree.Insert(parent != nullptr ? parent : const_cast<TreeNode*>(selected), slot.label,
                    InsertAt::Sorted, kImageGroupAddress, kImageGroupAddress,
                    address << 16 | kKindGroupAddress | kItemDraggable | kItemAdded | objectType);
    return {slot.node, std::nullopt};
}

void Catalogue::Import(const EsfImport& imported) {
    tree.Reset([&] {
        tree.Clear();
        ClearTables();
        InsertRoot();
        ProjectName = imported.projectName;
        if (imported.threeLevel)
            ThreeLevelAddressing = *imported.threeLevel ? 1 : 0;
        for (const EsfItem& item : imported.items) {
            switch (item.kind) {
                case EsfItemKind::MainGroup: {
                    CatalogueSlot& slot = MainGroupTable[item.number & 0x1F];
                    if (slot.node != nullptr)
                        break;
                    slot.label = item.label;
                    slot.node = tree.Insert(Root.node, item.label, InsertAt::Last, kImageMainGroup,
                                            kImageMainGroup, 0);
                    break;
                }
                case EsfItemKind::MiddleGroup: {
                    CatalogueSlot& slot = MiddleGroupTable[item.number & 0xFF];
                    if (slot.node != nullptr)
                        break;
                    slot.label = item.label;
                    slot.node =
                        tree.Insert(MainGroupTable[(item.number & 0xFF) >> 3].node, item.label,
                                    InsertAt::Last, kImageMiddleGroup, kImageMiddleGroup, 0);
                    break;
                }
                case EsfItemKind::GroupAddress: {
                    CatalogueSlot& slot = GroupAddressTable[item.number];
                    if (slot.node != nullptr)
                        break;
                    TreeNode* parent = item.threeLevel ? MiddleGroupTable[item.number >> 8].node
                                                       : MainGroupTable[item.number >> 11].node;
                    slot.label = item.label;
                    slot.node = tree.Insert(parent, item.label, InsertAt::Last, kImageGroupAddress,
                                            kImageGroupAddress, item.itemData);
                    break;
                }
            }
        }
    });
}

void Catalogue::AddTransmitter(uint16_t row, std::string label) {
    CatalogueSlot& slot = GroupAddressTable[row];
    slot.label = std::move(label);
    slot.image = kImageTransmitter;
    slot.data = (static_cast<uint32_t>(row) << 16) | kItemDraggable;
    slot.node = tree.Insert(nullptr, slot.label, InsertAt::Last, kImageTransmitter,
                            kImageTransmitter, slot.data);
}

CatalogueSlot* Catalogue::SlotOf(uint32_t data, uint32_t kind) {
    const uint16_t n = ItemNumber(data);
    switch (kind) {
        case kKindMiddleGroup:
            return &MiddleGroupTable[n & 0xFF];
        case kKindMainGroup:
            return &MainGroupTable[n & 0x1F];
        case kKindGroupAddress:
            return &GroupAddressTable[n];
        default:
            return nullptr;
    }
}

bool Catalogue::AssignmentOrphaned(uint16_t a) const {
    return MainGroupTable[a >> 11].node == nullptr ||
           (ThreeLevelAddressing != 0 && MiddleGroupTable[a >> 8].node == nullptr) ||
           GroupAddressTable[a].node == nullptr;
}

CatalogueContent Catalogue::Content() const {
    CatalogueContent content;
    const auto read = [](const auto& table, std::vector<NameEntry>& out) {
        for (size_t n = 0; n < table.size(); ++n) {
            if (table[n].node != nullptr) {
                out.push_back({static_cast<uint16_t>(n), table[n].node->data,
                               LabelBytes(table[n].node->label)});
            }
        }
    };
    read(MainGroupTable, content.mains);
    read(MiddleGroupTable, content.middles);
    read(GroupAddressTable, content.groups);
    return content;
}

}  // namespace halvex
