// The halvex-host executable with the real libhalvex.so, end to end, as a user runs it.
#include <gtest/gtest.h>

#include "plugin/HostRunner.h"
#include "support/ByteDiff.h"
#include "support/RecordBuilder.h"

namespace halvex::test {
namespace {

class HostEndToEndTest : public ::testing::Test {
protected:
    void SetUp() override {
        WriteFileText(dir_ / "show.json", R"({"scenes": ["Morning", "Evening", "Off"],
                          "devices": [{"name": "Dimmer A", "kind": 0},
                                      {"name": "RGB strip", "kind": 20}]})");
    }
    HostRun Configure(std::vector<std::string> extra) {
        extra.insert(extra.begin(), {"configure", record_, "--show", dir_ / "show.json"});
        return RunExecutable(extra);
    }
    TempDir dir_;
    const std::string record_ = dir_ / "scene.rec";
};

TEST_F(HostEndToEndTest, DeleteSceneEditsTheRecordFileInPlace) {
    // Scene 0 goes: both entries on page 0 output 1 with it; page 1 output 4 becomes 3.
    const std::vector<Transmitter> rows = {{"T", 0xF6, 0x30, 0x30000000, 0xA1}};
    WriteFileBytes(record_, BuildEnOceanRecord(rows, {{0, 0, 1}, {0, 0, 1}, {0, 1, 4}, {0, 2, 1}}));
    WriteFileText(dir_ / "one.json", R"({"scenes": ["Off"]})");
    const HostRun run = RunExecutable({"delete-scene", "0", record_, "--show", dir_ / "one.json"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, record_ + ": scene 0 deleted (12604 bytes)\n");
    EXPECT_BYTES_EQ(BuildEnOceanRecord(rows, {{0, 1, 3}, {0, 2, 1}}), ReadFileBytes(record_));
}

// A new WLAN record carries the show's devices, and OK on it again stores the same bytes.
TEST_F(HostEndToEndTest, NewRecordIsStoredAndReopensUnchanged) {
    ASSERT_EQ(Configure({"--accept", "--bus", "wlan"}).exitCode, 0);
    const std::vector<uint8_t> r = ReadFileBytes(record_);
    ASSERT_GT(r.size(), 62u);
    EXPECT_EQ(r[14] & 0x02, 0x02) << "WLAN gateway";
    const size_t devices = r[8] | (r[9] << 8);
    EXPECT_BYTES_EQ(std::vector<uint8_t>({2, 0, 'D', 'i', 'm', 'm', 'e', 'r', ' ', 'A', 0}),
                    std::span(r).subspan(devices, 11));
    EXPECT_EQ(r[devices + 2 + 24 + 20], 20) << "the second device's kind";
    ASSERT_EQ(Configure({"--accept", "--lang", "de"}).exitCode, 0);
    EXPECT_BYTES_EQ(r, ReadFileBytes(record_));
}

TEST_F(HostEndToEndTest, ImportsAndAssignmentsAreStoredOrRefused) {
    WriteFileText(dir_ / "groups.xml",
                  "<GroupAddress-Export><GroupRange Name=\"Lighting\"><GroupRange Name=\"Hall\">"
                  "<GroupAddress Name=\"Hall ceiling\" Address=\"1/0/12\" DPTs=\"DPST-1-1\"/>"
                  "<GroupAddress Name=\"Hall level\" Address=\"1/0/13\" DPTs=\"DPST-5-1\"/>"
                  "</GroupRange></GroupRange></GroupAddress-Export>");
    WriteFileText(dir_ / "empty.esf", "");
    const std::string xml = dir_ / "groups.xml";
    // A 1-byte address on a 1-bit output; a file without any group address.
    for (const auto& [file, assign, message] :
         {std::tuple<std::string, std::string, std::string>{xml, "dimmer1:1:1/0/13",
                                                            "--assign dimmer1:1:1/0/13: refused"},
          {dir_ / "empty.esf", "scene1:1:1/0/12", "contains no group address"}}) {
        const HostRun run = Configure({"--accept", "--import-esf", file, "--assign", assign});
        EXPECT_EQ(run.exitCode, 3) << run.err;
        EXPECT_NE(run.err.find(message), std::string::npos) << run.err;
        EXPECT_FALSE(std::filesystem::exists(record_));
    }
    const HostRun run = Configure({"--accept", "--bus", "knx", "--import-esf", xml, "--assign",
                                   "scene1:1:1/0/12", "--assign", "dimmer1:3:1/0/13"});
    ASSERT_EQ(run.exitCode, 0) << run.err << run.out;
    const std::vector<uint8_t> r = ReadFileBytes(record_);
    // Group-address list at 62: two addresses, 1/0/12 and 1/0/13; the name block names them.
    EXPECT_BYTES_EQ(std::vector<uint8_t>({2, 0, 0x0C, 0x08, 0x0D, 0x08}),
                    std::span(r).subspan(62, 6));
    EXPECT_NE(ReadFileText(record_).find("Hall ceiling"), std::string::npos);
    EXPECT_NE(run.out.find("assigned scene1:1:1/0/12\nassigned dimmer1:3:1/0/13\n" + record_ +
                           ": record written (" + std::to_string(r.size()) + " bytes)\n"),
              std::string::npos)
        << run.out;
}

}  // namespace
}  // namespace halvex::test
