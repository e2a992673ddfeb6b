// inspect prints the record description for people and programs, damaged records included.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

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

}  // namespace
}  // namespace halvex::test
