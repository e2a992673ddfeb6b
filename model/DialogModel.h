// The state of one __OpenKNXDialog call and the rules that cross its trees: which tabs and
// pages the record's layout has, drag and drop between trees, the Delete key, transmitter
// renaming and learning, imports, and the rebuild of the working record on OK.
//
// Trees are named by TreeId; a front-end maps its controls to them and passes the nodes the
// user acted on. The working record and the module-wide tables (TransmitterTable, the host's
// scene list and device table) are read from the module state.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/net/GatewayEvents.h"
#include "model/Catalogue.h"
#include "model/OutputPage.h"

namespace halvex {

enum class TreeId : uint8_t { Catalogue, Scene1, Scene2, Dimmer1, Dimmer2, Device1, Device2 };
inline constexpr size_t kTreeCount = 7;
// The tab slots of the pages: 0/1 scene pages, 2/3 dimmer pages, 4/5 device pages, 6 network.
inline constexpr int kPageSlots = 7;
inline constexpr int kSettingsSlot = 6;

// What the record's layout shows.
struct DialogLayout {
    std::string title;    // "KNX", "WLAN" or "EnOcean"; empty for a network-only record
    std::string heading;  // above the catalogue
    std::vector<std::string> tabs;
    std::vector<int> pageSlots;  // the page slot shown by each tab, in tab order
    bool catalogueVisible = true;
    bool importVisible = true;
    bool editLabels = false;  // transmitters are renamed in place
};

// The record's check-box flags the main dialog shows.
enum class RecordFlag { SoftOnOff, Preview1, Preview2 };

// The end of a file import: whether the catalogue was replaced, and what to tell the user
// (a refusal when nothing was imported, the skipped entries otherwise; empty: nothing to say).
struct ImportOutcome {
    bool imported = false;
    std::string message;
};

class DialogModel {
public:
    DialogModel();

    BusMode Mode() const;
    DialogLayout Layout() const;
    bool HasPage(int slot) const { return slot >= 0 && slot < 6 && pages_[slot] != nullptr; }
    OutputPage* Page(int slot) const { return HasPage(slot) ? pages_[slot].get() : nullptr; }
    TreeModel* Tree(TreeId id) const;

    bool Flag(RecordFlag flag) const;
    // Sets or clears the flag's bit in the working record at once.
    void SetFlag(RecordFlag flag, bool on);

    // Before the dialog runs: empties the catalogue and fills its slots from the record.
    void Prepare();
    // Builds the catalogue tree and the layout's pages from the working record.
    void Load();

    // Drag and drop: a drop onto `hit` (a top-level node of another tree) is accepted when the
    // object types match and `hit` has no child with the dragged node's label.
    bool CanDrop(TreeId source, const TreeNode* dragged, TreeId target, const TreeNode* hit) const;
    // Puts a copy of `dragged` (item data | 0x10, its descendants with data 0) under `hit`.
    TreeNode* Drop(TreeId source, const TreeNode* dragged, TreeId target, TreeNode* hit);
    // Assigns catalogue entry `number` to output `output` of page `slot` as a drop would.
    bool AssignEntry(int slot, int output, int number);

    // The Delete key on `node` of `tree`. True when something was deleted.
    bool Delete(TreeId tree, TreeNode* node);
    // An in-place label edit of a catalogue node ended with `text` (UTF-8).
    void EndLabelEdit(TreeNode* node, const std::string& text);

    // What a right-click with `selected` selected offers (KNX records only).
    CatalogueAction RightClickAction(const TreeNode* selected) const;
    // Replaces the catalogue by an import and drops the assignments it orphans.
    void Import(const EsfImport& imported);
    // Reads an ETS export (ESF, XML or CSV) and imports it; a refused file changes nothing.
    ImportOutcome ImportFile(std::string_view bytes);
    // A transmitter telegram reported by a gateway; returns the heading text to show.
    std::string ApplyTransmitterReport(const Telegram& telegram);

    // Whether group address or transmitter `number` is assigned on any page.
    bool IsReferencedOnPages(uint16_t number) const;
    // Rebuilds the working record from catalogue and pages (KNX and EnOcean layouts; a
    // network-only record is kept as it is); a record that would not fit, or no memory for it,
    // leaves the record unchanged.
    enum class RebuildResult { Stored, TooLarge, Failed };
    RebuildResult Rebuild();

    Catalogue catalogue;

private:
    void PruneAssignments();
    void DeleteTransmitter(TreeNode* node);
    void RemoveReferences(uint16_t number);
    void RenameReferences(uint16_t number, const std::string& label);
    // Another node of the catalogue with the number and kind of `node`, if any.
    TreeNode* OtherCatalogueNode(const TreeNode* node) const;

    std::array<std::unique_ptr<OutputPage>, 6> pages_;
};

}  // namespace halvex
