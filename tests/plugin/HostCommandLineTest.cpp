// halvex-host refuses bad command lines, bad files and unusable libraries with a message and
// its documented exit code, before the plug-in sees anything.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include "plugin/HostRunner.h"

namespace halvex::test {
namespace {

constexpr int kCancelled = 1, kUsage = 2, kBadInput = 3, kLibrary = 4;

// A 62-byte KNX header as the plug-in creates it for a new record.
std::vector<uint8_t> NewRecord() {
    std::vector<uint8_t> record(62, 0);
    record[0] = 62;
    record[15] = 0x20;
    return record;
}

class HostCommandLineTest : public ::testing::Test {
protected:
    void SetUp() override {
        WriteFileText(Show(), R"({"scenes": ["Morning", "Evening"], "devices": []})");
        WriteFileBytes(Record(), NewRecord());
    }
    std::string Show() const { return (dir_ / "show.json").string(); }
    std::string Record() const { return (dir_ / "scene.rec").string(); }

    // Runs the host and checks exit code and a part of the message.
    void Expect(const std::vector<std::string>& args, int code, const std::string& message,
                const HostRunOptions& options = {}) {
        const HostRun run = RunHost(args, options);
        std::string line;
        for (const auto& arg : args)
            line += arg + " ";
        EXPECT_EQ(run.exitCode, code) << line << "\n" << run.err;
        EXPECT_NE(run.err.find(message), std::string::npos) << line << "\n" << run.err;
    }

    TempDir dir_;
};

TEST_F(HostCommandLineTest, BadArgumentsAreUsageErrors) {
    Expect({}, kUsage, "A subcommand is required");
    Expect({"frobnicate"}, kUsage, "frobnicate");
    Expect({"configure", Record()}, kUsage, "--show is required");
    Expect({"configure", Record(), "--show", Show(), "--lang", "fr"}, kUsage, "--lang");
    Expect({"configure", Record(), "--show", Show(), "--accept", "--bus", "token-ring"}, kUsage,
           "--bus");
    Expect({"configure", Record(), "--show", Show(), "--accept", "--timeout", "0"}, kUsage,
           "--timeout");
    Expect({"configure", Record(), "--show", Show(), "--import-esf", "a.esf"}, kUsage,
           "--import-esf and --bus need --accept");
    Expect({"delete-scene", "254", Record(), "--show", Show()}, kUsage, "INDEX");
    Expect({"delete-scene", "-1", Record(), "--show", Show()}, kUsage, "INDEX");
    Expect({"delete-scene", "x", Record(), "--show", Show()}, kUsage, "INDEX");
    Expect({"delete-scene", "0", "--show", Show()}, kUsage, "RECORD is required");
    Expect({"preview", Record(), "--frames", "0"}, kUsage, "--frames");
    Expect({"preview", Record(), "--frames", "1", "--interval-ms", "-5"}, kUsage, "--interval-ms");
    Expect({"preview", Record(), "--frames", "1", "--channel-values", "1,256"}, kUsage,
           "--channel-values");
    std::string many = "0";
    for (int i = 0; i < 512; ++i)
        many += ",0";
    Expect({"preview", Record(), "--frames", "1", "--channel-values", many}, kUsage,
           "513 values for 512 channels");
    Expect({"search", "--show", Show(), "--seconds", "-1"}, kUsage, "--seconds");

    const HostRun help = RunHost({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("delete-scene"), std::string::npos);
}

TEST_F(HostCommandLineTest, DeleteSceneChecksIndexAndRecordsFirst) {
    // Two scenes remain, so the deleted one was scene 0, 1 or 2.
    Expect({"delete-scene", "3", Record(), "--show", Show()}, kUsage,
           "scene 3 cannot have been deleted");
    Expect({"delete-scene", "0", Record(), (dir_ / "." / "scene.rec").string(), "--show", Show()},
           kUsage, "record file named twice");
    Expect({"delete-scene", "0", (dir_ / "absent.rec").string(), "--show", Show()}, kBadInput,
           "absent.rec: no such record file");

    std::string scenes = "[\"S\"";
    for (int i = 1; i < 254; ++i)
        scenes += ",\"S\"";
    WriteFileText(dir_ / "big.json", "{\"scenes\": " + scenes + "]}");
    Expect({"delete-scene", "0", Record(), "--show", (dir_ / "big.json").string()}, kBadInput,
           "at most 253 scenes");
}

TEST_F(HostCommandLineTest, DamagedRecordsNeverReachThePlugIn) {
    std::vector<uint8_t> longMain = NewRecord();
    longMain[0] = 100;  // main part longer than the file
    std::vector<uint8_t> shortMain = NewRecord();
    shortMain[0] = 10;
    std::vector<uint8_t> trailing = NewRecord();
    trailing[14] = 0x01;  // a trailing block is flagged but missing
    std::vector<uint8_t> longTrailing = NewRecord();
    longTrailing[14] = 0x01;
    longTrailing.insert(longTrailing.end(), {9, 0, 0, 0, 0, 0, 0, 0});  // 9 bytes, 8 present
    const std::vector<std::pair<std::vector<uint8_t>, std::string>> cases = {
        {{}, "too short for a scene record (0 bytes"},
        {std::vector<uint8_t>(61, 0), "too short for a scene record (61 bytes"},
        {longMain, "main part length 100 does not fit the 62-byte file"},
        {shortMain, "main part length 10 does not fit"},
        {trailing, "the trailing block's length is missing"},
        {longTrailing, "trailing block length 9 does not fit the 70-byte file"},
    };
    for (const auto& [bytes, message] : cases) {
        WriteFileBytes(Record(), bytes);
        for (const std::vector<std::string>& args :
             {std::vector<std::string>{"configure", Record(), "--show", Show(), "--accept"},
              {"delete-scene", "0", Record(), "--show", Show()},
              {"preview", Record(), "--frames", "1"}}) {
            Expect(args, kBadInput, "scene.rec: damaged record: " + message);
        }
        EXPECT_EQ(ReadFileBytes(Record()), bytes);
    }
    std::filesystem::create_directory(dir_ / "folder.rec");
    Expect({"configure", (dir_ / "folder.rec").string(), "--show", Show(), "--accept"}, kBadInput,
           "folder.rec: not a regular file");
}

TEST_F(HostCommandLineTest, MissingFilesAreBadInput) {
    Expect({"configure", Record(), "--show", (dir_ / "absent.json").string(), "--accept"},
           kBadInput, "absent.json: no such show file");
    Expect({"configure", Record(), "--show", Show(), "--accept", "--import-esf",
            (dir_ / "absent.esf").string()},
           kBadInput, "absent.esf: no such ESF file");
    Expect({"preview", (dir_ / "absent.rec").string(), "--frames", "1"}, kBadInput,
           "no such record file");
    WriteFileText(Show(), "{\"scenes\": [");
    Expect({"configure", Record(), "--show", Show(), "--accept"}, kBadInput, "not valid JSON");
}

TEST_F(HostCommandLineTest, UnusableLibrariesAreNamed) {
    Expect({"--library", (dir_ / "absent.so").string(), "delete-scene", "0", Record(), "--show",
            Show()},
           kLibrary, "cannot load the plug-in");
    Expect({"delete-scene", "0", Record(), "--show", Show(), "--library", "libc.so.6"}, kLibrary,
           "libc.so.6 is not a Halvex plug-in: it does not export __OpenKNXDialog, "
           "__DeleteScene, __SendDMXData2UDP");
    EXPECT_EQ(ReadFileBytes(Record()), NewRecord());
}

TEST_F(HostCommandLineTest, InteractiveDialogWithoutDisplayIsRefused) {
    HostRunOptions noDisplay;
    noDisplay.unset = {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"};
    Expect({"configure", Record(), "--show", Show()}, kUsage, "there is no display", noDisplay);
}

TEST_F(HostCommandLineTest, PreviewWithoutPreviewOutputSaysSo) {
    // Byte 15 has neither preview bit, so the plug-in sends nothing anywhere.
    const HostRun run = RunHost({"preview", Record(), "--frames", "3", "--interval-ms", "1"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.err.find("has no preview output switched on"), std::string::npos) << run.err;
    EXPECT_NE(run.out.find("passed 3 frames of 519 bytes"), std::string::npos) << run.out;
}

}  // namespace
}  // namespace halvex::test
