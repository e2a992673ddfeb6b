// Sets up the module state for one dialog call on a record, the way the plug-in does, and
// builds the dialog model on it; no toolkit. The widget fixture builds on it.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "model/DialogModel.h"
#include "model/NetworkSettings.h"
#include "support/RecordBuilder.h"

namespace halvex::test {

// Starts a dialog call on `record` the way the plug-in does (module state, working copy), with
// the host's scenes and devices; `sceneList` keeps the scene list alive for the call.
void StartDialogCall(const std::vector<uint8_t>& record, const std::vector<std::string>& scenes,
                     const std::vector<Device>& devices, uint8_t language,
                     std::vector<uint8_t>& sceneList);
// The working record as stored (main part and trailing block).
std::vector<uint8_t> StoredWorkingRecord();
// Frees the working record and puts the module state back.
void EndTestCall();
// The labels of `parent`'s children, joined by '|'.
std::string Labels(const TreeNode* parent);
// Network settings fields in one line: the four addresses, KNX address, system ID, [name], the
// flags DHCP, Pause, repeater, level 2, Out 1, Out 2, then encryption, [SSID] and the [keys].
std::string DescribeFields(const NetworkFields& f);

class ModelFixture : public ::testing::Test {
protected:
    void TearDown() override;

    // Puts `record` into the module state as the working record with the host's scenes and
    // devices, and prepares and loads `model` on it.
    void Open(const std::vector<uint8_t>& record, const std::vector<std::string>& scenes = {},
              const std::vector<Device>& devices = {}, uint8_t language = 0);
    std::vector<uint8_t> WorkingRecord() const { return StoredWorkingRecord(); }
    // Rebuilds and returns the working record, as OK does.
    std::vector<uint8_t> Rebuild();

    TreeModel& PageTree(int slot) const { return model->Page(slot)->tree; }
    // Every assignment on the output pages as "slot/output label", joined by ", ".
    std::string Assignments() const;

    std::unique_ptr<DialogModel> model;
    std::vector<uint8_t> sceneList;
};

}  // namespace halvex::test
