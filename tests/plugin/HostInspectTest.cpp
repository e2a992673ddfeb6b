// inspect prints the record description for people and programs, damaged records included.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <nlohmann/json.hpp>

#include <algorithm>

#include "plugin/HostRunner.h"

namespace halvex::test {
namespace {

TEST(HostInspectTest, TextAndJsonDescribeTheRecordFile) {
    TempDir dir;
    std::vector<uint8_t> record(62, 0);
    record[0] = 62;
    record[14] = 0x02;  // WLAN gateway
    record[15] = 0x20;
    record[16] = 192, record[17] = 168, record[18] = 1, record[19] = 223;
    WriteFileBytes(dir / "a.rec", record);

    HostRun run = RunHost({"inspect", (dir / "a.rec").string()});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("192.168.1.223"), std::string::npos) << run.out;

    run = RunHost({"inspect", (dir / "a.rec").string(), "--json"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const auto json = nlohmann::json::parse(run.out);
    EXPECT_EQ(json["damaged"], false);
    EXPECT_EQ(json["header"]["flagsA"]["wlan"], true);
}

TEST(HostInspectTest, DamagedRecordIsDescribedAndMissingFileRefused) {
    TempDir dir;
    WriteFileBytes(dir / "bad.rec", {0xFF, 0xFF, 1, 2, 3});
    HostRun run = RunHost({"inspect", (dir / "bad.rec").string(), "--json"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(nlohmann::json::parse(run.out)["damaged"], true);

    run = RunHost({"inspect", (dir / "absent.rec").string()});
    EXPECT_EQ(run.exitCode, 3);
    EXPECT_NE(run.err.find("absent.rec: no such record file"), std::string::npos) << run.err;
}

TEST(HostInspectTest, RecordTextsCannotForgeLinesOrReachTheTerminal) {
    TempDir dir;
    std::vector<uint8_t> record(62, 0);
    record[0] = 62;
    record[15] = 0x20;
    const std::string name = "x\nGateway: 6.6\x1B[2J";  // the gateway name, bytes 32-52
    std::copy(name.begin(), name.end(), record.begin() + 32);
    WriteFileBytes(dir / "a.rec", record);
    const HostRun run = RunHost({"inspect", (dir / "a.rec").string()});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("name \"x\\nGateway: 6.6\\x1B[2J\""), std::string::npos) << run.out;
    EXPECT_EQ(run.out.find("\nGateway: 6.6"), std::string::npos) << "a forged line";
    EXPECT_EQ(run.out.find('\x1B'), std::string::npos);
}

// Checked before anything is read: nothing blocks on a FIFO, nothing tries to hold 4 GiB.
TEST(HostInspectTest, FilesThatAreNoRecordsAreRefusedUnread) {
    TempDir dir;
    std::filesystem::create_directory(dir / "folder");
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
    WriteFileBytes(dir / "huge", {});
    std::filesystem::resize_file(dir / "huge", uintmax_t{4} << 30);  // sparse
    WriteFileText(dir / "show.json", "{}");
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"folder", "folder: not a regular file"},
        {"fifo", "fifo: not a regular file"},
        {"huge", "huge: 4294967296 bytes, more than any record file can hold (67108864 bytes)"},
    };
    HostRunOptions quick;
    quick.limit = std::chrono::seconds(20);
    for (const auto& [name, message] : cases) {
        const std::string path = (dir / name).string();
        for (const auto& args : {std::vector<std::string>{"inspect", path},
                                 std::vector<std::string>{"configure", path, "--accept", "--show",
                                                          (dir / "show.json").string()}}) {
            const HostRun run = RunHost(args, quick);
            EXPECT_EQ(run.exitCode, 3) << args[0] << " " << name << "\n" << run.err;
            EXPECT_NE(run.err.find(message), std::string::npos) << args[0] << "\n" << run.err;
        }
    }
}

}  // namespace
}  // namespace halvex::test
