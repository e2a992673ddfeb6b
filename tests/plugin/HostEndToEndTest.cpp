// The halvex-host executable with the real libhalvex.so, end to end, as a user runs it: what
// scripts/walkthrough.sh does not do (delete-scene, refusals). Its successful configure, import
// and assignments are the walkthrough's.
#include <gtest/gtest.h>

#include "plugin/HostRunner.h"
#include "support/ByteDiff.h"
#include "support/RecordBuilder.h"

namespace halvex::test {
namespace {

TEST(HostEndToEndTest, DeleteSceneEditsTheRecordFileInPlace) {
    // Scene 0 goes: both entries on page 0 output 1 with it; page 1 output 4 becomes 3.
    const TempDir dir;
    const std::vector<Transmitter> rows = {{"T", 0xF6, 0x30, 0x30000000, 0xA1}};
    WriteFileBytes(dir / "scene.rec",
                   BuildEnOceanRecord(rows, {{0, 0, 1}, {0, 0, 1}, {0, 1, 4}, {0, 2, 1}}));
    WriteFileText(dir / "one.json", R"({"scenes": ["Off"]})");
    const HostRun run =
        RunExecutable({"delete-scene", "0", dir / "scene.rec", "--show", dir / "one.json"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, dir / "scene.rec: scene 0 deleted (12604 bytes)\n");
    EXPECT_BYTES_EQ(BuildEnOceanRecord(rows, {{0, 1, 3}, {0, 2, 1}}),
                    ReadFileBytes(dir / "scene.rec"));
}

TEST(HostEndToEndTest, RefusedImportsAndAssignmentsWriteNoRecord) {
    const TempDir dir;
    WriteFileText(dir / "show.json", R"({"scenes": ["Morning", "Evening", "Off"]})");
    WriteFileText(dir / "groups.xml",
                  "<GroupAddress-Export><GroupRange Name=\"Lighting\"><GroupRange Name=\"Hall\">"
                  "<GroupAddress Name=\"Hall level\" Address=\"1/0/13\" DPTs=\"DPST-5-1\"/>"
                  "</GroupRange></GroupRange></GroupAddress-Export>");
    WriteFileText(dir / "empty.esf", "");
    // A 1-byte address on a 1-bit output; a file without any group address.
    const std::pair<std::string, std::string> rows[] = {
        {"groups.xml", "--assign dimmer1:1:1/0/13: refused"},
        {"empty.esf", "contains no group address"}};
    for (const auto& [file, message] : rows) {
        const HostRun run =
            RunExecutable({"configure", dir / "scene.rec", "--show", dir / "show.json", "--accept",
                           "--import-esf", dir / file, "--assign", "dimmer1:1:1/0/13"});
        EXPECT_EQ(run.exitCode, 3) << run.err;
        EXPECT_NE(run.err.find(message), std::string::npos) << run.err;
        EXPECT_FALSE(std::filesystem::exists(dir / "scene.rec"));
    }
}

}  // namespace
}  // namespace halvex::test
