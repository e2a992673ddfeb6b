// The network settings page as a view of its model: each control shows its field and hands
// edits, clicks and focus changes on, and "Upload" drives the upload flow with real message
// boxes. The rules themselves are tested at the model.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "engine/ModuleState.h"
#include "qt/CDeviceSettingsPage.h"
#include "qt/CIpAddressCtrl.h"
#include "support/ByteDiff.h"
#include "support/ModalAnswerer.h"
#include "support/ModelFixture.h"

namespace halvex::test {
namespace {

class DeviceSettingsPageTest : public ::testing::Test {
protected:
    void TearDown() override {
        page.reset();
        EndTestCall();
    }
    // A dialog call on a new KNX record's header with these flag bytes.
    void Start(uint8_t flagsA, uint8_t flagsB, uint8_t language = 0) {
        StartDialogCall(Header(flagsA, flagsB), {}, {}, language, sceneList);
    }
    uint8_t* Record() { return Module().WorkingRecord; }
    CDeviceSettingsPage& Open() {
        page = std::make_unique<CDeviceSettingsPage>();
        page->InitPage();
        return *page;
    }
    template <typename T = QWidget>
    T* Control(const char* id) {
        T* w = page->findChild<T*>(QLatin1String(id));
        EXPECT_NE(w, nullptr) << "no control " << id;
        return w;
    }
    void Type(const char* id, const QString& text) {
        Control<QLineEdit>(id)->setText(text);
        QFocusEvent event(QEvent::FocusOut);
        QApplication::sendEvent(Control(id), &event);
    }

    std::unique_ptr<CDeviceSettingsPage> page;
    std::vector<uint8_t> sceneList;
};

using Octets = std::array<uint8_t, 4>;

// A control's value as text: an edit's text, a button's check state, an address dotted.
QString Value(QWidget* w) {
    if (auto* edit = qobject_cast<QLineEdit*>(w))
        return edit->text();
    if (auto* button = qobject_cast<QAbstractButton*>(w))
        return button->isChecked() ? "1" : "0";
    const Octets a = static_cast<CIpAddressCtrl*>(w)->Address();
    return QStringLiteral("%1.%2.%3.%4").arg(a[0]).arg(a[1]).arg(a[2]).arg(a[3]);
}

void SetValue(QWidget* w, const QString& value) {
    if (auto* edit = qobject_cast<QLineEdit*>(w))
        return edit->setText(value);
    if (auto* button = qobject_cast<QAbstractButton*>(w))
        return button->setChecked(value == "1");
    const QStringList p = value.split('.');
    static_cast<CIpAddressCtrl*>(w)->SetAddress({uint8_t(p[0].toInt()), uint8_t(p[1].toInt()),
                                                 uint8_t(p[2].toInt()), uint8_t(p[3].toInt())});
}

TEST_F(DeviceSettingsPageTest, EachControlShowsItsFieldAndHandsItsValueBack) {
    Start(0x02 | 0x04 | 0x10, 0x20 | 0x02 | 0x01);  // WLAN, master/slave, Out 2; Pause, DHCP
    std::memcpy(Record() + 32, "Ger\xE4t", 6);
    auto& w = Module().WlanSettings;
    w[0] = 1;
    std::memcpy(&w[1], "HomeNet", 8);
    std::memcpy(&w[34], "key-one", 8);
    Open();
    const struct {
        const char* id;
        const char* loaded;
        const char* entered;
        int maxLength = 0;  // edits only
    } rows[] = {
        {"7004", "1", "0"},
        {"7005", "192.168.1.223", "10.0.0.100"},
        {"7006", "255.255.255.0", "255.0.0.0"},
        {"7007", "192.168.1.1", "10.0.0.1"},
        {"7008", "224.0.23.12", "239.1.2.3"},
        {"7035", "15.15.255", "1.1.25"},
        {"7037", "0", "7"},
        {"7041", "Ger\xC3\xA4t", "Hall", 20},
        {"7045", "0", "1"},  // Stop: Pause off
        {"7053", "0", "1"},
        {"7054", "0", "1"},
        {"7074", "0", "1"},
        {"7076", "1", "0"},
        {"7081", "0", "1"},  // WPA2
        {"7086", "HomeNet", "Other", 32},
        {"7083", "key-one", "k1", 63},
        {"7084", "", "k2", 13},
        {"7088", "", "k3", 13},
        {"7089", "", "k4", 13},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(Value(Control(row.id)), QString::fromUtf8(row.loaded)) << row.id;
        SetValue(Control(row.id), QString::fromUtf8(row.entered));
        if (row.maxLength != 0) {
            EXPECT_EQ(Control<QLineEdit>(row.id)->maxLength(), row.maxLength) << row.id;
        }
    }
    EXPECT_EQ(Control<QLineEdit>("7083")->echoMode(), QLineEdit::Password);
    page->CommitToRecord();
    EXPECT_EQ(
        DescribeFields(page->Settings().Fields()),
        "10.0.0.100 255.0.0.0 10.0.0.1 239.1.2.3 1.1.25 7 [Hall] 001110 enc 2 [Other] [k1] [k2] "
        "[k3] [k4]");
}

// Every control with an ID is shown, enabled and labelled as the model says.
void ExpectModelAnswers(CDeviceSettingsPage& page) {
    const NetworkSettings& model = page.Settings();
    for (QWidget* w : page.findChildren<QWidget*>()) {
        bool numeric = false;
        const int id = w->objectName().toInt(&numeric);
        if (!numeric)
            continue;
        EXPECT_EQ(w->isHidden(), !model.Shown(id)) << id;
        EXPECT_EQ(w->isEnabled(), model.Enabled(id)) << id;
        if (const auto text = model.TextOf(id)) {
            auto* label = qobject_cast<QLabel*>(w);
            const QString shown =
                label != nullptr ? label->text() : qobject_cast<QAbstractButton*>(w)->text();
            EXPECT_EQ(shown.toStdString(), UiText(*text, Module().UiLanguage)) << id;
        }
    }
}

TEST_F(DeviceSettingsPageTest, ControlsFollowTheModelsAnswersAfterEachAction) {
    Start(0x00, 0x10, 1);  // EnOcean
    ExpectModelAnswers(Open());
    EXPECT_TRUE(Control("7035")->isHidden());
    Record()[14] = 0x02;  // WLAN, WEP
    Record()[15] = 0x00;
    Module().WlanSettings[0] = 1;
    page->InitPage();
    ExpectModelAnswers(*page);
    Control<QRadioButton>("7081")->click();
    EXPECT_TRUE(Control("7084")->isHidden()) << "the click reached the model";
    ExpectModelAnswers(*page);
    Control<QCheckBox>("7004")->click();
    EXPECT_FALSE(Control("7005")->isEnabled());
    ExpectModelAnswers(*page);
}

TEST_F(DeviceSettingsPageTest, ClicksFocusHidingClosingAndDestructionReachTheRecord) {
    Start(0x02 | 0x04, 0x20);
    page = std::make_unique<CDeviceSettingsPage>();
    page.reset();
    EXPECT_EQ(Record()[16], 192) << "a page that never read the record must not blank it";
    Open();
    Control<QCheckBox>("7074")->click();
    EXPECT_EQ(Record()[14], 0x02 | 0x04 | 0x08) << "a slave output is written at once";
    Type("7035", "2.3.4");
    EXPECT_EQ(Record()[10] | Record()[11] << 8, 0x2304);
    Type("7086", "Net");
    EXPECT_EQ(Module().WlanSettings[1], 'N');

    page->show();
    Control<CIpAddressCtrl>("7005")->SetAddress({10, 0, 0, 100});
    page->hide();
    EXPECT_BYTES_EQ((std::vector<uint8_t>{10, 0, 0, 100}), ConstBytes(Record() + 16, 4));

    Control<QLineEdit>("7041")->setText("Hall");
    page->close();
    EXPECT_BYTES_EQ((std::vector<uint8_t>{'H', 'a', 'l', 'l', 0}), ConstBytes(Record() + 32, 5));

    Control<CIpAddressCtrl>("7008")->SetAddress({239, 1, 2, 3});
    page.reset();
    EXPECT_BYTES_EQ((std::vector<uint8_t>{239, 1, 2, 3}), ConstBytes(Record() + 28, 4));
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

// Acknowledges everything and notes what the page showed at each send.
class FakeTransport : public UploadTransport {
public:
    FakeTransport(CDeviceSettingsPage& page, QStringList& seen) : page_(page), seen_(seen) {}
    bool Open(const std::string& address) override { return address == "10.0.0.100"; }
    void Send(ConstBytes) override {
        seen_ << page_.findChild<QLabel*>(QStringLiteral("uploadProgress"))->text() +
                     (page_.findChild<QWidget*>(QStringLiteral("7040"))->isEnabled() ? " +" : " -");
    }
    bool WaitAck(std::chrono::milliseconds) override { return true; }
    void Close() override {}

private:
    CDeviceSettingsPage& page_;
    QStringList& seen_;
};

// The list shows the model's lines in its order and its selection chooses the gateway; "Upload"
// shows the flow's boxes, its progress with the inputs locked, and searches again. The bytes
// sent are the model's and the walkthrough's (scripts/walkthrough.sh).
TEST_F(DeviceSettingsPageTest, GatewayListAndUploadThroughThePage) {
    Start(0x00, 0x20);
    Open();
    QStringList seen;
    int searches = 0;
    page->SendSearch = [&] { ++searches; };
    page->MakeUploadTransport = [&] { return std::make_unique<FakeTransport>(*page, seen); };
    for (const char* line : {"10.0.0.7 gw", "10.0.0.100 other", "1.2.3.4 a"})
        page->AddGatewayLine(line);
    QListWidget* list = Control<QListWidget>("7039");
    EXPECT_EQ(list, page->GatewayList());
    ASSERT_EQ(list->count(), 3);
    EXPECT_EQ(list->item(0)->text(), "1.2.3.4 a") << "in the model's order";
    list->setCurrentRow(2);
    EXPECT_EQ(Module().GatewayAddress, "10.0.0.7");
    list->clearSelection();
    EXPECT_EQ(Module().GatewayAddress, "");
    list->setCurrentRow(1);
    Control<QPushButton>("7040")->click();
    EXPECT_EQ(searches, 1);
    EXPECT_EQ(list->count(), 0);
    EXPECT_EQ(Module().GatewayAddress, "10.0.0.100") << "emptying the list keeps the gateway";

    page->AddGatewayLine("10.0.0.100 gw    Version: 2.1");
    list->item(0)->setSelected(true);
    ModalAnswerer answerer;
    answerer.Then(ModalAnswerer::Press("OK")).Then(ModalAnswerer::Press("OK"));
    Control<CIpAddressCtrl>("7005")->SetAddress({10, 0, 0, 101});
    Control<QAbstractButton>("7044")->click();  // Pause
    Control<QPushButton>("7038")->click();
    ASSERT_EQ(answerer.Seen().size(), 2u);
    EXPECT_EQ(answerer.Seen()[0].title + ": " + answerer.Seen()[0].text,
              "Attention: Really change IP-address of selected Gateway ?");
    EXPECT_EQ(answerer.Seen()[1].title + ": " + answerer.Seen()[1].text,
              "Information: Upload done");
    EXPECT_EQ(seen, (QStringList{"Preparing the gateway (packet 1 of 3) -",
                                 "Sending block 1 of 1 (packet 2 of 3) -",
                                 "Starting the gateway (packet 3 of 3) -"}));
    EXPECT_TRUE(Control("7040")->isEnabled());
    EXPECT_TRUE(Control<QLabel>("uploadProgress")->text().isEmpty());
    // The page's address and Pause reached the record before it was sent.
    EXPECT_BYTES_EQ((std::vector<uint8_t>{10, 0, 0, 101}), ConstBytes(Record() + 16, 4));
    EXPECT_EQ(Record()[15], 0x20 | 0x02);
    // Searched again: Upload usable, nothing selected, the gateway still chosen.
    EXPECT_EQ(searches, 2);
    EXPECT_TRUE(Control("7038")->isEnabled());
    EXPECT_TRUE(list->selectedItems().isEmpty());
    EXPECT_EQ(Module().GatewayAddress, "10.0.0.100");
}

}  // namespace
}  // namespace halvex::test
