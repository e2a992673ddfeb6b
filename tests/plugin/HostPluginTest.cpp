// halvex-host with the real libhalvex.so: scene deletion and the dialog, end to end.
//
// Each test first checks that the part of the library it needs has been linked in (the
// engine's scene deletion, the main dialog); until then it is skipped and says why.
#include <gtest/gtest.h>

#include <algorithm>

#include "plugin/HostRunner.h"
#include "support/ByteDiff.h"

namespace halvex::test {
namespace {

// True when the library file contains `text` (a class or function name in its symbol or
// string tables), that is when that part of the plug-in is linked in.
bool LibraryContains(const std::string& text) {
    const std::string library = ReadFileText(HALVEX_LIBRARY);
    return library.find(text) != std::string::npos;
}

#define REQUIRE_LIBRARY_PART(text, what)                         \
    if (!LibraryContains(text))                                  \
    GTEST_SKIP() << "libhalvex.so has no " << (what) << " yet: " \
                 << "this test runs once it is linked in"

void Put16(std::vector<uint8_t>& b, size_t at, uint16_t v) {
    b[at] = static_cast<uint8_t>(v);
    b[at + 1] = static_cast<uint8_t>(v >> 8);
}

// A current-format KNX record without devices, written out by hand: header, a list of two
// group addresses, `pairs` (list index, output) of which the first `pairCount` count, the
// output codes of which the first `codeCount` count, the device block and an empty name block.
std::vector<uint8_t> KnxRecord(const std::vector<std::pair<uint16_t, uint16_t>>& pairs,
                               size_t pairCount, const std::vector<uint16_t>& codes,
                               size_t codeCount) {
    const size_t list = 62, pairTable = list + 6, outputs = pairTable + 2 + 4 * pairs.size();
    const size_t devices = outputs + 2 + 2 * codes.size(), main = devices + 12444;
    std::vector<uint8_t> r(main + 16, 0);
    Put16(r, 0, static_cast<uint16_t>(main));
    Put16(r, 2, list);
    Put16(r, 4, static_cast<uint16_t>(pairTable));
    Put16(r, 6, static_cast<uint16_t>(outputs));
    Put16(r, 8, static_cast<uint16_t>(devices));
    Put16(r, 10, 0xFFFF);
    r[14] = 0x01;  // name block follows
    r[15] = 0x20;  // three-level addresses
    r[53] = 0x01;  // no WLAN settings
    Put16(r, list, 2);
    Put16(r, list + 2, 0x0801);  // 1/0/1
    Put16(r, list + 4, 0x0802);  // 1/0/2
    Put16(r, pairTable, static_cast<uint16_t>(pairCount));
    for (size_t i = 0; i < pairs.size(); ++i) {
        Put16(r, pairTable + 2 + 4 * i, pairs[i].first);
        Put16(r, pairTable + 4 + 4 * i, pairs[i].second);
    }
    Put16(r, outputs, static_cast<uint16_t>(codeCount));
    for (size_t i = 0; i < codes.size(); ++i)
        Put16(r, outputs + 2 + 2 * i, codes[i]);
    r[main] = 16;  // name block: length, three empty counts, 6 bytes padding
    return r;
}

// Output codes of three scenes: scene outputs 0-5, then 512 x 3 dimmer outputs per page.
std::vector<uint16_t> ThreeSceneCodes(const std::vector<size_t>& assigned) {
    std::vector<uint16_t> codes(6, 0x0300);
    for (int page = 0; page < 2; ++page) {
        for (int channel = 0; channel < 512; ++channel)
            codes.insert(codes.end(), {0x0300, 0x0303, 0x0307});
    }
    for (size_t output : assigned)
        codes[output] |= 0x1400;
    return codes;
}

class HostPluginTest : public ::testing::Test {
protected:
    TempDir dir_;
};

TEST_F(HostPluginTest, DeleteSceneEditsKnxRecordFilesInPlace) {
    REQUIRE_LIBRARY_PART("DeleteSceneInPlace", "scene deletion");
    // Three scenes; scene 1 is deleted, so the host's show has two (m = 3): outputs 1 and 4
    // go, 2-3 move down one place, everything from 5 on two places.
    const std::vector<std::pair<uint16_t, uint16_t>> pairs = {{1, 0}, {2, 1}, {1, 3},
                                                              {2, 4}, {1, 6}, {2, 9}};
    const std::vector<uint16_t> before = ThreeSceneCodes({0, 1, 3, 4, 6, 9});
    WriteFileBytes(dir_ / "a.rec", KnxRecord(pairs, 6, before, before.size()));
    WriteFileText(dir_ / "show.json", R"({"scenes": ["Morning", "Off"]})");

    const HostRun run = RunHost(
        {"delete-scene", "1", (dir_ / "a.rec").string(), "--show", (dir_ / "show.json").string()});
    ASSERT_EQ(run.exitCode, 0) << run.err;

    // Freed slots at the ends of both tables keep their old bytes.
    const std::vector<std::pair<uint16_t, uint16_t>> pairsAfter = {{1, 0}, {1, 2}, {1, 4},
                                                                   {2, 7}, {1, 6}, {2, 9}};
    std::vector<uint16_t> after = before;
    after.erase(after.begin() + 4);
    after.erase(after.begin() + 1);
    after.insert(after.end(), {0x0303, 0x0307});
    EXPECT_BYTES_EQ(KnxRecord(pairsAfter, 4, after, before.size() - 2),
                    ReadFileBytes(dir_ / "a.rec"));
    EXPECT_NE(run.out.find("scene 1 deleted"), std::string::npos) << run.out;
}

TEST_F(HostPluginTest, DeleteSceneRefusesRecordsOfAnotherShowState) {
    // A record with three scenes fits a show of two after the deletion; a show of three means
    // the deletion was applied to it already, and doing it again would lose a second scene.
    const std::vector<uint16_t> codes = ThreeSceneCodes({0});
    const std::vector<uint8_t> record = KnxRecord({{1, 0}}, 1, codes, codes.size());
    WriteFileBytes(dir_ / "a.rec", record);
    WriteFileBytes(dir_ / "b.rec", record);
    WriteFileText(dir_ / "show.json", R"({"scenes": ["Morning", "Evening", "Off"]})");
    const HostRun run =
        RunHost({"delete-scene", "0", (dir_ / "a.rec").string(), (dir_ / "b.rec").string(),
                 "--show", (dir_ / "show.json").string()});
    EXPECT_EQ(run.exitCode, 3);
    EXPECT_NE(run.err.find("a.rec: the record has 3 scenes, so the show after the deletion must "
                           "have 2, not 3"),
              std::string::npos)
        << run.err;
    EXPECT_EQ(ReadFileBytes(dir_ / "a.rec"), record);
    EXPECT_EQ(ReadFileBytes(dir_ / "b.rec"), record);
}

TEST_F(HostPluginTest, DeleteSceneShrinksEnOceanRecordFiles) {
    REQUIRE_LIBRARY_PART("DeleteSceneInPlace", "scene deletion");
    // Four transmitter entries (id, page, output); scene 0 goes: the two entries on page 0
    // output 1 are removed, page 1 output 4 becomes 3, page 2 output 1 stays.
    const std::vector<std::tuple<uint8_t, uint8_t, uint8_t>> entries = {
        {0xA1, 0, 1}, {0xA2, 0, 1}, {0xA3, 1, 4}, {0xA4, 2, 1}};
    auto record = [](const std::vector<std::tuple<uint8_t, uint8_t, uint8_t>>& list) {
        const size_t devices = 62 + 12 * list.size(), main = devices + 12444;
        std::vector<uint8_t> r(main + 74, 0);
        Put16(r, 0, static_cast<uint16_t>(main));
        Put16(r, 4, static_cast<uint16_t>(list.size()));
        Put16(r, 8, static_cast<uint16_t>(devices));
        r[14] = 0x01;
        r[15] = 0x10;
        for (size_t i = 0; i < list.size(); ++i) {
            const auto [id, page, output] = list[i];
            r[62 + 12 * i] = id;
            r[62 + 12 * i + 9] = page;
            r[62 + 12 * i + 10] = output;
        }
        r[main] = 74;             // one transmitter row
        r[main + 4] = 'T';        // its name
        r[main + 4 + 66] = 0xA1;  // its ID
        return r;
    };
    WriteFileBytes(dir_ / "e.rec", record(entries));
    WriteFileText(dir_ / "show.json", R"({"scenes": ["Off"]})");

    const HostRun run = RunHost(
        {"delete-scene", "0", (dir_ / "e.rec").string(), "--show", (dir_ / "show.json").string()});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_BYTES_EQ(record({{0xA3, 1, 3}, {0xA4, 2, 1}}), ReadFileBytes(dir_ / "e.rec"));
}

TEST_F(HostPluginTest, DeleteSceneFailsWhereThePlugInWouldRefuseAndWritesNothing) {
    REQUIRE_LIBRARY_PART("DeleteSceneInPlace", "scene deletion");
    const std::vector<uint16_t> codes = ThreeSceneCodes({1});
    const std::vector<uint8_t> good = KnxRecord({{1, 1}}, 1, codes, codes.size());
    std::vector<uint8_t> bad = good;
    Put16(bad, 4, 0xFFF0);  // pair table past the record; the output table is still sound
    WriteFileBytes(dir_ / "a.rec", good);
    WriteFileBytes(dir_ / "b.rec", bad);
    WriteFileText(dir_ / "show.json", R"({"scenes": ["Morning", "Off"]})");
    const HostRun run =
        RunHost({"delete-scene", "1", (dir_ / "a.rec").string(), (dir_ / "b.rec").string(),
                 "--show", (dir_ / "show.json").string()});
    EXPECT_EQ(run.exitCode, 3) << run.out;
    EXPECT_NE(run.err.find("b.rec: scene 1 cannot be deleted from this record safely (pair table "
                           "at offset 65520 starts past the main part"),
              std::string::npos)
        << run.err;
    EXPECT_EQ(ReadFileBytes(dir_ / "a.rec"), good);
    EXPECT_EQ(ReadFileBytes(dir_ / "b.rec"), bad);
}

TEST_F(HostPluginTest, DeleteSceneSaysWhatHappenedToBytesBehindTheRecord) {
    REQUIRE_LIBRARY_PART("DeleteSceneInPlace", "scene deletion");
    // EnOcean headers with 4 bytes of junk behind them; one holds an entry of scene 0.
    std::vector<uint8_t> plain(62, 0);
    Put16(plain, 0, 62);
    plain[15] = 0x10;
    std::vector<uint8_t> assigned(62 + 12, 0);
    std::copy(plain.begin(), plain.end(), assigned.begin());
    Put16(assigned, 0, 74);
    Put16(assigned, 4, 1);
    Put16(assigned, 8, 74);  // device block offset: behind the entry
    assigned[62 + 10] = 1;   // page 0, output 1
    const std::vector<uint8_t> junk = {0xDE, 0xAD, 0xBE, 0xEF};
    for (auto* record : {&plain, &assigned})
        record->insert(record->end(), junk.begin(), junk.end());
    WriteFileBytes(dir_ / "plain.rec", plain);
    WriteFileBytes(dir_ / "assigned.rec", assigned);
    WriteFileText(dir_ / "show.json", R"({"scenes": []})");

    const HostRun run =
        RunHost({"delete-scene", "0", (dir_ / "plain.rec").string(),
                 (dir_ / "assigned.rec").string(), "--show", (dir_ / "show.json").string()});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("plain.rec: unchanged, file not rewritten (66 bytes)"),
              std::string::npos)
        << run.out;
    EXPECT_EQ(ReadFileBytes(dir_ / "plain.rec"), plain);
    EXPECT_NE(run.out.find("assigned.rec: scene 0 deleted (62 bytes; the 4 bytes behind the "
                           "record's end were dropped)"),
              std::string::npos)
        << run.out;
    std::vector<uint8_t> expected(62, 0);
    Put16(expected, 0, 62);
    Put16(expected, 8, 62);
    expected[15] = 0x10;
    EXPECT_BYTES_EQ(expected, ReadFileBytes(dir_ / "assigned.rec"));
}

class HostDialogTest : public HostPluginTest {
protected:
    void SetUp() override {
        WriteFileText(dir_ / "show.json",
                      R"({"scenes": ["Morning", "Evening", "Off"],
                          "devices": [{"name": "Dimmer A", "kind": 0},
                                      {"name": "RGB strip", "kind": 20}]})");
    }
    HostRun Configure(std::vector<std::string> extra) {
        std::vector<std::string> args = {"configure", (dir_ / "scene.rec").string(), "--show",
                                         (dir_ / "show.json").string(), "--accept"};
        args.insert(args.end(), extra.begin(), extra.end());
        return RunHost(args);
    }
};

TEST_F(HostDialogTest, NewWlanRecordGetsItsDefaultsAndTheShow) {
    REQUIRE_LIBRARY_PART("CKnxDlg", "main dialog");
    const HostRun run = Configure({"--bus", "wlan"});
    ASSERT_EQ(run.exitCode, 0) << run.err << run.out;
    const std::vector<uint8_t> r = ReadFileBytes(dir_ / "scene.rec");
    ASSERT_GT(r.size(), 62u);
    EXPECT_EQ(r[14] & 0x02, 0x02) << "WLAN gateway";
    EXPECT_EQ(r[15] & 0x30, 0x20) << "KNX layout, three-level addresses";
    EXPECT_EQ(r[53], 0xFE);
    EXPECT_BYTES_EQ(
        std::vector<uint8_t>({192, 168, 1, 223, 255, 255, 255, 0, 192, 168, 1, 1, 224, 0, 23, 12}),
        std::vector<uint8_t>(r.begin() + 16, r.begin() + 32));
    // Outputs: 2 x 3 scenes, 2 x 1536 dimmer outputs, 2 x 2 devices.
    const size_t outputs = r[6] | (r[7] << 8);
    EXPECT_EQ(r[outputs] | (r[outputs + 1] << 8), 3082);
    // The device block carries the host's device table.
    const size_t devices = r[8] | (r[9] << 8);
    EXPECT_EQ(r[devices] | (r[devices + 1] << 8), 2);
    EXPECT_EQ(std::string(r.begin() + static_cast<ptrdiff_t>(devices) + 2,
                          r.begin() + static_cast<ptrdiff_t>(devices) + 2 + 8),
              "Dimmer A");
    EXPECT_EQ(r[devices + 2 + 24 + 20], 20);
}

TEST_F(HostDialogTest, ReopenedRecordIsWrittenAgainUnchanged) {
    REQUIRE_LIBRARY_PART("CKnxDlg", "main dialog");
    ASSERT_EQ(Configure({"--bus", "knx"}).exitCode, 0);
    const std::vector<uint8_t> first = ReadFileBytes(dir_ / "scene.rec");
    const HostRun run = Configure({"--lang", "de"});
    ASSERT_EQ(run.exitCode, 0) << run.err << run.out;
    EXPECT_BYTES_EQ(first, ReadFileBytes(dir_ / "scene.rec"));
}

TEST_F(HostDialogTest, DamagedNetworkOnlyRecordIsStoredAsItsSoundHeader) {
    REQUIRE_LIBRARY_PART("CKnxDlg", "main dialog");
    // Network-only layout (byte 14 bit 0x02, byte 15 bit 0x10): OK rebuilds nothing, so a
    // damaged record must not go back as it came; its header, all the dialog reads, stays.
    std::vector<uint8_t> header(62, 0);
    header[14] = 0x02;
    header[15] = 0x10;
    header[16] = 10, header[17] = 1, header[18] = 2, header[19] = 3;  // IP address
    const std::vector<std::pair<uint16_t, uint16_t>> damages = {
        {4, 50},  // 50 transmitter entries in a 100-byte main part
        {8, 20},  // device block inside the header
    };
    for (const auto& [field, value] : damages) {
        std::vector<uint8_t> record = header;
        record.resize(100, 0xAA);
        Put16(record, 0, 100);
        Put16(record, field, value);
        WriteFileBytes(dir_ / "scene.rec", record);
        const HostRun run = Configure({});
        ASSERT_EQ(run.exitCode, 0) << run.err << run.out;
        EXPECT_NE(run.out.find("message \"Attention\""), std::string::npos) << run.out;
        std::vector<uint8_t> expected = header;
        Put16(expected, 0, 62);
        EXPECT_BYTES_EQ(expected, ReadFileBytes(dir_ / "scene.rec")) << "offset " << field;
    }
}

TEST_F(HostDialogTest, EnOceanRecordHasItsOwnLayout) {
    REQUIRE_LIBRARY_PART("CKnxDlg", "main dialog");
    const HostRun run = Configure({"--bus", "enocean"});
    ASSERT_EQ(run.exitCode, 0) << run.err << run.out;
    const std::vector<uint8_t> r = ReadFileBytes(dir_ / "scene.rec");
    ASSERT_GE(r.size(), 62u);
    EXPECT_EQ(r[15] & 0x10, 0x10);
    EXPECT_EQ(r[14] & 0x02, 0x00);
}

TEST_F(HostDialogTest, EsfImportFillsTheCatalogueBeforeOk) {
    REQUIRE_LIBRARY_PART("CKnxDlg", "main dialog");
    REQUIRE_LIBRARY_PART("ImportEsfFile", "ESF import");
    WriteFileText(dir_ / "groups.esf",
                  "Demo project\r\nLighting.Ground floor.1/0/12\tHall ceiling\t(1 Bit)\r\n");
    const HostRun run = Configure({"--bus", "knx", "--import-esf", (dir_ / "groups.esf").string()});
    ASSERT_EQ(run.exitCode, 0) << run.err << run.out;
    const std::string r = ReadFileText(dir_ / "scene.rec");
    EXPECT_NE(r.find("Hall ceiling"), std::string::npos) << "the name block holds the address";
}

TEST_F(HostDialogTest, XmlExportImportsAndAFileWithoutAddressesWritesNothing) {
    REQUIRE_LIBRARY_PART("GroupAddress-Export", "XML and CSV import");
    WriteFileText(dir_ / "groups.xml",
                  "<GroupAddress-Export><GroupRange Name=\"Lighting\"><GroupRange Name=\"Hall\">"
                  "<GroupAddress Name=\"Hall ceiling\" Address=\"1/0/12\" DPTs=\"DPST-1-1\"/>"
                  "</GroupRange></GroupRange></GroupAddress-Export>");
    const HostRun run = Configure({"--bus", "knx", "--import-esf", (dir_ / "groups.xml").string()});
    ASSERT_EQ(run.exitCode, 0) << run.err << run.out;
    EXPECT_NE(ReadFileText(dir_ / "scene.rec").find("Hall ceiling"), std::string::npos);

    std::filesystem::remove(dir_ / "scene.rec");
    WriteFileText(dir_ / "empty.esf", "");
    const HostRun empty =
        Configure({"--bus", "knx", "--import-esf", (dir_ / "empty.esf").string()});
    EXPECT_EQ(empty.exitCode, 3) << empty.err << empty.out;
    EXPECT_NE(empty.err.find("contains no group address"), std::string::npos) << empty.err;
    EXPECT_FALSE(std::filesystem::exists(dir_ / "scene.rec"));
}

TEST_F(HostDialogTest, ScriptedAssignmentsAreStoredOrRefused) {
    REQUIRE_LIBRARY_PART("AssignEntry", "scripted assignment");
    WriteFileText(dir_ / "groups.esf",
                  "Demo\r\nLighting.Ground floor.1/0/12\tHall ceiling\t(1 Bit)\r\n"
                  "Lighting.Ground floor.1/0/13\tHall level\t(1 Byte)\r\n");
    const std::string esf = (dir_ / "groups.esf").string();
    const HostRun refused = Configure({"--bus", "knx", "--import-esf", esf, "--assign",
                                       "dimmer1:1:1/0/13"});  // a 1-byte address on a 1-bit output
    EXPECT_EQ(refused.exitCode, 3) << refused.err;
    EXPECT_FALSE(std::filesystem::exists(dir_ / "scene.rec"));
    const HostRun usage = Configure({"--bus", "knx", "--assign", "dimmer9:1:1/0/13"});
    EXPECT_EQ(usage.exitCode, 2) << usage.err;

    const HostRun run = Configure({"--bus", "knx", "--import-esf", esf, "--assign",
                                   "scene1:1:1/0/12", "--assign", "dimmer1:3:1/0/13"});
    ASSERT_EQ(run.exitCode, 0) << run.err << run.out;
    const std::string r = ReadFileText(dir_ / "scene.rec");
    // Group-address list at 62: two addresses, 1/0/12 and 1/0/13.
    ASSERT_GT(r.size(), 68u);
    EXPECT_EQ(static_cast<uint8_t>(r[62]), 2);
    EXPECT_EQ(static_cast<uint8_t>(r[64]), 0x0C);
    EXPECT_EQ(static_cast<uint8_t>(r[65]), 0x08);
    EXPECT_EQ(static_cast<uint8_t>(r[66]), 0x0D);
}

}  // namespace
}  // namespace halvex::test
