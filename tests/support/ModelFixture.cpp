#include "support/ModelFixture.h"

#include <cstdlib>
#include <cstring>

#include "plugin/ModuleState.h"
#include "plugin/SceneRecord.h"

namespace halvex::test {

void ModelFixture::Open(const std::vector<uint8_t>& record, const std::vector<std::string>& scenes,
                        const std::vector<Device>& devices, uint8_t language) {
    ResetModuleState();
    ModuleState& m = Module();
    sceneList = MakeSceneList(scenes);
    m.SceneList = sceneList.data();
    m.SceneListSize = static_cast<uint32_t>(sceneList.size());
    const std::vector<uint8_t> table = MakeDeviceTable(devices);
    std::memcpy(m.DeviceTable.data(), table.data(), table.size());
    m.DeviceCount = static_cast<uint16_t>(devices.size());
    m.UiLanguage = language;
    m.WorkingRecord = static_cast<uint8_t*>(std::malloc(record.size()));
    std::memcpy(m.WorkingRecord, record.data(), record.size());
    m.WorkingRecordCapacity = record.size();
    if ((record[15] & 0x10) == 0) {
        m.SceneCount =
            ReadKnxRecord(MutableBytes(m.WorkingRecord, record.size()), m.WlanSettings).sceneCount;
    }
    model = std::make_unique<DialogModel>();
    model->Prepare();
    model->Load();
}

void ModelFixture::TearDown() {
    model.reset();
    std::free(Module().WorkingRecord);
    ResetModuleState();
}

std::vector<uint8_t> ModelFixture::WorkingRecord() const {
    const ModuleState& m = Module();
    const auto size = StoredRecordSize(ConstBytes(m.WorkingRecord, m.WorkingRecordCapacity));
    const size_t n = size.value_or(m.WorkingRecordCapacity);
    return {m.WorkingRecord, m.WorkingRecord + n};
}

std::vector<uint8_t> ModelFixture::Rebuild() {
    EXPECT_EQ(model->Rebuild(), DialogModel::RebuildResult::Stored);
    return WorkingRecord();
}

std::string ModelFixture::ChildLabel(int slot, size_t output, size_t child) const {
    const TreeModel& tree = PageTree(slot);
    if (output >= tree.TopLevelCount() || child >= tree.TopLevel(output)->ChildCount())
        return {};
    return tree.TopLevel(output)->Child(child)->label;
}

TreeNode* ModelFixture::Find(const TreeModel& tree, const std::string& label) {
    TreeNode* found = nullptr;
    tree.ForEach([&](TreeNode* node) {
        if (found == nullptr && node->label == label)
            found = node;
    });
    return found;
}

}  // namespace halvex::test
