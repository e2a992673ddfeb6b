// halvex-host's commands run in process: every refusal with its message and exit code before
// the plug-in sees anything, and what the commands hand to the stand-in plug-in and print. The
// frames and records the real plug-in makes of them are checked by scripts/walkthrough.sh.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <map>

#include "plugin/HostRunner.h"
#include "support/ByteDiff.h"
#include "support/RecordBuilder.h"

namespace halvex::test {
namespace {

constexpr int kUsage = 2, kBadInput = 3, kLibrary = 4, kWriteFailed = 7;

// A KNX header as the plug-in creates it for a new record, `size` bytes with a pattern behind it.
std::vector<uint8_t> NewRecord(size_t size = 62) {
    std::vector<uint8_t> record(size, 0);
    record[0] = static_cast<uint8_t>(size), record[1] = static_cast<uint8_t>(size >> 8);
    record[15] = 0x20;
    for (size_t i = 62; i < size; ++i)
        record[i] = static_cast<uint8_t>(i * 7);
    return record;
}

std::string Scenes(size_t count) {
    std::string json = "{\"scenes\": [\"S\"";
    for (size_t i = 1; i < count; ++i)
        json += ",\"S\"";
    return json + "]}";
}

class HostCommandTest : public ::testing::Test {
protected:
    void SetUp() override {
        WriteFileText(dir_ / "show.json", Scenes(2));
        WriteFileBytes(good_, NewRecord());
    }
    // Runs `line` (words split at spaces; "%" before a word puts it in the test's directory,
    // "$F" names the stand-in plug-in) and checks exit code and message; good.rec stays.
    HostRun Expect(const std::string& line, int code, const std::string& message,
                   const std::vector<std::string>& env = {}) {
        std::vector<std::string> args;
        std::istringstream words(line);
        for (std::string word; words >> word;) {
            args.push_back(word == "$F"     ? FakePlugin()
                           : word[0] == '%' ? dir_ / word.substr(1)
                                            : word);
        }
        const HostRun run = RunHost(args, env);
        EXPECT_EQ(run.exitCode, code) << line << "\n" << run.err;
        EXPECT_NE((run.err + run.out).find(message), std::string::npos) << line << "\n" << run.err;
        EXPECT_EQ(ReadFileBytes(good_), NewRecord()) << line;
        return run;
    }
    TempDir dir_;
    const std::string good_ = dir_ / "good.rec";
};

TEST_F(HostCommandTest, CommandLinesAndExitCodes) {
    KnxRecordPlan plan;
    plan.scenes = 4;  // a show of 3 after a deletion
    plan.pairs = {{1, 0x0801}};
    WriteFileBytes(dir_ / "knx4.rec", BuildKnxRecord(plan));
    plan.scenes = 3;
    std::vector<uint8_t> unsafe = BuildKnxRecord(plan);
    unsafe[4] = 0xF0, unsafe[5] = 0xFF;  // pair table past the record; the outputs are sound
    WriteFileBytes(dir_ / "unsafe.rec", unsafe);
    std::vector<uint8_t> wlan = NewRecord(), preview = NewRecord();
    wlan[14] = 0x02;     // WLAN gateway
    preview[15] = 0x60;  // DMX-Out 1 preview on
    WriteFileBytes(dir_ / "wlan.rec", wlan);
    WriteFileBytes(dir_ / "preview.rec", preview);
    WriteFileBytes(dir_ / "damaged.rec", {0xFF, 0xFF, 1, 2, 3});
    WriteFileText(dir_ / "big.json", Scenes(254));
    WriteFileText(dir_ / "bad.json", "{\"scenes\": [");
    std::string values = "0";
    for (int i = 0; i < 512; ++i)
        values += ",0";
    const std::tuple<std::string, int, std::string> rows[] = {
        {"--help", 0, "delete-scene"},
        {"--version", 0, "halvex-host " HALVEX_VERSION},
        {"inspect %wlan.rec", 0, "Bus mode: knx, WLAN gateway\nMain part"},
        {"inspect %wlan.rec --json", 0, "\"wlan\": true"},
        {"inspect %damaged.rec --json", 0, "\"damaged\": true"},
        {"--library $F preview %preview.rec --frames 2 --interval-ms 1", 0,
         "passed 2 frames of 519 bytes to the plug-in (preview on DMX-Out 1)\n"},
        {"--library $F preview %good.rec --frames 1", 0,
         "good.rec has no preview output switched on (DMX-Out 1/2); the plug-in sends nothing"},
        {"", kUsage, "A subcommand is required"},
        {"frobnicate", kUsage, "unknown command \"frobnicate\""},
        {"configure %good.rec", kUsage, "--show is required"},
        {"configure %good.rec --show %show.json --lang fr", kUsage, "--lang"},
        {"configure %good.rec --show %show.json --accept --bus token-ring", kUsage, "--bus"},
        {"configure %good.rec --show %show.json --accept --timeout 0", kUsage, "--timeout"},
        {"configure %good.rec --show %show.json --import-esf a.esf", kUsage,
         "--import-esf and --bus need --accept"},
        {"configure %good.rec --show %show.json --wait 1", kUsage,
         "--assign, --screenshots and --wait need --accept"},
        {"configure %good.rec --show %show.json --accept --assign dimmer9:1:1/0/13", kUsage,
         "--assign dimmer9:1:1/0/13: expected PAGE:OUTPUT:ENTRY"},
        {"delete-scene 254 %good.rec --show %show.json", kUsage, "INDEX"},
        {"delete-scene x %good.rec --show %show.json", kUsage, "INDEX"},
        {"delete-scene 0 --show %show.json", kUsage, "RECORD is required"},
        // Two scenes remain, so the deleted one was scene 0, 1 or 2.
        {"delete-scene 3 %good.rec --show %show.json", kUsage, "scene 3 cannot have been deleted"},
        {"delete-scene 0 %good.rec %./good.rec --show %show.json", kUsage,
         "record file named twice"},
        {"preview %good.rec --frames 0", kUsage, "--frames"},
        {"preview %good.rec --frames 1 --interval-ms -5", kUsage, "--interval-ms"},
        {"preview %good.rec --frames 1 --channel-values 1,256", kUsage, "--channel-values"},
        {"preview %good.rec --frames 1 --channel-values " + values, kUsage,
         "513 values for 512 channels"},
        {"search --show %show.json --seconds -1", kUsage, "--seconds"},
        {"configure %good.rec --show %absent.json --accept", kBadInput,
         "absent.json: no such show file"},
        {"configure %good.rec --show %bad.json --accept", kBadInput, "bad.json: not valid JSON"},
        {"configure %good.rec --show %show.json --accept --import-esf %absent.esf", kBadInput,
         "absent.esf: no such ESF file"},
        {"delete-scene 0 %good.rec --show %big.json", kBadInput, "at most 253 scenes"},
        {"delete-scene 0 %knx4.rec --show %show.json", kBadInput,
         "knx4.rec: the record has 4 scenes, so the show after the deletion must have 3, not 2"},
        {"delete-scene 1 %good.rec %unsafe.rec --show %show.json", kBadInput,
         "unsafe.rec: scene 1 cannot be deleted from this record safely (pair table at offset "
         "65520 starts past the main part"},
        {"--library %absent.so delete-scene 0 %good.rec --show %show.json", kLibrary,
         "cannot load the plug-in"},
        {"delete-scene 0 %good.rec --show %show.json --library libc.so.6", kLibrary,
         "libc.so.6 is not a Halvex plug-in: it does not export __OpenKNXDialog, "
         "__DeleteScene, __SendDMXData2UDP"},
        {"check-show %show.json --scene-list %missing-dir/list", kWriteFailed,
         "missing-dir/list: cannot create a temporary file beside it"},
    };
    for (const auto& [line, code, message] : rows)
        Expect(line, code, message);
    Expect("--library $F configure %good.rec --show %show.json", kUsage, "there is no display",
           {"DISPLAY=", "WAYLAND_DISPLAY=", "QT_QPA_PLATFORM="});
    EXPECT_EQ(ReadFileBytes(dir_ / "unsafe.rec"), unsafe);
}

// Checked before anything is read or handed on: nothing blocks on a FIFO, nothing tries to
// hold 4 GiB, and with one bad record no record of the deletion changes.
TEST_F(HostCommandTest, RecordFileFaults) {
    std::vector<uint8_t> longMain = NewRecord(), shortMain = NewRecord();
    longMain[0] = 100, shortMain[0] = 10;
    std::vector<uint8_t> noTrailing = NewRecord(), longTrailing = NewRecord();
    noTrailing[14] = longTrailing[14] = 0x01;  // a trailing block is flagged
    longTrailing.insert(longTrailing.end(), {9, 0, 0, 0, 0, 0, 0, 0});  // 9 bytes, 8 present
    enum Kind { kBytes, kAbsent, kFolder, kFifo, kHuge };
    const std::tuple<Kind, std::vector<uint8_t>, std::string, std::string> rows[] = {
        {kBytes, {}, "x.rec: damaged record: too short for a scene record (0 bytes", "cdp"},
        {kBytes, std::vector<uint8_t>(61, 0), "too short for a scene record (61 bytes", "cdp"},
        {kBytes, longMain, "main part length 100 does not fit the 62-byte file", "cdp"},
        {kBytes, shortMain, "main part length 10 does not fit", "cdp"},
        {kBytes, noTrailing, "the trailing block's length is missing", "cdp"},
        {kBytes, longTrailing, "trailing block length 9 does not fit the 70-byte file", "cdp"},
        {kAbsent, {}, "x.rec: no such record file", "dpi"},
        {kFolder, {}, "x.rec: not a regular file", "cdpi"},
        {kFifo, {}, "x.rec: not a regular file", "cdpi"},
        {kHuge,
         {},
         "x.rec: 4294967296 bytes, more than any record file can hold (67108864",
         "cdpi"},
    };
    // The commands each row is run with: configure, delete-scene, preview, inspect.
    const std::map<char, std::string> commands = {
        {'c', "configure %x.rec --show %show.json --accept"},
        {'d', "--library $F delete-scene 0 %good.rec %x.rec --show %show.json"},
        {'p', "--library $F preview %x.rec --frames 1"},
        {'i', "inspect %x.rec"},
    };
    const std::string x = dir_ / "x.rec";
    for (const auto& [kind, bytes, message, run] : rows) {
        std::filesystem::remove_all(x);
        if (kind == kBytes || kind == kHuge)
            WriteFileBytes(x, bytes);
        if (kind == kHuge)
            std::filesystem::resize_file(x, uintmax_t{4} << 30);  // sparse
        if (kind == kFolder)
            std::filesystem::create_directory(x);
        if (kind == kFifo)
            ::mkfifo(x.c_str(), 0600);
        for (const char command : run)
            Expect(commands.at(command), kBadInput, message);
        EXPECT_TRUE(kind != kBytes || ReadFileBytes(x) == bytes) << message;
    }
}

// The stand-in plug-in marks bytes 54 and 55 with the scene index and the show's scene count;
// a record it leaves as it was is not rewritten, bytes behind a record's end are dropped.
TEST_F(HostCommandTest, DeleteSceneHandsEachRecordToThePlugInAndWritesItBack) {
    std::vector<uint8_t> big = NewRecord(8000), trailing = NewRecord(100), same = NewRecord(),
                         junk = NewRecord();
    trailing[14] = 0x01;  // a trailing block of 10 bytes behind the main part
    trailing.insert(trailing.end(), {10, 0, 0, 0, 1, 2, 3, 4, 5, 6});
    same[54] = 1, same[55] = 2;
    junk.insert(junk.end(), {0xDE, 0xAD, 0xBE, 0xEF});
    std::pair<std::string, std::vector<uint8_t>> records[] = {
        {"a", big}, {"b", trailing}, {"c", same}, {"d", junk}};
    for (const auto& [name, bytes] : records)
        WriteFileBytes(dir_ / name, bytes);
    const HostRun run = Expect("--library $F delete-scene 1 --show %show.json %a %b %c %d", 0,
                               dir_ / "a: scene 1 deleted (8000 bytes)\n" + dir_ / "b" +
                                   ": scene 1 deleted (110 bytes)\n" + dir_ / "c" +
                                   ": unchanged, file not rewritten (62 bytes)\n" + dir_ / "d" +
                                   ": scene 1 deleted (62 bytes; the 4 bytes behind the "
                                   "record's end were dropped)\n");
    EXPECT_EQ(run.err, "");
    records[3].second.resize(62);
    for (auto [name, expected] : records) {
        expected[54] = 1, expected[55] = 2;
        EXPECT_BYTES_EQ(expected, ReadFileBytes(dir_ / name)) << name;
    }
}

}  // namespace
}  // namespace halvex::test
