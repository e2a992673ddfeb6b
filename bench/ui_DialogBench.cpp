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

#include "catalogue/CKnxDlg.h"
#include "plugin/ModuleState.h"
#include "plugin/RecordWriter.h"
#include "plugin/SceneRecord.h"
#include "resources/Images.h"
#include "support/EsfGenerator.h"
#include "support/RecordBuilder.h"

namespace {

using namespace halvex;

constexpr uint16_t kScenes = 100;
constexpr uint16_t kDevices = 512;

// 100 scenes, 512 devices and as many distinct, correctly typed assignments as the main
// part holds, with every address named in the catalogue.
std::vector<uint8_t> MaximalRecord(std::vector<uint8_t>& sceneList, std::vector<uint8_t>& devices) {
    std::vector<std::string> names;
    for (int s = 0; s < kScenes; ++s)
        names.push_back("Scene " + std::to_string(s));
    sceneList = test::MakeSceneList(names);
    std::vector<test::Device> table;
    for (int d = 0; d < kDevices; ++d)
        table.push_back({"Device " + std::to_string(d), 0});
    devices = test::MakeDeviceTable(table);

    std::array<PageContent, 6> pages;
    std::vector<uint8_t> types[6];
    for (int p = 0; p < 2; ++p) {
        types[p].assign(kScenes, 0);
        for (int c = 0; c < 512; ++c)
            types[2 + p].insert(types[2 + p].end(), {0, 3, 7});
        types[4 + p].assign(kDevices, 7);
    }
    size_t outputs = 0;
    for (const auto& t : types)
        outputs += t.size();
    const size_t addresses =
        (layout::kMaxMainPart - 62 - 6 - layout::kDeviceBlockSize - 2 * outputs) / 6;
    std::mt19937 random(7);
    std::vector<uint16_t> pool(65536);
    std::iota(pool.begin(), pool.end(), uint16_t{0});
    std::shuffle(pool.begin(), pool.end(), random);
    pool.resize(addresses);
    std::vector<std::vector<uint16_t>> children[6];
    for (int p = 0; p < 6; ++p)
        children[p].resize(types[p].size());
    CatalogueContent catalogue;
    for (const uint16_t g : pool) {
        const size_t p = random() % 6;
        const size_t o = random() % types[p].size();
        children[p][o].push_back(g);
        catalogue.groups.push_back(
            {g, (uint32_t{g} << 16) | 0x20u | types[p][o], "Address " + std::to_string(g)});
    }
    std::sort(catalogue.groups.begin(), catalogue.groups.end(),
              [](const NameEntry& a, const NameEntry& b) { return a.number < b.number; });
    for (uint16_t m = 0; m < 32; ++m)
        catalogue.mains.push_back({m, 0, std::to_string(m) + " Main"});
    for (uint16_t m = 0; m < 256; ++m)
        catalogue.middles.push_back({m, 0, std::to_string(m & 7) + " Middle"});
    for (int p = 0; p < 6; ++p) {
        for (size_t o = 0; o < types[p].size(); ++o) {
            pages[p].AddOutput(types[p][o]);
            for (const uint16_t g : children[p][o])
                pages[p].AddChild(g);
        }
    }
    std::vector<uint8_t> record = NewRecord(BusType::Knx);
    const std::array<const PageContent*, 6> view = {&pages[0], &pages[1], &pages[2],
                                                    &pages[3], &pages[4], &pages[5]};
    WriteKnxRecord(record, view, catalogue, true, kDevices, devices,
                   std::vector<uint8_t>(layout::kWlanSize, 0));
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
        SetUpModule(record, sceneList, devices, kDevices);
        state.ResumeTiming();
        {
            CKnxDlg dialog;
            dialog.PrepareCatalogue();
            dialog.LoadTrailingBlock();
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
            dialog.LoadTrailingBlock();
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
