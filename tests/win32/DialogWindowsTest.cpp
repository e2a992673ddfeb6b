// The Win32 front-end through its real windows: halvex.dll loaded as a host loads it, each
// __OpenKNXDialog call driven from a second thread that finds the dialogs, reads and presses
// their controls, and drags with the mouse as a user does.
#include <gtest/gtest.h>

#include "win32/Win32Driver.h"

namespace halvex::test {
namespace {

// RunCall that fails the test when the library did not load or a dialog did not come.
uint8_t* Call(const std::vector<uint8_t>* record, uint8_t language,
              const std::function<void(Driver&)>& script) {
    EXPECT_NE(Open(), nullptr) << HALVEX_LIBRARY;
    std::string failure;
    uint8_t* slot = halvex::test::RunCall(record, language, script, failure);
    EXPECT_EQ(failure, "");
    return slot;
}

std::vector<uint8_t> KnxRecord(uint8_t flagsA = 0x01, uint8_t flagsB = 0x20) {
    KnxRecordPlan plan;
    plan.flagsA = flagsA;
    plan.flagsB = flagsB;
    plan.scenes = 2;
    plan.deviceTypes = {10};
    plan.deviceCount = 1;
    plan.deviceTable = MakeDeviceTable({{"Spot", 40}});
    plan.mains = {{1, 0, "1 Light"}};
    plan.middles = {{8, 0, "0 Ground"}};
    plan.groups = {{0x0801, 0x08010020, "1/0/1 Ceiling"}};
    return BuildKnxRecord(plan);
}

// A record of the network-only layout: the header alone.
std::vector<uint8_t> NetworkOnlyRecord() {
    std::vector<uint8_t> header(62, 0);
    header[0] = 62;
    header[14] = 0x02;
    header[15] = 0x10;
    return header;
}

// A new record asks for the bus type in the call's language: cancelled, the host's variable
// stays empty; "EnOcean" chosen, the main dialog is the EnOcean one and OK hands over its record.
TEST(Win32Dialogs, BusTypeDialogChoosesTheNewRecordsBus) {
    EXPECT_EQ(Call(nullptr, 1,
                   [](Driver& d) {
                       HWND bus = d.Dialog(L"Auswahl");
                       EXPECT_EQ(Driver::Text(GetDlgItem(bus, ids::kBusTypeBox)), "Bustyp");
                       EXPECT_EQ(IsDlgButtonChecked(bus, ids::kBusKnx), BST_CHECKED);
                       Driver::Press(bus, ids::kBusCancel);
                   }),
              nullptr);
    uint8_t* record = Call(nullptr, 0, [](Driver& d) {
        HWND bus = d.Dialog(L"Selection");
        Driver::Click(bus, ids::kBusEnOcean);
        Driver::Press(bus, ids::kBusOk);
        HWND main = d.Main(L"EnOcean");
        EXPECT_FALSE(IsWindowVisible(GetDlgItem(main, ids::kImportEsf)));
        Driver::Click(main, ids::kOk);  // sent, as automation sends it: the dialog still ends
    });
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record[15] & 0x10, 0x10);
    EXPECT_EQ(record[14] & 0x02, 0);
    std::free(record);
}

// Every tab of every layout shows its own page, in both languages: each tab as "label: the
// first item of its page's tree" (the network page's: its Search button).
TEST(Win32Dialogs, EveryTabShowsItsPage) {
    const std::tuple<std::vector<uint8_t>, uint8_t, const wchar_t*, std::string> cases[] = {
        {KnxRecord(), 0, L"KNX",
         "Scene Out 1: Morning | Scene Out 2: Morning | Dimmer Out 1: 1bit DMX Ch. 1 | Dimmer Out "
         "2: 1bit DMX Ch. 1 | Device 1: Spot | Device 2: Spot | Lan/KNX: Search | "},
        {KnxRecord(), 1, L"KNX",
         "Szene Out 1: Morning | Szene Out 2: Morning | Dimmer Out 1: 1bit DMX Ch. 1 | Dimmer Out "
         "2: 1bit DMX Ch. 1 | Device 1: Spot | Device 2: Spot | Lan/KNX: Suchen | "},
        {BuildEnOceanRecord({}, {}), 1, L"EnOcean",
         "Szene Out 1: Morning | Szene Out 2: Morning | Dimmer Out 1: DMX Ch. 1 | Dimmer Out 2: "
         "DMX Ch. 1 | Lan/EnOcean: Suchen | "},
        {NetworkOnlyRecord(), 0, L"KNX", "WLAN: Search | "},
    };
    for (const auto& [record, language, caption, expected] : cases) {
        SCOPED_TRACE(expected);
        std::free(Call(&record, language, [&](Driver& d) {
            HWND main = d.Main(caption);
            HWND tabs = GetDlgItem(main, ids::kPageTabs);
            std::string shown;
            // From the last tab to the first, so that every click changes the page.
            for (auto i = static_cast<int>(SendMessageW(tabs, TCM_GETITEMCOUNT, 0, 0)); i-- > 0;) {
                Driver::ClickTab(tabs, i);
                HWND page = Driver::ShownPage(main);
                HWND tree = GetDlgItem(page, ids::kTree);
                wchar_t label[64] = {};
                TCITEMW item{TCIF_TEXT, 0, 0, label, 64, 0, 0};
                SendMessageW(tabs, TCM_GETITEMW, static_cast<WPARAM>(i),
                             reinterpret_cast<LPARAM>(&item));
                shown = Driver::Narrow(label) + ": " +
                        (tree != nullptr
                             ? Driver::ItemText(tree, Driver::Next(tree, nullptr, TVGN_ROOT))
                             : Driver::Text(GetDlgItem(page, ids::kSearch))) +
                        " | " + shown;
            }
            EXPECT_EQ(shown, expected);
            Driver::Press(main, ids::kCancel);
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
        std::free(Call(&records[layout], 0, [&](Driver& d) {
            HWND main = d.Main(layout == 2 ? L"EnOcean" : layout == 1 ? L"WLAN" : L"KNX");
            HWND tabs = GetDlgItem(main, ids::kPageTabs);
            Driver::ClickTab(tabs,
                             static_cast<int>(SendMessageW(tabs, TCM_GETITEMCOUNT, 0, 0)) - 1);
            HWND page = Driver::ShownPage(main);
            for (const Row& row : rows) {
                const bool shown = layout == 0 ? row.knx : layout == 1 ? row.wlan : row.enOcean;
                EXPECT_EQ(IsWindowVisible(GetDlgItem(page, row.id)) != FALSE, shown)
                    << "layout " << layout << ", control " << row.id;
            }
            // The DHCP box takes effect at once: the address fields follow it.
            Driver::Click(page, ids::kDhcp);
            EXPECT_FALSE(IsWindowEnabled(GetDlgItem(page, ids::kIpAddress)));
            EXPECT_TRUE(IsWindowEnabled(GetDlgItem(page, ids::kMulticast)));
            Driver::Press(main, ids::kCancel);
        }));
    }
}

// A group address dragged with the mouse onto a scene is assigned there; Delete removes the
// assignment again.
TEST(Win32Dialogs, MouseDragAssignsAndDeleteRemoves) {
    const std::vector<uint8_t> record = KnxRecord();
    std::free(Call(&record, 0, [](Driver& d) {
        HWND main = d.Main(L"KNX");
        HWND catalogue = GetDlgItem(main, ids::kTree);
        HTREEITEM item = Driver::Next(catalogue, nullptr, TVGN_ROOT);
        for (int level = 0; level < 3; ++level) {
            SendMessageW(catalogue, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(item));
            item = Driver::Next(catalogue, item, TVGN_CHILD);
        }
        ASSERT_EQ(Driver::ItemText(catalogue, item), "1/0/1 Ceiling");
        HWND scenes = GetDlgItem(Driver::ShownPage(main), ids::kTree);
        HTREEITEM morning = Driver::Next(scenes, nullptr, TVGN_ROOT);
        Driver::Mouse(catalogue, item, 0);
        Driver::Mouse(catalogue, item, MOUSEEVENTF_LEFTDOWN);
        for (int dx = 4; dx <= 20; dx += 4)
            Driver::Mouse(catalogue, item, 0, dx);
        Driver::Mouse(scenes, morning, 0);
        Driver::Mouse(scenes, morning, MOUSEEVENTF_LEFTUP);
        EXPECT_EQ(Driver::Children(scenes, morning), std::vector<std::string>{"1/0/1 Ceiling"});

        SendMessageW(scenes, TVM_SELECTITEM, TVGN_CARET,
                     reinterpret_cast<LPARAM>(Driver::Next(scenes, morning, TVGN_CHILD)));
        SendMessageW(scenes, WM_KEYDOWN, VK_DELETE, 0);
        EXPECT_TRUE(Driver::Children(scenes, morning).empty());
        Driver::Press(main, ids::kCancel);
    }));
}

// "Import ESF" opens the file dialog; the chosen file replaces the catalogue and names the
// project above the tree.
TEST(Win32Dialogs, ImportEsfReadsTheChosenFile) {
    const std::wstring file = WinePath(HALVEX_SOURCE_DIR "/resources/samples/demo-building.esf");
    const std::vector<uint8_t> record = KnxRecord();
    std::free(Call(&record, 0, [&](Driver& d) {
        HWND main = d.Main(L"KNX");
        Driver::Press(main, ids::kImportEsf);
        HWND open = d.Dialog(L"Open");
        // The file name field: a combo box (cmb13) in newer dialogs, an edit (edt1) in older.
        HWND name =
            GetDlgItem(open, cmb13) != nullptr ? GetDlgItem(open, cmb13) : GetDlgItem(open, edt1);
        SendMessageW(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(file.c_str()));
        Driver::Press(open, IDOK);
        for (int i = 0; i < 100 && Driver::Text(GetDlgItem(main, ids::kProjectName)).empty(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        EXPECT_EQ(Driver::Text(GetDlgItem(main, ids::kProjectName)),
                  "B\xC3\xBCrogeb\xC3\xA4ude M\xC3\xBCllerstra\xC3\x9F"
                  "e 12");
        HWND catalogue = GetDlgItem(main, ids::kTree);
        const std::vector<std::string> mains =
            Driver::Children(catalogue, Driver::Next(catalogue, nullptr, TVGN_ROOT));
        EXPECT_EQ(mains.size(), 7u);
        EXPECT_EQ(mains.empty() ? "" : mains.front(), "0 Zentral");
        Driver::Press(main, ids::kCancel);
    }));
}

}  // namespace
}  // namespace halvex::test
