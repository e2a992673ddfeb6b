// The dialog automation of configure, search and upload, driven against the stand-in plug-in,
// which has the real dialog's objectNames and reports in its record what it went through.
#include <gtest/gtest.h>

#include "plugin/HostRunner.h"

namespace halvex::test {
namespace {

constexpr int kAutomation = 5, kGateway = 6;

class HostAutomationTest : public ::testing::Test {
protected:
    void SetUp() override {
        WriteFileText(dir_ / "show.json",
                      R"({"scenes": ["Morning", "Evening", "Off"],
                          "devices": [{"name": "Dimmer A", "kind": 0},
                                      {"name": "RGB strip", "kind": 20}]})");
    }
    std::string Record() const { return (dir_ / "scene.rec").string(); }
    // The text the stand-in wrote behind the record header.
    std::string Report() const {
        const std::string record = ReadFileText(dir_ / "scene.rec");
        return record.size() > 62 ? record.substr(62) : std::string();
    }
    HostRun Run(std::vector<std::string> args, const std::string& mode = {},
                const std::string& gateways = {}) {
        args.insert(args.begin(), {"--library", FakePlugin()});
        args.insert(args.end(), {"--show", (dir_ / "show.json").string()});
        HostRunOptions options;
        options.env = {{"HALVEX_FAKE_MODE", mode}, {"HALVEX_FAKE_GATEWAYS", gateways}};
        options.unset = {"QT_QPA_PLATFORM"};  // the host chooses offscreen itself
        return RunHost(args, options);
    }

    TempDir dir_;
};

TEST_F(HostAutomationTest, NewRecordAnswersBusTypeImportsEsfAndPressesOk) {
    WriteFileText(dir_ / "groups.esf", "x");
    const HostRun run = Run({"configure", Record(), "--accept", "--bus", "wlan", "--lang", "de",
                             "--import-esf", (dir_ / "groups.esf").string()});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(Report(),
              "bus=3 lang=1 scenes=3 devices=2 scene0=Morning device0=Dimmer A kind0=0 "
              "esf=" +
                  (dir_ / "groups.esf").string());
    EXPECT_NE(run.out.find("message \"Information\": Imported groups.esf"), std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("scene.rec: record written (" + std::to_string(62 + Report().size()) +
                           " bytes)"),
              std::string::npos)
        << run.out;
}

TEST_F(HostAutomationTest, EachBusNameChecksItsRadioButton) {
    const std::vector<std::string> names = {"knx", "knx-master-slave", "enocean", "wlan",
                                            "wlan-master-slave"};
    for (size_t i = 0; i < names.size(); ++i) {
        std::filesystem::remove(Record());
        const HostRun run = Run({"configure", Record(), "--accept", "--bus", names[i]});
        ASSERT_EQ(run.exitCode, 0) << names[i] << run.err;
        EXPECT_EQ(Report().substr(0, 6), "bus=" + std::to_string(i) + " ") << names[i];
    }
    std::filesystem::remove(Record());
    ASSERT_EQ(Run({"configure", Record(), "--accept"}).exitCode, 0);
    EXPECT_EQ(Report().substr(0, 6), "bus=0 ") << "without --bus the preselection stays";
}

TEST_F(HostAutomationTest, ExistingRecordIsHandedOverAndReplaced) {
    ASSERT_EQ(Run({"configure", Record(), "--accept"}).exitCode, 0);
    const size_t first = ReadFileText(dir_ / "scene.rec").size();
    const HostRun run = Run({"configure", Record(), "--accept", "--bus", "enocean"}, "greet");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.err.find("--bus only applies to a new record"), std::string::npos) << run.err;
    EXPECT_NE(run.out.find("message \"Attention\": Listening socket could not be opened"),
              std::string::npos)
        << run.out;
    EXPECT_NE(Report().find("bus=-1 "), std::string::npos) << "no bus-type question";
    EXPECT_NE(Report().find(" old=" + std::to_string(first)), std::string::npos) << Report();
}

TEST_F(HostAutomationTest, StuckOrUnexpectedDialogsEndWithoutTouchingTheRecord) {
    ASSERT_EQ(Run({"configure", Record(), "--accept"}).exitCode, 0);
    const std::string before = ReadFileText(dir_ / "scene.rec");
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"no-ok", "the main dialog has no OK button (objectName 7052)"},
        {"deaf-ok", "timed out after 1 s waiting for the dialog to close after OK"},
        {"mystery", "unexpected dialog \"Something else\" (objectName \"Mystery\")"},
    };
    for (const auto& [mode, message] : cases) {
        const HostRun run = Run({"configure", Record(), "--accept", "--timeout", "1"}, mode);
        EXPECT_EQ(run.exitCode, kAutomation) << mode << run.err;
        EXPECT_NE(run.err.find(message), std::string::npos) << mode << run.err;
        EXPECT_EQ(ReadFileText(dir_ / "scene.rec"), before) << mode;
    }
}

TEST_F(HostAutomationTest, PlugInThatNeverReturnsIsAbandoned) {
    ASSERT_EQ(Run({"configure", Record(), "--accept"}).exitCode, 0);
    const std::string before = ReadFileText(dir_ / "scene.rec");
    const HostRun run = Run({"configure", Record(), "--accept", "--timeout", "1"}, "hang");
    EXPECT_EQ(run.exitCode, kAutomation) << run.err;
    EXPECT_NE(run.err.find("the plug-in did not return after the time-out"), std::string::npos)
        << run.err;
    EXPECT_EQ(ReadFileText(dir_ / "scene.rec"), before);
}

TEST_F(HostAutomationTest, SearchListsTheGatewaysThatAnswer) {
    HostRun run = Run({"search", "--seconds", "1"}, {},
                      "198.18.0.2 GW-A    Version:2.1;198.18.0.3 GW-B    Version:2.0");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("gateway: 198.18.0.2 GW-A    Version:2.1\n"
                           "gateway: 198.18.0.3 GW-B    Version:2.0\n"),
              std::string::npos)
        << run.out;
    run = Run({"search", "--seconds", "0"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("no gateway answered"), std::string::npos) << run.out;
}

TEST_F(HostAutomationTest, UploadPicksTheGatewayAndAnswersTheAddressQuestion) {
    const std::string two = "198.18.0.2 GW-A    Version:2.1;198.18.0.3 GW-B    Version:2.0";
    ASSERT_EQ(Run({"configure", Record(), "--accept"}).exitCode, 0);
    const std::string before = ReadFileText(dir_ / "scene.rec");

    HostRun run = Run({"upload", Record(), "--seconds", "1"}, {}, two);
    EXPECT_EQ(run.exitCode, kGateway);
    EXPECT_NE(run.err.find("2 gateways answered; choose one with --to ADDRESS"), std::string::npos)
        << run.err;
    run = Run({"upload", Record(), "--seconds", "1", "--to", "198.18.0.9"}, {}, two);
    EXPECT_EQ(run.exitCode, kGateway);
    EXPECT_NE(run.err.find("no gateway with the address 198.18.0.9 answered"), std::string::npos)
        << run.err;
    EXPECT_EQ(ReadFileText(dir_ / "scene.rec"), before) << "nothing written without a gateway";

    // Declined address change: no upload, but the record is written back as OK does.
    run = Run({"upload", Record(), "--seconds", "1", "--to", "198.18.0.3"}, {}, two);
    EXPECT_EQ(run.exitCode, kGateway);
    EXPECT_NE(run.out.find("message \"Attention\": Really change IP-address of selected Gateway ?"),
              std::string::npos)
        << run.out;
    EXPECT_NE(run.err.find("the upload was not done"), std::string::npos) << run.err;
    EXPECT_EQ(Report().find("uploaded="), std::string::npos) << Report();
    EXPECT_NE(Report().find("page-shown"), std::string::npos) << "search ran on the shown page";

    run = Run({"upload", Record(), "--seconds", "1", "--to", "198.18.0.3", "--change-address"}, {},
              two);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("message \"Information\": Upload done"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("progress: Block 1 of 1"), std::string::npos) << run.out;
    EXPECT_NE(Report().find("uploaded=198.18.0.3"), std::string::npos) << Report();

    // A single gateway needs no --to.
    run = Run({"upload", Record(), "--seconds", "1", "--change-address"}, {},
              "198.18.0.2 GW-A    Version:2.1");
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(Report().find("uploaded=198.18.0.2"), std::string::npos) << Report();
}

}  // namespace
}  // namespace halvex::test
