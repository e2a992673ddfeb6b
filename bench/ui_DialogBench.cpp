// The main dialog offscreen: opening it on the largest KNX record that fits (target under
// 300 ms), and importing an ETS export of 65,536 addresses into its catalogue, tree included
// (target under 1 s). Each reports milliseconds per run and the ratio to its target.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTemporaryDir>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <numeric>
#include <random>

#include "LargestRecord.h"
#include "engine/ModuleState.h"
#include "engine/record/RecordWriter.h"
#include "engine/record/SceneRecord.h"
#include "qt/CKnxDlg.h"
#include "qt/Images.h"
#include "support/EsfGenerator.h"
#include "support/RecordBuilder.h"

namespace {

using namespace halvex;

// The largest record with the host's scene list and device table to go with it.
std::vector<uint8_t> MaximalRecord(std::vector<uint8_t>& sceneList, std::vector<uint8_t>& devices) {
    std::vector<std::string> names;
    for (int s = 0; s < bench::kScenes; ++s)
        names.push_back("Scene " + std::to_string(s));
    sceneList = test::MakeSceneList(names);
    std::vector<test::Device> table;
    for (int d = 0; d < bench::kDevices; ++d)
        table.push_back({"Device " + std::to_string(d), 0});
    devices = test::MakeDeviceTable(table);
    const bench::Workload w = bench::MakeWorkload();
    std::vector<uint8_t> record = w.header;
    WriteKnxRecord(record, w.View(), w.catalogue, true, bench::kDevices, devices, w.wlan);
    return record;
}

void SetUpModule(const std::vector<uint8_t>& record, const std::vector<uint8_t>& sceneList,
                 const std::vector<uint8_t>& devices, uint16_t deviceCount) {
    ModuleState& m = Module();
    ResetModuleState();
    m.UiLanguage = 0;
    m.SceneList = sceneList.data();
    m.SceneListSize = static_cast<uint32_t>(sceneList.size());
    std::memcpy(m.DeviceTable.data(), devices.data(), devices.size());
    m.DeviceCount = deviceCount;
    m.WorkingRecord = static_cast<uint8_t*>(std::malloc(record.size()));
    std::memcpy(m.WorkingRecord, record.data(), record.size());
    m.WorkingRecordCapacity = record.size();
    m.SceneCount =
        ReadKnxRecord(MutableBytes(m.WorkingRecord, record.size()), m.WlanSettings).sceneCount;
}

void TearDownModule() {
    std::free(Module().WorkingRecord);
    ResetModuleState();
}

void OpenMaximalRecord(benchmark::State& state) {
    std::vector<uint8_t> sceneList, devices;
    const std::vector<uint8_t> record = MaximalRecord(sceneList, devices);
    for (auto _ : state) {
        state.PauseTiming();
        SetUpModule(record, sceneList, devices, bench::kDevices);
        state.ResumeTiming();
        {
            CKnxDlg dialog;
            dialog.PrepareCatalogue();
            dialog.OnInitDialog();
            QApplication::processEvents();
            state.PauseTiming();
        }
        TearDownModule();
        state.ResumeTiming();
    }
    state.counters["record_bytes"] = static_cast<double>(record.size());
}
BENCHMARK(OpenMaximalRecord)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();

void ImportEsf65536(benchmark::State& state) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("large.esf"));
    std::ofstream(path.toStdString(), std::ios::binary)
        << test::GenerateEsf({.count = 65536, .shuffled = true});
    std::vector<uint8_t> sceneList, devices;
    sceneList = test::MakeSceneList({"A", "B"});
    devices.assign(layout::kDeviceTableSize, 0);
    for (auto _ : state) {
        state.PauseTiming();
        SetUpModule(NewRecord(BusType::Knx), sceneList, devices, 0);
        {
            CKnxDlg dialog;
            dialog.PrepareCatalogue();
            dialog.OnInitDialog();
            state.ResumeTiming();
            dialog.ImportEsfFile(path);
            QApplication::processEvents();
            state.PauseTiming();
        }
        TearDownModule();
        state.ResumeTiming();
    }
}
BENCHMARK(ImportEsf65536)->Unit(benchmark::kMillisecond)->MinTime(3.0)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    InitResources();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
