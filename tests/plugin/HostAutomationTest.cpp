// The dialog automation of configure, search and upload, run in process against the stand-in
// plug-in, which has the real dialog's objectNames and writes behind the record header what
// it went through.
#include <gtest/gtest.h>

#include "plugin/HostRunner.h"

namespace halvex::test {
namespace {

constexpr int kAutomation = 5, kGateway = 6;
const std::string kTwo = "198.18.0.2 GW-A    Version:2.1;198.18.0.3 GW-B    Version:2.0";

class HostAutomationTest : public ::testing::Test {
protected:
    void SetUp() override {
        WriteFileText(dir_ / "show.json",
                      R"({"scenes": ["Morning", "Evening", "Off"],
                          "devices": [{"name": "Dimmer A", "kind": 0},
                                      {"name": "RGB strip", "kind": 20}]})");
    }
    std::string Report() const { return ReadFileText(record_).substr(62); }
    HostRun Run(std::vector<std::string> args, const std::string& mode = {},
                const std::string& gateways = {}) {
        args.insert(args.begin(), {"--library", FakePlugin()});
        args.insert(args.end(), {"--show", dir_ / "show.json"});
        return RunHost(args, {"HALVEX_FAKE_MODE=" + mode, "HALVEX_FAKE_GATEWAYS=" + gateways});
    }
    TempDir dir_;
    const std::string record_ = dir_ / "scene.rec";
};

TEST_F(HostAutomationTest, ConfigureAnswersTheBusTypeAndHandsTheShowOver) {
    // Each bus name checks its radio button; without --bus the preselection (the first) stays.
    const std::string shown = "scenes=3 devices=2 scene0=Morning device0=Dimmer A kind0=0";
    const std::vector<std::string> buses = {"knx",  "knx-master-slave",  "enocean",
                                            "wlan", "wlan-master-slave", ""};
    for (size_t i = 0; i < buses.size(); ++i) {
        std::filesystem::remove(record_);
        std::vector<std::string> args = {"configure", record_, "--accept", "--lang",
                                         "de",        "--bus", buses[i]};
        const HostRun run = Run({args.begin(), args.end() - (buses[i].empty() ? 2 : 0)});
        ASSERT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(Report(), "bus=" + std::to_string(i % 5) + " lang=1 " + shown);
        EXPECT_EQ(run.out, record_ + ": record written (" + std::to_string(62 + Report().size()) +
                               " bytes)\n");
    }
    // An existing record is handed over (no bus-type question) and replaced.
    const size_t first = ReadFileText(record_).size();
    const HostRun run = Run({"configure", record_, "--accept", "--bus", "enocean"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.err,
              "halvex-host: note: --bus only applies to a new record; " + record_ + " exists\n");
    EXPECT_EQ(Report(), "bus=-1 lang=0 " + shown + " old=" + std::to_string(first));
}

// Each failure leaves the record file as it was.
TEST_F(HostAutomationTest, FailuresEndTheRunWithoutWritingTheRecord) {
    ASSERT_EQ(Run({"configure", record_, "--accept"}).exitCode, 0);
    const std::string before = ReadFileText(record_);
    const std::vector<std::string> configure = {"configure", record_, "--accept", "--timeout", "1"};
    const std::vector<std::string> upload = {"upload", record_, "--seconds", "1"};
    const std::vector<std::string> uploadTo = {"upload", record_, "--seconds",
                                               "1",      "--to",  "198.18.0.9"};
    const std::vector<
        std::tuple<std::vector<std::string>, std::string, std::string, int, std::string>>
        rows = {
            {configure, "no-ok", "", kAutomation,
             "the main dialog has no OK button (control 7052)"},
            {configure, "deaf-ok", "", kAutomation,
             "timed out after 1 s waiting for the dialog to close after OK"},
            {configure, "mystery", "", kAutomation,
             "unexpected dialog \"Something else\" (objectName \"Mystery\")"},
            {upload, "", kTwo, kGateway, "2 gateways answered; choose one with --to ADDRESS"},
            {uploadTo, "", kTwo, kGateway, "no gateway with the address 198.18.0.9 answered"},
            {upload, "", "", kGateway, "no gateway answered the search"},
        };
    for (const auto& [args, mode, gateways, code, message] : rows) {
        const HostRun run = Run(args, mode, gateways);
        EXPECT_EQ(run.exitCode, code) << message << run.err;
        EXPECT_NE(run.err.find(message), std::string::npos) << run.err;
        EXPECT_EQ(ReadFileText(record_), before) << message;
    }
    // Only the executable shows this: a plug-in that never returns ends the process.
    const HostRun run = RunExecutable({"--library", FakePlugin(), "configure", record_, "--accept",
                                       "--timeout", "1", "--show", dir_ / "show.json"},
                                      "HALVEX_FAKE_MODE=hang");
    EXPECT_EQ(run.exitCode, kAutomation) << run.err;
    EXPECT_NE(run.err.find("the plug-in did not return after the time-out"), std::string::npos);
    EXPECT_EQ(ReadFileText(record_), before);
}

TEST_F(HostAutomationTest, SearchAndUploadPickTheGatewayAndAnswerTheAddressQuestion) {
    EXPECT_EQ(Run({"search", "--seconds", "0"}).out, "no gateway answered\n");
    ASSERT_EQ(Run({"configure", record_, "--accept"}).exitCode, 0);
    // Declined address change: no upload, but the record is written back as OK does.
    HostRun run = Run({"upload", record_, "--seconds", "1", "--to", "198.18.0.3"}, {}, kTwo);
    EXPECT_EQ(run.exitCode, kGateway);
    EXPECT_EQ(run.err, "halvex-host: the upload was not done\n");
    EXPECT_EQ(Report().find("uploaded="), std::string::npos) << Report();
    EXPECT_NE(Report().find("page-shown"), std::string::npos) << "search ran on the shown page";
    // A single gateway needs no --to; choosing one of two is the walkthrough's.
    const std::string line = kTwo.substr(0, 30);
    run = Run({"upload", record_, "--seconds", "1", "--change-address"}, {}, line);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "gateway: " + line + "\nuploading to " + line +
                           "\nmessage \"Attention\": Really change IP-address of selected "
                           "Gateway ?\nmessage \"Information\": Upload done\nprogress: Block 1 of "
                           "1\n" +
                           record_ + ": record written (" +
                           std::to_string(ReadFileText(record_).size()) + " bytes)\nUpload done\n");
    EXPECT_NE(Report().find("uploaded=198.18.0.2"), std::string::npos);
}

}  // namespace
}  // namespace halvex::test
