// The network settings page: what it shows per bus type, what it reads from the record and
// what it writes back.
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>

#include "support/ByteDiff.h"
#include "ui/DeviceSettingsPageFixture.h"

namespace halvex::test {
namespace {

using Octets = std::array<uint8_t, 4>;

const std::initializer_list<const char*> kWlanControls = {
    "7090", "7079", "7080", "7081", "7082", "7085", "7086", "7087", "7083", "7084", "7088", "7089"};

TEST_F(DeviceSettingsPageTest, KnxRecordShowsKnxFieldsOnly) {
    Open();
    EXPECT_EQ(Mismatched({"7053", "7054", "7075", "7074", "7076"}, true), "");
    EXPECT_EQ(Mismatched(kWlanControls, true), "");
    EXPECT_EQ(Mismatched({"7004", "7005", "7006", "7007", "7008", "7049", "7050", "7035", "7037",
                          "7077", "7041", "7044", "7045", "7039", "7040", "7038"},
                         false),
              "");
    EXPECT_EQ(Control<QLabel>("7050")->text(), "KNX phys. Address");
}

TEST_F(DeviceSettingsPageTest, MasterSlaveRecordShowsStoredSlaveOutputs) {
    Record()[14] = 0x04 | 0x10;  // master/slave, Out 2 on
    Open();
    EXPECT_EQ(Mismatched({"7075", "7074", "7076"}, false), "");
    EXPECT_FALSE(Control<QCheckBox>("7074")->isChecked());
    EXPECT_TRUE(Control<QCheckBox>("7076")->isChecked());

    // A slave output click reaches the record at once.
    Control<QCheckBox>("7074")->click();
    EXPECT_EQ(Record()[14], 0x04 | 0x08 | 0x10);
    Control<QCheckBox>("7076")->click();
    EXPECT_EQ(Record()[14], 0x04 | 0x08);
}

TEST_F(DeviceSettingsPageTest, EnOceanRecordShowsRepeaterOnly) {
    Record()[15] = 0x10;
    Open();
    EXPECT_EQ(
        Mismatched({"7008", "7049", "7050", "7035", "7075", "7074", "7076", "7037", "7077"}, true),
        "");
    EXPECT_EQ(Mismatched(kWlanControls, true), "");
    EXPECT_EQ(Mismatched({"7053", "7054", "7005", "7041", "7044"}, false), "");

    auto* repeater = Control<QCheckBox>("7053");
    auto* level2 = Control<QCheckBox>("7054");
    EXPECT_FALSE(level2->isEnabled());
    repeater->click();
    EXPECT_TRUE(level2->isEnabled());
    repeater->click();
    EXPECT_FALSE(level2->isEnabled());
}

TEST_F(DeviceSettingsPageTest, EnOceanRepeaterStatesComeFromTheRecordAndGoBack) {
    Record()[15] = 0x10 | 0x04 | 0x08;
    Open();
    EXPECT_TRUE(Control<QCheckBox>("7053")->isChecked());
    EXPECT_TRUE(Control<QCheckBox>("7054")->isChecked());
    EXPECT_TRUE(Control<QCheckBox>("7054")->isEnabled());
    Control<QCheckBox>("7054")->click();
    page->CommitToRecord();
    EXPECT_EQ(Record()[15], 0x10 | 0x04);
}

TEST_F(DeviceSettingsPageTest, InitialisingAgainAppliesTheNewBusType) {
    Record()[15] = 0x10;
    Open();
    EXPECT_TRUE(Hidden("7035"));
    Record()[15] = 0x20;
    page->InitPage();
    EXPECT_FALSE(Hidden("7035"));
    EXPECT_TRUE(Hidden("7053"));
    EXPECT_TRUE(Hidden("7082"));
}

TEST_F(DeviceSettingsPageTest, NetworkOnlyRecordHidesNothing) {
    Record()[14] = 0x02;
    Record()[15] = 0x10;
    Open();
    EXPECT_EQ(
        Mismatched({"7053", "7054", "7075", "7074", "7076", "7008", "7035", "7037", "7090", "7079",
                    "7080", "7081", "7085", "7086", "7087", "7083", "7084", "7088", "7089"},
                   false),
        "");
    EXPECT_TRUE(Hidden("7082")) << "WPS is never offered";
}

class WlanPageTest : public DeviceSettingsPageTest {
protected:
    void SetUp() override {
        DeviceSettingsPageTest::SetUp();
        Record()[14] = 0x02;
        Record()[53] = 0xFE;
        auto& w = Module().WlanSettings;
        std::memcpy(&w[1], "HomeNet", 8);
        std::memcpy(&w[34], "key-one", 8);
        std::memcpy(&w[48], "key-two", 8);
        std::memcpy(&w[62], "key-three", 10);
        std::memcpy(&w[76], "key-four", 9);
        std::memcpy(&w[90], "a long pass phrase", 19);
    }
    void Encryption(uint8_t value) { Module().WlanSettings[0] = value; }
    QString Text(const char* id) { return Control<QLineEdit>(id)->text(); }
};

TEST_F(WlanPageTest, KnxFieldsStayAndRepeaterGoes) {
    Open();
    EXPECT_EQ(Mismatched({"7053", "7054", "7075", "7074", "7076", "7082"}, true), "");
    EXPECT_EQ(Mismatched({"7035", "7037", "7008", "7090", "7079", "7080", "7081"}, false), "");
    EXPECT_EQ(Text("7086"), "HomeNet");
}

TEST_F(WlanPageTest, UnsecuredHidesKeys) {
    Encryption(0);
    Open();
    EXPECT_TRUE(Control<QRadioButton>("7079")->isChecked());
    EXPECT_EQ(Mismatched({"7087", "7083", "7084", "7088", "7089"}, true), "");
    EXPECT_EQ(Mismatched({"7085", "7086"}, false), "");
}

TEST_F(WlanPageTest, WepShowsFourKeys) {
    Encryption(1);
    Open();
    EXPECT_TRUE(Control<QRadioButton>("7080")->isChecked());
    EXPECT_EQ(Mismatched({"7087", "7083", "7084", "7088", "7089", "7085", "7086"}, false), "");
    EXPECT_EQ(Text("7083"), "key-one");
    EXPECT_EQ(Text("7084"), "key-two");
    EXPECT_EQ(Text("7088"), "key-three");
    EXPECT_EQ(Text("7089"), "key-four");
    EXPECT_EQ(Control<QLineEdit>("7083")->echoMode(), QLineEdit::Password);
}

TEST_F(WlanPageTest, Wpa2ShowsThePassPhraseInTheFirstKeyField) {
    Encryption(2);
    Open();
    EXPECT_TRUE(Control<QRadioButton>("7081")->isChecked());
    EXPECT_EQ(Text("7083"), "a long pass phrase");
    EXPECT_EQ(Mismatched({"7084", "7088", "7089"}, true), "");
    EXPECT_EQ(Mismatched({"7083", "7087", "7085", "7086"}, false), "");
}

TEST_F(WlanPageTest, StoredWpsHidesSsidAndKeysWithNoVisibleChoice) {
    Encryption(3);
    Open();
    EXPECT_EQ(Mismatched({"7083", "7084", "7088", "7089", "7085", "7086", "7087", "7082"}, true),
              "");
    for (const char* id : {"7079", "7080", "7081"}) {
        EXPECT_FALSE(Control<QRadioButton>(id)->isChecked()) << id;
    }
    page->CommitToRecord();
    EXPECT_EQ(Module().WlanSettings[0], 3) << "a stored WPS choice is kept";
}

TEST_F(WlanPageTest, UnknownEncryptionOpensUnsecuredAndIsStoredAsZero) {
    Encryption(7);
    Open();
    EXPECT_TRUE(Control<QRadioButton>("7079")->isChecked());
    EXPECT_TRUE(Hidden("7083"));
    page->CommitToRecord();
    EXPECT_EQ(Module().WlanSettings[0], 0);
}

TEST_F(WlanPageTest, SwitchingEncryptionShowsTheMatchingKeyFields) {
    Encryption(1);
    Open();
    Control<QRadioButton>("7081")->click();
    EXPECT_EQ(Module().WlanSettings[0], 2);
    EXPECT_EQ(Mismatched({"7084", "7088", "7089"}, true), "");
    EXPECT_EQ(Mismatched({"7083", "7087", "7085", "7086"}, false), "");
    EXPECT_FALSE(Control<QRadioButton>("7080")->isChecked());

    Control<QRadioButton>("7079")->click();
    EXPECT_EQ(Module().WlanSettings[0], 0);
    EXPECT_EQ(Mismatched({"7083", "7084", "7088", "7089", "7087"}, true), "");
    EXPECT_EQ(Mismatched({"7085", "7086"}, false), "");

    Control<QRadioButton>("7080")->click();
    EXPECT_EQ(Module().WlanSettings[0], 1);
    EXPECT_EQ(Mismatched({"7083", "7084", "7088", "7089", "7087", "7085", "7086"}, false), "");
    EXPECT_FALSE(Control<QRadioButton>("7079")->isChecked());
}

TEST_F(WlanPageTest, KeyFieldOneFollowsTheEncryption) {
    Encryption(1);
    Open();
    // In WEP mode the field goes to WEP key 1, cut so that its terminator stays.
    Type("7083", "ABCDEFGHIJKLMNOPQRST");
    const auto& w = Module().WlanSettings;
    EXPECT_BYTES_EQ(
        (std::vector<uint8_t>{'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H', 'I', 'J', 'K', 'L', 'M', 0}),
        ConstBytes(&w[34], 14));
    EXPECT_EQ(w[48], 'k') << "WEP key 2 untouched";
    EXPECT_EQ(w[90], 'a') << "pass phrase untouched";

    Control<QRadioButton>("7081")->click();
    Type("7083", "pw\xC3\xA4");  // "pwä"
    EXPECT_BYTES_EQ((std::vector<uint8_t>{'p', 'w', 0xE4, 0, 0, 0}), ConstBytes(&w[90], 6));
}

TEST_F(WlanPageTest, OtherKeysAndSsidAreWrittenOnLosingFocus) {
    Encryption(1);
    Open();
    Type("7084", "2");
    Type("7088", "3");
    Type("7089", "4");
    Type("7086", "Caf\xC3\xA9");  // "Café"
    const auto& w = Module().WlanSettings;
    EXPECT_BYTES_EQ((std::vector<uint8_t>{'2', 0, 0}), ConstBytes(&w[48], 3));
    EXPECT_BYTES_EQ((std::vector<uint8_t>{'3', 0, 0}), ConstBytes(&w[62], 3));
    EXPECT_BYTES_EQ((std::vector<uint8_t>{'4', 0, 0}), ConstBytes(&w[76], 3));
    EXPECT_BYTES_EQ((std::vector<uint8_t>{'C', 'a', 'f', 0xE9, 0, 0, 0, 0}), ConstBytes(&w[1], 8));
}

TEST_F(WlanPageTest, CommitWritesEncryptionKeysAndSsid) {
    Encryption(0);
    Open();
    Control<QRadioButton>("7081")->click();
    Control<QLineEdit>("7083")->setText("secret");
    Control<QLineEdit>("7086")->setText("Other");
    page->CommitToRecord();
    const auto& w = Module().WlanSettings;
    EXPECT_EQ(w[0], 2);
    EXPECT_BYTES_EQ((std::vector<uint8_t>{'s', 'e', 'c', 'r', 'e', 't', 0}), ConstBytes(&w[90], 7));
    EXPECT_BYTES_EQ((std::vector<uint8_t>{'O', 't', 'h', 'e', 'r', 0, 0, 0}), ConstBytes(&w[1], 8));
}

TEST_F(DeviceSettingsPageTest, InitialValuesComeFromTheHeader) {
    Record()[10] = 0x19;  // 1.1.25
    Record()[11] = 0x11;
    Record()[12] = 0x39;  // system ID 12345
    Record()[13] = 0x30;
    Record()[15] = 0x20 | 0x02;  // Pause
    std::memcpy(Record() + 32, "Ger\xE4t 7", 8);
    Open();
    EXPECT_EQ(Control<CIpAddressCtrl>("7005")->Address(), (Octets{192, 168, 1, 223}));
    EXPECT_EQ(Control<CIpAddressCtrl>("7006")->Address(), (Octets{255, 255, 255, 0}));
    EXPECT_EQ(Control<CIpAddressCtrl>("7007")->Address(), (Octets{192, 168, 1, 1}));
    EXPECT_EQ(Control<CIpAddressCtrl>("7008")->Address(), (Octets{224, 0, 23, 12}));
    EXPECT_EQ(Control<QLineEdit>("7035")->text(), "1.1.25");
    EXPECT_EQ(Control<QLineEdit>("7037")->text(), "12345");
    EXPECT_FALSE(Control<QLineEdit>("7037")->isEnabled());
    EXPECT_EQ(Control<QLineEdit>("7041")->text(), QString::fromUtf8("Ger\xC3\xA4t 7"));
    EXPECT_TRUE(Control<QRadioButton>("7044")->isChecked());
    EXPECT_FALSE(Control<QRadioButton>("7045")->isChecked());
    EXPECT_FALSE(Control<QCheckBox>("7004")->isChecked());
}

TEST_F(DeviceSettingsPageTest, UnterminatedDeviceNameIsReadWithinItsField) {
    std::memset(Record() + 32, 'x', 30);  // runs into bytes 53-61
    Open();
    EXPECT_EQ(Control<QLineEdit>("7041")->text(), QString(20, QLatin1Char('x')));
}

TEST_F(DeviceSettingsPageTest, TextsFollowTheLanguage) {
    Module().UiLanguage = 1;
    Open();
    EXPECT_EQ(Control<QLabel>("7070")->text(), QString::fromUtf8("Ger\xC3\xA4tename"));
    EXPECT_EQ(Control<QPushButton>("7038")->text(), "Hochladen");
    EXPECT_EQ(Control<QPushButton>("7040")->text(), "Suchen");
    EXPECT_EQ(Control<QLabel>("7071")->text(), "Verhalten Szene");
    EXPECT_EQ(Control<QLabel>("7069")->text(), "IP-Adresse");
    EXPECT_EQ(Control<QRadioButton>("7079")->text(),
              QString::fromUtf8("nicht verschl\xC3\xBCsselt"));
    EXPECT_EQ(Control<QLabel>("7050")->text(), "KNX phys. Adresse");
    EXPECT_EQ(Control<QLabel>("7077")->text(), "Corvane System-ID:");
}

TEST_F(DeviceSettingsPageTest, DhcpDisablesTheAddressFieldsAndTakesEffectOnClick) {
    Record()[15] |= 0x01;
    Open();
    EXPECT_TRUE(Control<QCheckBox>("7004")->isChecked());
    for (const char* id : {"7005", "7006", "7007"})
        EXPECT_FALSE(Control(id)->isEnabled()) << id;
    EXPECT_TRUE(Control("7008")->isEnabled());

    Control<QCheckBox>("7004")->click();
    for (const char* id : {"7005", "7006", "7007", "7008"}) {
        EXPECT_TRUE(Control(id)->isEnabled()) << id;
    }
    page->CommitToRecord();
    EXPECT_EQ(Record()[15], 0x20);
}

struct PhysicalAddressCase {
    const char* text;
    uint16_t stored;
};

void PrintTo(const PhysicalAddressCase& c, std::ostream* os) {
    *os << '"' << c.text << '"';
}

class PhysicalAddressTest : public DeviceSettingsPageTest,
                            public ::testing::WithParamInterface<PhysicalAddressCase> {};

TEST_P(PhysicalAddressTest, LosingFocusStoresTheParsedAddress) {
    Record()[10] = 0x34;  // 1.2.52 before the edit
    Record()[11] = 0x12;
    Open();
    Type("7035", QString::fromLatin1(GetParam().text));
    EXPECT_EQ(Record()[10] | Record()[11] << 8, GetParam().stored) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    Texts, PhysicalAddressTest,
    ::testing::Values(PhysicalAddressCase{"1.1.25", 0x1119},
                      PhysicalAddressCase{"15.15.255", 0xFFFF},
                      PhysicalAddressCase{"17.3.300", 0x132C},  // each part masked
                      PhysicalAddressCase{"1.1", 0x1234},       // one dot: unchanged
                      PhysicalAddressCase{"", 0x1234}, PhysicalAddressCase{"1-1-1", 0x1234},
                      PhysicalAddressCase{"a.b.c", 0x0000},  // not numbers count as 0
                      PhysicalAddressCase{"2.x.7", 0x2007},
                      PhysicalAddressCase{"3.4.5.6", 0x3406},  // line and device around the dots
                      PhysicalAddressCase{" 4.5.6", 0x4506}, PhysicalAddressCase{"-1.0.0", 0xF000},
                      PhysicalAddressCase{"99999999999.1.1", 0xF101}),  // wraps, no overflow
    [](const ::testing::TestParamInfo<PhysicalAddressCase>& param) {
        return "Case" + std::to_string(param.index);
    });

TEST_F(DeviceSettingsPageTest, SystemIdAndDeviceNameAreStoredOnLosingFocus) {
    std::memset(Record() + 32, 0xAA, 21);
    Record()[53] = 0x77;
    Open();
    Type("7037", "70000");
    EXPECT_EQ(Record()[12] | Record()[13] << 8, 70000 % 65536);
    Type("7041", QString::fromUtf8("\xC3\x84rger \xE2\x82\xAC"));  // "Ärger €"
    EXPECT_BYTES_EQ((std::vector<uint8_t>{0xC4, 'r', 'g', 'e', 'r', ' ', 0x80, 0, 0, 0, 0,
                                          0,    0,   0,   0,   0,   0,   0,    0, 0, 0, 0x77}),
                    ConstBytes(Record() + 32, 22));
    Type("7041", QString(25, QLatin1Char('n')));  // the edit keeps 20 characters
    EXPECT_EQ(Record()[51], 'n');
    EXPECT_EQ(Record()[52], 0);
    EXPECT_EQ(Record()[53], 0x77);
}

TEST_F(DeviceSettingsPageTest, HidingCommitsAddressesAndFlags) {
    Record()[14] = 0x04 | 0x20 | 0x01;
    Record()[15] = 0x20 | 0x40 | 0x08;  // a stale repeater bit on a KNX record
    Open();
    page->show();
    Control<CIpAddressCtrl>("7005")->SetAddress({10, 0, 0, 100});
    Control<CIpAddressCtrl>("7006")->SetAddress({255, 0, 0, 0});
    Control<CIpAddressCtrl>("7007")->SetAddress({10, 0, 0, 1});
    Control<CIpAddressCtrl>("7008")->SetAddress({239, 1, 2, 3});
    Control<QCheckBox>("7004")->click();
    Control<QRadioButton>("7044")->click();
    Control<QCheckBox>("7074")->setChecked(true);
    page->hide();
    EXPECT_BYTES_EQ((std::vector<uint8_t>{0x04 | 0x20 | 0x01 | 0x08,
                                          0x20 | 0x40 | 0x08 | 0x01 | 0x02,  // high nibble kept
                                          10, 0, 0, 100, 255, 0, 0, 0, 10, 0, 0, 1, 239, 1, 2, 3}),
                    ConstBytes(Record() + 14, 18));

    // Shown again, the page still holds what was entered; choosing Stop clears Pause.
    page->show();
    EXPECT_EQ(Control<CIpAddressCtrl>("7005")->Address(), (Octets{10, 0, 0, 100}));
    Control<QRadioButton>("7045")->click();
    EXPECT_FALSE(Control<QRadioButton>("7044")->isChecked());
    page->hide();
    EXPECT_EQ(Record()[15], 0x20 | 0x40 | 0x08 | 0x01);
}

TEST_F(DeviceSettingsPageTest, DestructionCommitsButAnUninitialisedPageWritesNothing) {
    page = std::make_unique<CDeviceSettingsPage>();
    page.reset();
    EXPECT_EQ(Record()[16], 192) << "a page that never read the record must not blank it";

    Open();
    Control<CIpAddressCtrl>("7005")->SetAddress({172, 16, 0, 9});
    page.reset();
    EXPECT_BYTES_EQ((std::vector<uint8_t>{172, 16, 0, 9}), ConstBytes(Record() + 16, 4));
}

TEST_F(DeviceSettingsPageTest, ClosingStoresEveryEditField) {
    Open();
    Control<QLineEdit>("7035")->setText("2.3.4");
    Control<QLineEdit>("7041")->setText("Hall");
    page->close();
    EXPECT_EQ(Record()[10] | Record()[11] << 8, 0x2304);
    EXPECT_BYTES_EQ((std::vector<uint8_t>{'H', 'a', 'l', 'l', 0}), ConstBytes(Record() + 32, 5));
}

TEST_F(DeviceSettingsPageTest, MissingOrShortRecordIsNeitherReadNorWrittenOutOfBounds) {
    std::free(Module().WorkingRecord);
    Module().WorkingRecord = static_cast<uint8_t*>(std::malloc(20));
    std::memset(Module().WorkingRecord, 0, 20);
    Module().WorkingRecord[15] = 0x20;
    Module().WorkingRecordCapacity = 20;
    Open();
    EXPECT_EQ(Control<CIpAddressCtrl>("7005")->Address(), (Octets{0, 0, 0, 0}));
    Type("7041", "name");
    Type("7035", "1.1.1");
    page->CommitToRecord();  // under ASan any write past byte 19 fails here

    page.reset();
    std::free(Module().WorkingRecord);
    Module().WorkingRecord = nullptr;
    Module().WorkingRecordCapacity = 0;
    Open();
    page->CommitToRecord();
}

TEST_F(DeviceSettingsPageTest, GatewayListIsSortedWithoutDuplicates) {
    Open();
    page->AddGatewayLine("192.168.1.30 Beta");
    page->AddGatewayLine("192.168.1.20 alpha");
    page->AddGatewayLine("192.168.1.20 ALPHA");  // differs only in case
    page->AddGatewayLine("192.168.1.20 alpha");
    page->AddGatewayLine("192.168.1.25 Gamma    Version: 2.0");
    QListWidget* list = page->GatewayList();
    EXPECT_EQ(list, Control<QListWidget>("7039"));
    ASSERT_EQ(list->count(), 3);
    EXPECT_EQ(list->item(0)->text(), "192.168.1.20 alpha");
    EXPECT_EQ(list->item(1)->text(), "192.168.1.25 Gamma    Version: 2.0");
    EXPECT_EQ(list->item(2)->text(), "192.168.1.30 Beta");
}

TEST_F(DeviceSettingsPageTest, SelectingAGatewayChoosesItsAddressAndSearchKeepsIt) {
    Open();
    int searches = 0;
    page->SendSearch = [&] { ++searches; };
    page->AddGatewayLine("10.0.0.7 gw");
    page->AddGatewayLine("10.0.0.100 other");
    page->GatewayList()->setCurrentRow(1);
    EXPECT_EQ(Module().GatewayAddress, "10.0.0.7");
    page->GatewayList()->clearSelection();
    EXPECT_EQ(Module().GatewayAddress, "");
    page->GatewayList()->setCurrentRow(0);
    EXPECT_EQ(Module().GatewayAddress, "10.0.0.100");

    Control<QPushButton>("7040")->click();
    EXPECT_EQ(searches, 1);
    EXPECT_EQ(page->GatewayList()->count(), 0);
    EXPECT_EQ(Module().GatewayAddress, "10.0.0.100");
}

TEST(IpAddressCtrlTest, OctetsReadBackClampedAndBlankAsZero) {
    CIpAddressCtrl ctrl;
    ctrl.SetAddress({1, 2, 3, 4});
    EXPECT_EQ(ctrl.Address(), (Octets{1, 2, 3, 4}));
    ctrl.Field(1)->setText("");
    ctrl.Field(2)->setText("300");
    EXPECT_EQ(ctrl.Address(), (Octets{1, 0, 255, 4}));
    EXPECT_EQ(ctrl.Field(4), nullptr);
}

}  // namespace
}  // namespace halvex::test
