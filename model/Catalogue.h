// The catalogue of one dialog call: what the left-hand tree shows and the tables behind it.
//
// KNX and WLAN records: main groups (32 slots), middle groups (256 slots, main * 8 + middle) and
// group addresses (65,536 slots) under one root. EnOcean records: the learnt transmitters at
// the top level, slot n holding transmitter row n. A slot exists for the duplicate checks when
// its label is non-empty; the writer and the pruning test its node instead.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/UiText.h"
#include "engine/import/EsfImport.h"
#include "engine/record/RecordWriter.h"
#include "engine/record/SceneRecord.h"
#include "model/TreeModel.h"

namespace halvex {

struct CatalogueSlot {
    std::string label;  // UTF-8
    TreeNode* node = nullptr;
    int image = 0;      // image and selected image of a node made from this slot
    uint32_t data = 0;  // item data of a node made from this slot

    void Clear() {
        label.clear();
        node = nullptr;
    }
};

// What a right-click on a selected node asks the user for.
enum class CatalogueAction { None, AddMainGroup, AddMiddleGroup, AddGroupAddress };

// The outcome of an addition: the new node, or a warning to show (or neither: refused quietly).
struct AddOutcome {
    TreeNode* node = nullptr;
    std::optional<Text> warning;
};

class Catalogue {
public:
    static constexpr size_t kGroupAddressSlots = 65536;

    Catalogue();

    // Empties tables and tree and prepares the root's template (label in the call's language).
    void Prepare();
    // Fills the slots from the record's trailing block (name block or transmitter rows; the
    // rows go to the module's TransmitterTable).
    void LoadTrailingBlock(ConstBytes record, BusMode mode);
    // Builds the tree from the slots: the root and the named groups and addresses (KNX), or
    // the transmitters (EnOcean).
    void LoadTree(ConstBytes record, BusMode mode);

    CatalogueAction RightClickAction(const TreeNode* selected) const;
    // The group dialogs' results: `number` as entered, `name` UTF-8.
    AddOutcome AddMainGroup(uint32_t number, const std::string& name);
    AddOutcome AddMiddleGroup(const TreeNode* mainNode, uint32_t number, const std::string& name);
    // Under a main group (two-level) or a middle group (three-level).
    AddOutcome AddGroupAddress(const TreeNode* selected, uint32_t group, const std::string& name,
                               uint8_t objectType);
    // Whether the group-address dialog for `selected` asks for a three-level group number.
    bool GroupAddressIsThreeLevel(const TreeNode* selected) const;

    // Replaces the catalogue with an import's content.
    void Import(const EsfImport& imported);
    // Adds the node of transmitter row `row`, just learnt.
    void AddTransmitter(uint16_t row, std::string label);

    // The slot a catalogue node of this kind would own, or null (transmitters, pages).
    CatalogueSlot* SlotOf(uint32_t data, uint32_t kind);
    // Whether page assignment `number` lost its group address (or one of its groups).
    bool AssignmentOrphaned(uint16_t number) const;
    // The catalogue as the record's name block stores it.
    CatalogueContent Content() const;

    TreeModel tree;
    std::array<CatalogueSlot, 32> MainGroupTable;
    std::array<CatalogueSlot, 256> MiddleGroupTable;
    std::vector<CatalogueSlot> GroupAddressTable;
    CatalogueSlot Root;
    uint8_t ThreeLevelAddressing = 1;
    std::string ProjectName;  // UTF-8, from the last import

private:
    void ClearTables();
    void InsertRoot();
    TreeNode* EnsureMiddleGroupNode(uint16_t middleIndex);
};

// Stored label bytes: the low byte of each UTF-16 unit of a UTF-8 label, as the record keeps
// them; and back, each stored byte being one character.
std::string LabelBytes(const std::string& utf8);
std::string LabelFromBytes(const std::string& bytes);

}  // namespace halvex
