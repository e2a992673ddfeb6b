// The Win32 front-end through its real windows: halvex.dll loaded as a host loads it, each
// __OpenKNXDialog call driven by the host's dialog driver from a second thread, whose scripts
// read the controls and drag with the mouse as a user does.
#include <gtest/gtest.h>

#include "win32/Win32Driver.h"

namespace halvex::test {
namespace {

// RunCall that fails the test when the driver failed.
uint8_t* Call(const std::vector<uint8_t>* record, uint8_t language,
              const std::function<void(host::DialogDriver&)>& setup) {
    std::string failure;
    uint8_t* slot = RunCall(record, language, setup, failure);
    EXPECT_EQ(failure, "");
    return slot;
}

std::vector<uint8_t> KnxRecord(uint8_t flagsA = 0x01) {
    KnxRecordPlan plan;
    plan.flagsA = flagsA;
    plan.scenes = 2;
    plan.deviceTypes = {10};
    plan.deviceCount = 1;
    plan.deviceTable = MakeDeviceTable({{"Spot", 40}});
    plan.mains = {{1, 0, "1 Light"}};
    plan.middles = {{8, 0, "0 Ground"}};
    plan.groups = {{0x0801, 0x08010020, "1/0/1 Ceiling"}};
    return BuildKnxRecord(plan);
}

// A new record asks for the bus type in the call's language; "EnOcean" chosen, the main dialog
// is the EnOcean one and OK hands over its record.
TEST(Win32Dialogs, BusTypeDialogChoosesTheNewRecordsBus) {
    uint8_t* record = Call(nullptr, 1, [](host::DialogDriver& driver) {
        driver.SetBusChoice(ids::kBusEnOcean);
        driver.SetBusTypeScript([](host::DialogDriver& d) {
            const auto bus = static_cast<HWND>(d.Window());
            EXPECT_EQ(Text(bus), "Auswahl");
            EXPECT_EQ(Text(GetDlgItem(bus, ids::kBusTypeBox)), "Bustyp");
            EXPECT_EQ(IsDlgButtonChecked(bus, ids::kBusKnx), BST_CHECKED);
        });
        driver.SetMainScript([](host::DialogDriver& d) {
            EXPECT_NE(Text(MainWindow(d)).find("EnOcean"), std::string::npos);
            EXPECT_FALSE(IsWindowVisible(GetDlgItem(MainWindow(d), ids::kImportEsf)));
            d.Press(ids::kOk);
        });
    });
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record[15] & 0x10, 0x10);
    EXPECT_EQ(record[14] & 0x02, 0);
    std::free(record);
}

// Every tab of every layout shows its own page, in both languages: each tab as "label: the
// first item of its page's tree" (the network page's: its Search button).
TEST(Win32Dialogs, EveryTabShowsItsPage) {
    const std::tuple<std::vector<uint8_t>, uint8_t, std::string> cases[] = {
        {KnxRecord(), 0,
         "Scene Out 1: Morning | Scene Out 2: Morning | Dimmer Out 1: 1bit DMX Ch. 1 | Dimmer Out "
         "2: 1bit DMX Ch. 1 | Device 1: Spot | Device 2: Spot | Lan/KNX: Search | "},
        {KnxRecord(), 1,
         "Szene Out 1: Morning | Szene Out 2: Morning | Dimmer Out 1: 1bit DMX Ch. 1 | Dimmer Out "
         "2: 1bit DMX Ch. 1 | Device 1: Spot | Device 2: Spot | Lan/KNX: Suchen | "},
        {BuildEnOceanRecord({}, {}), 1,
         "Szene Out 1: Morning | Szene Out 2: Morning | Dimmer Out 1: DMX Ch. 1 | Dimmer Out 2: "
         "DMX Ch. 1 | Lan/EnOcean: Suchen | "},
        {Header(0x02, 0x10), 0, "WLAN: Search | "},  // network only
    };
    for (const auto& [record, language, expected] : cases) {
        SCOPED_TRACE(expected);
        std::free(Call(&record, language, [&](host::DialogDriver& driver) {
            driver.SetMainScript([&](host::DialogDriver& d) {
                const std::vector<std::string> labels = d.TabTexts();
                std::string shown;
                // From the last tab to the first, so that every click changes the page.
                for (auto i = static_cast<int>(labels.size()); i-- > 0;) {
                    d.SelectTab(i);
                    HWND page = ShownPage(MainWindow(d));
                    HWND tree = GetDlgItem(page, ids::kTree);
                    shown = labels[static_cast<size_t>(i)] + ": " +
                            (tree != nullptr ? ItemText(tree, Next(tree, nullptr, TVGN_ROOT))
                                             : Text(GetDlgItem(page, ids::kSearch))) +
                            " | " + shown;
                }
                EXPECT_EQ(shown, expected);
                d.Press(ids::kCancel);
            });
        }));
    }
}

// The network page shows each control for the layouts whose settings it edits.
TEST(Win32Dialogs, NetworkPageShowsTheControlsOfTheLayout) {
    struct Row {
        int id;
        bool knx, wlan, enOcean;
    };
    const Row rows[] = {
        {ids::kIpAddress, true, true, true},   {ids::kMulticast, true, true, false},
        {ids::kKnxAddress, true, true, false}, {ids::kSystemId, true, true, false},
        {ids::kRepeater, false, false, true},  {ids::kRepeaterLevel2, false, false, true},
        {ids::kSlaveBox, false, false, false}, {ids::kWlanBox, false, true, false},
        {ids::kUnsecured, false, true, false}, {ids::kSsid, false, true, false},
        {ids::kKey1, false, false, false},     {ids::kWps, false, false, false},
        {ids::kGatewayList, true, true, true}, {ids::kUpload, true, true, true},
    };
    const std::vector<uint8_t> records[] = {KnxRecord(), KnxRecord(0x03),
                                            BuildEnOceanRecord({}, {})};
    for (int layout = 0; layout < 3; ++layout) {
        std::free(Call(&records[layout], 0, [&](host::DialogDriver& driver) {
            driver.SetMainScript([&](host::DialogDriver& d) {
                ASSERT_TRUE(d.ShowNetworkPage());
                HWND page = ShownPage(MainWindow(d));
                for (const Row& row : rows) {
                    const bool shown = layout == 0 ? row.knx : layout == 1 ? row.wlan : row.enOcean;
                    EXPECT_EQ(IsWindowVisible(GetDlgItem(page, row.id)) != FALSE, shown)
                        << "layout " << layout << ", control " << row.id;
                }
                // The DHCP box takes effect at once: the address fields follow it.
                SendMessageW(GetDlgItem(page, ids::kDhcp), BM_CLICK, 0, 0);
                EXPECT_FALSE(IsWindowEnabled(GetDlgItem(page, ids::kIpAddress)));
                EXPECT_TRUE(IsWindowEnabled(GetDlgItem(page, ids::kMulticast)));
                d.Press(ids::kCancel);
            });
        }));
    }
}

// A group address dragged with the mouse onto a scene is assigned there; Delete removes the
// assignment again.
TEST(Win32Dialogs, MouseDragAssignsAndDeleteRemoves) {
    const std::vector<uint8_t> record = KnxRecord();
    std::free(Call(&record, 0, [](host::DialogDriver& driver) {
        driver.SetMainScript([](host::DialogDriver& d) {
            HWND catalogue = GetDlgItem(MainWindow(d), ids::kTree);
            HTREEITEM item = Next(catalogue, nullptr, TVGN_ROOT);
            for (int level = 0; level < 3; ++level) {
                SendMessageW(catalogue, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(item));
                item = Next(catalogue, item, TVGN_CHILD);
            }
            EXPECT_EQ(ItemText(catalogue, item), "1/0/1 Ceiling");
            HWND scenes = GetDlgItem(ShownPage(MainWindow(d)), ids::kTree);
            HTREEITEM morning = Next(scenes, nullptr, TVGN_ROOT);
            Mouse(catalogue, item, 0);
            Mouse(catalogue, item, MOUSEEVENTF_LEFTDOWN);
            for (int dx = 4; dx <= 20; dx += 4)
                Mouse(catalogue, item, 0, dx);
            Mouse(scenes, morning, 0);
            Mouse(scenes, morning, MOUSEEVENTF_LEFTUP);
            EXPECT_EQ(Children(scenes, morning), std::vector<std::string>{"1/0/1 Ceiling"});

            SendMessageW(scenes, TVM_SELECTITEM, TVGN_CARET,
                         reinterpret_cast<LPARAM>(Next(scenes, morning, TVGN_CHILD)));
            SendMessageW(scenes, WM_KEYDOWN, VK_DELETE, 0);
            EXPECT_TRUE(Children(scenes, morning).empty());
            d.Press(ids::kCancel);
        });
    }));
}

// "Import ESF" opens the file dialog; the chosen file replaces the catalogue and names the
// project above the tree.
TEST(Win32Dialogs, ImportEsfReadsTheChosenFile) {
    const std::vector<uint8_t> record = KnxRecord();
    std::free(Call(&record, 0, [](host::DialogDriver& driver) {
        driver.SetMainScript([](host::DialogDriver& d) {
            EXPECT_EQ(d.ImportFile(std::filesystem::absolute(
                          HALVEX_SOURCE_DIR "/resources/samples/demo-building.esf")),
                      true);
            HWND main = MainWindow(d);
            EXPECT_EQ(Text(GetDlgItem(main, ids::kProjectName)),
                      "B\xC3\xBCrogeb\xC3\xA4ude M\xC3\xBCllerstra\xC3\x9F"
                      "e 12");
            HWND catalogue = GetDlgItem(main, ids::kTree);
            const std::vector<std::string> mains =
                Children(catalogue, Next(catalogue, nullptr, TVGN_ROOT));
            EXPECT_EQ(mains.size(), 7u);
            EXPECT_EQ(mains.empty() ? "" : mains.front(), "0 Zentral");
            d.Press(ids::kCancel);
        });
    }));
}

}  // namespace
}  // namespace halvex::test
