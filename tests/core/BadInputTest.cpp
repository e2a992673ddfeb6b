// Inputs with nothing in them: empty spans, null pointers and records shorter than a header.
// Every entry point answers them with its "nothing there" result and touches no byte.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "catalogue/EsfImport.h"
#include "gateway/GatewayParser.h"
#include "plugin/HostStructures.h"
#include "plugin/ModuleState.h"
#include "plugin/PageLoader.h"
#include "plugin/SceneDeletion.h"
#include "plugin/SceneRecord.h"

namespace halvex {
namespace {

struct CountingSink : GatewayEventSink {
    void OnSearchResponse(const std::string&) override { ++calls; }
    void OnTransmitterReport(const Telegram&) override { ++calls; }
    int calls = 0;
};

TEST(EmptyInput, RecordReadersFindNothingInNoBytes) {
    const ConstBytes none;
    EXPECT_FALSE(CheckRecord(none).headerOk);
    EXPECT_FALSE(StoredRecordSize(none).has_value());
    EXPECT_FALSE(RecordBusMode(none).has_value());
    EXPECT_FALSE(ReadKnxSections(none).has_value());
    EXPECT_FALSE(ReadNameBlock(none).has_value());
    EXPECT_EQ(DeriveSceneCount(none), 0);
    std::vector<uint8_t> table(70 * 1000, 0xAA);
    EXPECT_EQ(ReadTransmitterTable(none, std::span<uint8_t, 70 * 1000>(table)), 0);
    EXPECT_EQ(table, std::vector<uint8_t>(70 * 1000, 0));
    EXPECT_TRUE(LoadDimmerAssignments(none, 0, 1536).empty());
    EXPECT_TRUE(LoadSceneAssignments(none, 0, 255).empty());
    const std::array<uint8_t, 2> types = {7, 9};
    EXPECT_TRUE(LoadDeviceAssignments(none, 0, types).empty());
    EXPECT_TRUE(LoadEnOceanAssignments(none, 0, 512, ConstBytes(table), 1000).empty());
}

TEST(EmptyInput, SceneDeletionRefusesRecordsShorterThanAHeader) {
    for (const size_t size : {0u, 1u, 14u, 61u}) {
        std::vector<uint8_t> record(size, 0x11);
        uint16_t sceneCount = 7;
        EXPECT_FALSE(DeleteSceneInPlace(record, 0, 0, sceneCount)) << size;
        EXPECT_EQ(record, std::vector<uint8_t>(size, 0x11)) << size;
    }
}

TEST(EmptyInput, HostStructuresWithoutBytes) {
    EXPECT_EQ(HostSceneListSize(nullptr), 0u);
    EXPECT_TRUE(ReadHostScenes({}).empty());
    EXPECT_EQ(DeviceName({}, 0), "");
    EXPECT_EQ(DeviceOutputType({}, 0), 7);
    const std::vector<uint8_t> oneDevice(24, 'A');
    EXPECT_EQ(DeviceName(oneDevice, 1), "");
    EXPECT_EQ(DeviceOutputType(oneDevice, 511), 7);
}

TEST(EmptyInput, NullOrEmptyDatagramReachesNoSink) {
    ResetModuleState();
    CountingSink sink;
    Module().Events = &sink;
    Module().EnOceanRecordOpen = true;
    ParseGatewayMessage(nullptr, 100, PeerAddress{});
    const uint8_t byte = 'D';
    ParseGatewayMessage(&byte, 0, PeerAddress{});
    ParseGatewayMessage(&byte, 1, PeerAddress{});
    EXPECT_EQ(sink.calls, 0);
    EXPECT_EQ(SearchResponseLine({}), "");
    EXPECT_FALSE(TransmitterReportTelegram({}).has_value());
    ResetModuleState();
}

TEST(EmptyInput, EmptyExportImportsNothing) {
    const EsfImport empty = ParseEsf("");
    EXPECT_TRUE(empty.items.empty());
    EXPECT_EQ(empty.skippedLines, 0u);
    EXPECT_FALSE(empty.threeLevel.has_value());
    const EsfImport nameOnly = ParseEsf("Project\n\n\n");
    EXPECT_EQ(nameOnly.projectName, "Project");
    EXPECT_TRUE(nameOnly.items.empty());
}

}  // namespace
}  // namespace halvex
