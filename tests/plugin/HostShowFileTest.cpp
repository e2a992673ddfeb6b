// The show file as halvex-host turns it into the scene list and device table it hands to the
// plug-in, checked byte by byte through `check-show`.
#include <gtest/gtest.h>

#include <cstring>

#include "plugin/HostRunner.h"
#include "support/ByteDiff.h"

namespace halvex::test {
namespace {

class HostShowFileTest : public ::testing::Test {
protected:
    // Converts `json`; the bytes land in scene-list and device-table.
    HostRun Check(const std::string& json) {
        WriteFileText(dir_ / "show.json", json);
        return RunHost({"check-show", (dir_ / "show.json").string(), "--scene-list",
                        (dir_ / "scene-list").string(), "--device-table",
                        (dir_ / "device-table").string()});
    }
    std::vector<uint8_t> SceneList() const { return ReadFileBytes(dir_ / "scene-list"); }
    std::vector<uint8_t> DeviceTable() const { return ReadFileBytes(dir_ / "device-table"); }

    TempDir dir_;
};

void Put(std::vector<uint8_t>& out, size_t offset, const std::string& text) {
    std::memcpy(out.data() + offset, text.data(), text.size());
}

TEST_F(HostShowFileTest, ScenesAndDevicesGiveTheBytesThePlugInReads) {
    const HostRun run = Check(
        R"({"scenes": ["Morning", "Evening", "Off"],
            "devices": [{"name": "Dimmer A", "kind": 0}, {"name": "RGB strip", "kind": 20}]})");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.err, "");

    const std::vector<uint8_t> sceneList = {
        'H', 'X', 'S', 'L', 75, 0,  // host's tag, total size 75
        3,                          // scene count
        // scene 0 at 7: length 20, number 0, name ends at 27
        20, 0, 0, 27, 0, 'M', 'o', 'r', 'n', 'i', 'n', 'g', 0, 0, 0, 0, 0, 0, 0, 0,
        // scene 1 at 27: name ends at 47
        20, 0, 1, 47, 0, 'E', 'v', 'e', 'n', 'i', 'n', 'g', 0, 0, 0, 0, 0, 0, 0, 0,
        // scene 2 at 47: name ends at 67
        20, 0, 2, 67, 0, 'O', 'f', 'f', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
        // one 7-byte host record: 3 scenes, 2 devices, 3 zero bytes
        1, 3, 0, 2, 0, 0, 0, 0};
    EXPECT_BYTES_EQ(sceneList, SceneList());

    std::vector<uint8_t> deviceTable(12288, 0);
    Put(deviceTable, 0, "Dimmer A");
    Put(deviceTable, 24, "RGB strip");
    deviceTable[24 + 20] = 20;
    EXPECT_BYTES_EQ(deviceTable, DeviceTable());
}

TEST_F(HostShowFileTest, NamesAreWindows1252AndCutToTheirFields) {
    const HostRun run = Check(
        R"({"scenes": ["ABCDEFGHIJKLMNO", "ABCDEFGHIJKLMNOP", "Küche €"],
            "devices": [{"name": "ABCDEFGHIJKLMNOPQRST", "kind": 40},
                        {"name": "ABCDEFGHIJKLMNOPQRSTU", "kind": 255},
                        {"name": "Snow ☃", "kind": 7}]})");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    // Exactly 15 and 20 characters fit without a NUL; one more is cut, and said so.
    EXPECT_NE(run.err.find("scene 1 \"ABCDEFGHIJKLMNOP\" is cut to 15 characters: "
                           "\"ABCDEFGHIJKLMNO\""),
              std::string::npos)
        << run.err;
    EXPECT_NE(run.err.find("device 1 \"ABCDEFGHIJKLMNOPQRSTU\" is cut to 20 characters"),
              std::string::npos)
        << run.err;
    EXPECT_NE(run.err.find("device 2 \"Snow ☃\" has characters that Windows-1252 lacks"),
              std::string::npos)
        << run.err;
    EXPECT_EQ(run.err.find("scene 0"), std::string::npos) << run.err;
    EXPECT_EQ(run.err.find("device 0"), std::string::npos) << run.err;

    const std::vector<uint8_t> sceneList = SceneList();
    ASSERT_EQ(sceneList.size(), 7u + 3 * 20 + 8);
    const std::vector<uint8_t> names(sceneList.begin() + 12, sceneList.begin() + 27);
    EXPECT_BYTES_EQ(std::vector<uint8_t>({'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H', 'I', 'J', 'K',
                                          'L', 'M', 'N', 'O'}),
                    names);
    EXPECT_EQ(sceneList[27 + 3], 47) << "the cut name's block keeps its place";
    // "Küche €" in Windows-1252: ü = 0xFC, € = 0x80.
    const std::vector<uint8_t> kitchen(sceneList.begin() + 52, sceneList.begin() + 67);
    EXPECT_BYTES_EQ(
        std::vector<uint8_t>({'K', 0xFC, 'c', 'h', 'e', ' ', 0x80, 0, 0, 0, 0, 0, 0, 0, 0}),
        kitchen);

    const std::vector<uint8_t> table = DeviceTable();
    ASSERT_EQ(table.size(), 12288u);
    EXPECT_EQ(std::string(table.begin(), table.begin() + 21),
              std::string("ABCDEFGHIJKLMNOPQRST\x28"));
    EXPECT_EQ(std::string(table.begin() + 24, table.begin() + 45),
              std::string("ABCDEFGHIJKLMNOPQRST\xFF"));
    EXPECT_EQ(std::string(table.begin() + 48, table.begin() + 56), std::string("Snow ?\0\0", 8));
    EXPECT_EQ(table[48 + 20], 7);
}

TEST_F(HostShowFileTest, LargestShowIsAcceptedAndOneMoreIsRefused) {
    auto list = [](size_t count, const std::string& item) {
        std::string json = "[";
        for (size_t i = 0; i < count; ++i)
            json += (i ? "," : "") + item;
        return json + "]";
    };
    const std::string device = R"({"name": "D", "kind": 20})";
    HostRun run =
        Check(R"({"scenes": )" + list(254, "\"S\"") + R"(, "devices": )" + list(512, device) + "}");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const std::vector<uint8_t> sceneList = SceneList();
    ASSERT_EQ(sceneList.size(), 7u + 254 * 20 + 8);
    EXPECT_EQ(sceneList[4] | (sceneList[5] << 8), 5095);
    EXPECT_EQ(sceneList[6], 254);
    const size_t last = 7 + 253 * 20;
    EXPECT_EQ(sceneList[last + 3] | (sceneList[last + 4] << 8), last + 20);
    EXPECT_EQ(DeviceTable()[511 * 24 + 20], 20);

    run = Check(R"({"scenes": )" + list(255, "\"S\"") + "}");
    EXPECT_EQ(run.exitCode, 3);
    EXPECT_NE(run.err.find("255 scenes; a show has at most 254"), std::string::npos) << run.err;
    run = Check(R"({"devices": )" + list(513, device) + "}");
    EXPECT_EQ(run.exitCode, 3);
    EXPECT_NE(run.err.find("513 devices; a show has at most 512"), std::string::npos) << run.err;
}

TEST_F(HostShowFileTest, MalformedShowFilesAreRefusedWithTheReason) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"", "not valid JSON"},
        {R"({"scenes": ["Morning"])", "not valid JSON"},
        {"{\"scenes\": [\"\xC3\x28\"]}", "not valid JSON"},
        {"[]", "a show file is a JSON object"},
        {R"({"scenes": "Morning"})", "\"scenes\" must be an array"},
        {R"({"scenes": [1]})", "scene 0 must be a string"},
        {R"({"scenes": ["a\u0000b"]})", "scene 0 contains a NUL character"},
        {R"({"devices": {"name": "A", "kind": 0}})", "\"devices\" must be an array"},
        {R"({"devices": ["Dimmer"]})", "device 0 must be an object"},
        {R"({"devices": [{"kind": 0}]})", "device 0 has no \"name\""},
        {R"({"devices": [{"name": "A"}]})", "device 0 has no \"kind\""},
        {R"({"devices": [{"name": 5, "kind": 0}]})", "device 0 name must be a string"},
        {R"({"devices": [{"name": "A", "kind": 256}]})",
         "device 0: \"kind\" must be an integer from 0 to 255, not 256"},
        {R"({"devices": [{"name": "A", "kind": -1}]})", "must be an integer from 0 to 255, not -1"},
        {R"({"devices": [{"name": "A", "kind": 2.5}]})", "must be an integer from 0 to 255"},
        {R"({"devices": [{"name": "A", "kind": "20"}]})", "must be an integer from 0 to 255"},
        {R"({"devices": [{"name": "A", "kind": true}]})", "must be an integer from 0 to 255"},
        {R"({"devices": [{"name": "A", "kind": null}]})", "from 0 to 255, not null"},
        {R"({"devices": [{"name": "A", "kind": [[1]]}]})", "from 0 to 255, not an array"},
        {R"({"devices": [{"name": "A", "kind": 1e400}]})", "not valid JSON at devices[0].kind"},
        {R"({"devices": [{"name": "A", "kind": NaN}]})", "not valid JSON at devices[0].kind"},
        {R"({"scenes": null})", "\"scenes\" must be an array"},
        // Nesting that would overflow the stack wherever it is walked recursively.
        {R"({"devices": [{"name": "A", "kind": )" + std::string(100000, '[') +
             std::string(100000, ']') + "}]}",
         "values nested deeper than 32 levels at devices[0].kind"},
    };
    for (const auto& [json, message] : cases) {
        const HostRun run = Check(json);
        EXPECT_EQ(run.exitCode, 3) << json;
        EXPECT_NE(run.err.find("show.json: "), std::string::npos) << json << "\n" << run.err;
        EXPECT_NE(run.err.find(message), std::string::npos) << json << "\n" << run.err;
        EXPECT_FALSE(std::filesystem::exists(dir_ / "scene-list")) << json;
    }
}

TEST_F(HostShowFileTest, MissingShowFileAndUnknownKeys) {
    HostRun run = RunHost({"check-show", (dir_ / "absent.json").string()});
    EXPECT_EQ(run.exitCode, 3);
    EXPECT_NE(run.err.find("absent.json: no such show file"), std::string::npos) << run.err;

    run = Check(R"({"scene": ["Morning"]})");
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_NE(run.err.find("unknown key \"scene\" is ignored"), std::string::npos) << run.err;
    EXPECT_EQ(SceneList()[6], 0);
}

TEST_F(HostShowFileTest, DemoShowHasNamedScenesAndAllDeviceKinds) {
    const HostRun run = RunHost({"check-show", HALVEX_SOURCE_DIR "/resources/demo/show.json",
                                 "--device-table", (dir_ / "device-table").string()});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.err, "") << "the demo show needs no cutting";
    const std::vector<uint8_t> table = DeviceTable();
    std::vector<int> kinds;
    for (size_t entry = 0; entry < 512 && table[entry * 24] != 0; ++entry) {
        kinds.push_back(table[entry * 24 + 20]);
    }
    for (int kind : {0, 20, 40}) {
        EXPECT_NE(std::find(kinds.begin(), kinds.end(), kind), kinds.end()) << kind;
    }
}

}  // namespace
}  // namespace halvex::test
