#include "support/ModelFixture.h"

#include <cstdlib>
#include <cstring>

#include "engine/ModuleState.h"
#include "engine/record/SceneRecord.h"
#include "model/DialogCall.h"

namespace halvex::test {

void StartDialogCall(const std::vector<uint8_t>& record, const std::vector<std::string>& scenes,
                     const std::vector<Device>& devices, uint8_t language,
                     std::vector<uint8_t>& sceneList) {
    ResetModuleState();
    sceneList = MakeSceneList(scenes);
    const std::vector<uint8_t> table = MakeDeviceTable(devices);
    std::vector<uint32_t> words(table.size() / 4);
    std::memcpy(words.data(), table.data(), table.size());
    uint8_t* host = static_cast<uint8_t*>(std::malloc(record.size()));
    std::memcpy(host, record.data(), record.size());
    const DialogCallInput input{sceneList.data(),
                                host,
                                record.size(),
                                BusType::Knx,
                                language,
                                words.data(),
                                static_cast<uint16_t>(devices.size())};
    BeginDialogCall(input);
    bool damaged = false;
    EXPECT_TRUE(MakeWorkingRecord(input, damaged));
    std::free(host);
}

std::vector<uint8_t> StoredWorkingRecord() {
    const ModuleState& m = Module();
    const auto size = StoredRecordSize(ConstBytes(m.WorkingRecord, m.WorkingRecordCapacity));
    const size_t n = size.value_or(m.WorkingRecordCapacity);
    return {m.WorkingRecord, m.WorkingRecord + n};
}

void EndTestCall() {
    std::free(Module().WorkingRecord);
    ResetModuleState();
}

std::string Labels(const TreeNode* parent) {
    std::string out;
    for (const auto& child : parent->children)
        out += (out.empty() ? "" : "|") + child->label;
    return out;
}

std::string DescribeFields(const NetworkFields& f) {
    std::string s;
    for (const auto& a : {f.ipAddress, f.subnet, f.defaultGateway, f.multicast}) {
        for (size_t i = 0; i < 4; ++i)
            s += std::to_string(a[i]) + (i == 3 ? " " : ".");
    }
    s += f.knxAddress + " " + f.systemId + " [" + f.deviceName + "] ";
    for (bool on : {f.dhcp, f.pause, f.repeater, f.repeaterLevel2, f.slaveOut1, f.slaveOut2})
        s += on ? '1' : '0';
    s += " enc " + (f.encryption ? std::to_string(*f.encryption) : "-") + " [" + f.ssid + "]";
    for (const std::string& key : f.keys)
        s += " [" + key + "]";
    return s;
}

void ModelFixture::Open(const std::vector<uint8_t>& record, const std::vector<std::string>& scenes,
                        const std::vector<Device>& devices, uint8_t language) {
    StartDialogCall(record, scenes, devices, language, sceneList);
    model = std::make_unique<DialogModel>();
    model->Prepare();
    model->Load();
}

void ModelFixture::TearDown() {
    model.reset();
    EndTestCall();
}

std::vector<uint8_t> ModelFixture::Rebuild() {
    EXPECT_EQ(model->Rebuild(), DialogModel::RebuildResult::Stored);
    return WorkingRecord();
}

std::string ModelFixture::Assignments() const {
    std::string out;
    for (int slot = 0; slot < 6; ++slot) {
        for (size_t i = 0; model->HasPage(slot) && i < PageTree(slot).TopLevelCount(); ++i) {
            for (const auto& child : PageTree(slot).TopLevel(i)->children) {
                out += (out.empty() ? "" : ", ") + std::to_string(slot) + "/" + std::to_string(i) +
                       " " + child->label;
            }
        }
    }
    return out;
}

}  // namespace halvex::test
