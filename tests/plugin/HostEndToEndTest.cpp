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
        WriteFileText(dir_ / "show.json",
                      R"({"scenes": ["Morning", "Evening", "Off"],
                          "devices": [{"name": "Dimmer A", "kind": 0},
                                      {"name": "RGB strip", "kind": 20}]})");
    }
    HostRun Configure(std::vector<std::string> extra) {
        extra.insert(extra.begin(),
                     {"configure", dir_ / "scene.rec", "--show", dir_ / "show.json", "--accept"});
        return RunExecutable(extra);
    }
    std::vector<uint8_t> Record() const { return ReadFileBytes(dir_ / "scene.rec"); }
    TempDir dir_;
};

TEST_F(HostEndToEndTest, DeleteSceneEditsTheRecordFileInPlace) {
    // Scene 0 goes: both entries on page 0 output 1 with it; page 1 output 4 becomes 3.
    const std::vector<Transmitter> rows = {{"T", 0xF6, 0x30, 0x30000000, 0xA1}};
    WriteFileBytes(dir_ / "e.rec",
                   BuildEnOceanRecord(rows, {{0, 0, 1}, {0, 0, 1}, {0, 1, 4}, {0, 2, 1}}));
    WriteFileText(dir_ / "one.json", R"({"scenes": ["Off"]})");
    const HostRun run =
        RunExecutable({"delete-scene", "0", dir_ / "e.rec", "--show", dir_ / "one.json"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, dir_ / "e.rec: scene 0 deleted (12604 bytes)\n");
    EXPECT_BYTES_EQ(BuildEnOceanRecord(rows, {{0, 1, 3}, {0, 2, 1}}),
                    ReadFileBytes(dir_ / "e.rec"));
}

TEST_F(HostEndToEndTest, NewRecordsGetTheirDefaultsAndTheShowAndReopenUnchanged) {
    ASSERT_EQ(Configure({"--bus", "enocean"}).exitCode, 0);
    EXPECT_EQ(Record()[14] & 0x02, 0x00);
    EXPECT_EQ(Record()[15] & 0x10, 0x10) << "EnOcean layout";
    std::filesystem::remove(dir_ / "scene.rec");

    const HostRun run = Configure({"--bus", "wlan"});
    ASSERT_EQ(run.exitCode, 0) << run.err << run.out;
    const std::vector<uint8_t> r = Record();
    ASSERT_GT(r.size(), 62u);
    EXPECT_EQ(r[14] & 0x02, 0x02) << "WLAN gateway";
    EXPECT_EQ(r[15] & 0x30, 0x20) << "KNX layout, three-level addresses";
    EXPECT_EQ(r[53], 0xFE);
    EXPECT_BYTES_EQ(
        std::vector<uint8_t>({192, 168, 1, 223, 255, 255, 255, 0, 192, 168, 1, 1, 224, 0, 23, 12}),
        std::span(r).subspan(16, 16));
    // Outputs: 2 x 3 scenes, 2 x 1536 dimmer outputs, 2 x 2 devices; the device block carries
    // the host's device table.
    const size_t outputs = r[6] | (r[7] << 8), devices = r[8] | (r[9] << 8);
    EXPECT_EQ(r[outputs] | (r[outputs + 1] << 8), 3082);
    EXPECT_EQ(r[devices] | (r[devices + 1] << 8), 2);
    EXPECT_BYTES_EQ(std::vector<uint8_t>({'D', 'i', 'm', 'm', 'e', 'r', ' ', 'A', 0}),
                    std::span(r).subspan(devices + 2, 9));
    EXPECT_EQ(r[devices + 2 + 24 + 20], 20);

    ASSERT_EQ(Configure({"--lang", "de"}).exitCode, 0);
    EXPECT_BYTES_EQ(r, Record());
}

TEST_F(HostEndToEndTest, DamagedNetworkOnlyRecordIsStoredAsItsSoundHeader) {
    // Network-only layout (byte 14 bit 0x02, byte 15 bit 0x10): OK rebuilds nothing, so a
    // damaged record must not go back as it came; its header, all the dialog reads, stays.
    std::vector<uint8_t> record(100, 0xAA);
    std::fill(record.begin(), record.begin() + 62, 0);
    record[0] = 100, record[4] = 50;  // 50 transmitter entries in a 100-byte main part
    record[14] = 0x02, record[15] = 0x10;
    record[16] = 10, record[17] = 1, record[18] = 2, record[19] = 3;  // IP address
    WriteFileBytes(dir_ / "scene.rec", record);
    const HostRun run = Configure({});
    ASSERT_EQ(run.exitCode, 0) << run.err << run.out;
    EXPECT_NE(run.out.find("message \"Attention\""), std::string::npos) << run.out;
    record.resize(62);
    record[0] = 62, record[4] = 0;
    EXPECT_BYTES_EQ(record, Record());
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
        const HostRun run = Configure({"--bus", "knx", "--import-esf", file, "--assign", assign});
        EXPECT_EQ(run.exitCode, 3) << run.err;
        EXPECT_NE(run.err.find(message), std::string::npos) << run.err;
        EXPECT_FALSE(std::filesystem::exists(dir_ / "scene.rec"));
    }
    const HostRun run = Configure({"--bus", "knx", "--import-esf", xml, "--assign",
                                   "scene1:1:1/0/12", "--assign", "dimmer1:3:1/0/13"});
    ASSERT_EQ(run.exitCode, 0) << run.err << run.out;
    const std::vector<uint8_t> r = Record();
    // Group-address list at 62: two addresses, 1/0/12 and 1/0/13; the name block names them.
    EXPECT_BYTES_EQ(std::vector<uint8_t>({2, 0, 0x0C, 0x08, 0x0D, 0x08}),
                    std::span(r).subspan(62, 6));
    EXPECT_NE(ReadFileText(dir_ / "scene.rec").find("Hall ceiling"), std::string::npos);
    EXPECT_NE(
        run.out.find("assigned scene1:1:1/0/12\nassigned dimmer1:3:1/0/13\n" +
                     dir_ / "scene.rec: record written (" + std::to_string(r.size()) + " bytes)\n"),
        std::string::npos)
        << run.out;
}

}  // namespace
}  // namespace halvex::test
