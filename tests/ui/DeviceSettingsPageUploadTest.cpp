// Search and upload as the network settings page runs them, over a fake transport: which
// messages the user sees, what is sent, and the state the page is left in.
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

#include <string>
#include <vector>

#include "gateway/GatewayUpload.h"
#include "support/ByteDiff.h"
#include "support/ModalAnswerer.h"
#include "ui/DeviceSettingsPageFixture.h"

namespace halvex::test {
namespace {

// Records what the upload sends; acknowledges the first `acks` waits, none after them.
struct FakeLink {
    bool openSucceeds = true;
    int acks = 1000;
    std::vector<std::string> opened;
    std::vector<std::vector<uint8_t>> sent;
    int waits = 0;
    int closes = 0;
    bool reenter = false;  // ask for another upload from inside each send
    // Seen at each send: whether the page's inputs were usable and what the progress said.
    std::vector<bool> searchEnabledDuringSend;
    std::vector<QString> progressDuringSend;
};

class FakeTransport : public UploadTransport {
public:
    FakeTransport(FakeLink& link, CDeviceSettingsPage& page) : link_(link), page_(page) {}
    bool Open(const std::string& address) override {
        link_.opened.push_back(address);
        return link_.openSucceeds;
    }
    void Send(ConstBytes datagram) override {
        link_.sent.emplace_back(datagram.begin(), datagram.end());
        if (link_.reenter)
            QMetaObject::invokeMethod(&page_, "UploadToGateway");
        auto* search = page_.findChild<QPushButton*>(QStringLiteral("7040"));
        link_.searchEnabledDuringSend.push_back(search->isEnabled());
        link_.progressDuringSend.push_back(
            page_.findChild<QLabel*>(QStringLiteral("uploadProgress"))->text());
    }
    bool WaitAck(std::chrono::milliseconds) override { return link_.waits++ < link_.acks; }
    void Close() override { ++link_.closes; }

private:
    FakeLink& link_;
    CDeviceSettingsPage& page_;
};

std::string Text(const std::vector<uint8_t>& datagram) {
    return {datagram.begin(), datagram.end()};
}

class UploadTest : public DeviceSettingsPageTest {
protected:
    void SetUp() override {
        DeviceSettingsPageTest::SetUp();
        // A host scene list of 8 bytes: no scenes (byte 6), no trailing records (byte 7).
        sceneList = {1, 2, 3, 4, 5, 6, 0, 0};
        Module().SceneList = sceneList.data();
        Module().SceneListSize = static_cast<uint32_t>(sceneList.size());
        Open();
        page->SendSearch = [this] { ++searches; };
        page->MakeUploadTransport = [this] { return std::make_unique<FakeTransport>(link, *page); };
        page->RebuildRecord = [this] {
            ++rebuilds;
            return rebuildFits;
        };
    }

    void Select(const QString& line) {
        page->AddGatewayLine(line);
        auto items = page->GatewayList()->findItems(line, Qt::MatchExactly);
        ASSERT_EQ(items.size(), 1);
        items.front()->setSelected(true);
    }

    void PageAddress(std::array<uint8_t, 4> address) {
        Control<CIpAddressCtrl>("7005")->SetAddress(address);
    }

    void ClickUpload() { Control<QPushButton>("7038")->click(); }

    // The state every attempt past the firmware check ends in.
    void ExpectSearchedAgain() {
        EXPECT_EQ(searches, 1);
        EXPECT_TRUE(Control("7038")->isEnabled());
        EXPECT_TRUE(page->GatewayList()->selectedItems().isEmpty());
        EXPECT_EQ(Module().GatewayAddress, "10.0.0.100");
    }

    std::vector<uint8_t> sceneList;
    FakeLink link;
    int searches = 0;
    int rebuilds = 0;
    bool rebuildFits = true;
};

TEST_F(UploadTest, NothingSelectedDoesNothing) {
    ModalAnswerer answerer;
    page->AddGatewayLine("10.0.0.100 gw    Version: 2.1");
    ClickUpload();
    EXPECT_TRUE(answerer.Seen().empty());
    EXPECT_EQ(searches, 0);
    EXPECT_EQ(rebuilds, 0);
    EXPECT_TRUE(link.opened.empty());
    EXPECT_EQ(page->GatewayList()->count(), 1);
}

TEST_F(UploadTest, FirmwareOfAnotherGenerationIsRefused) {
    for (const char* line : {"10.0.0.100 gw    Version: 1.9", "10.0.0.100 gw",
                             "10.0.0.100 00:0a:1b:2c:3d:4e    Version: 12"}) {
        ModalAnswerer answerer;
        answerer.Then(ModalAnswerer::Press("OK"));
        Select(line);
        ClickUpload();
        ASSERT_EQ(answerer.Seen().size(), 1u) << line;
        EXPECT_EQ(answerer.Seen()[0].text, "invalid Firmware");
        EXPECT_EQ(answerer.Seen()[0].title, "Attention");
        EXPECT_TRUE(Control("7038")->isEnabled());
        page->GatewayList()->clear();
    }
    EXPECT_EQ(searches, 0);
    EXPECT_EQ(rebuilds, 0);
    EXPECT_TRUE(link.opened.empty());
}

TEST_F(UploadTest, FirmwareMessageIsGermanForGermanHosts) {
    Module().UiLanguage = 1;
    ModalAnswerer answerer;
    answerer.Then(ModalAnswerer::Press("OK"));
    Select("10.0.0.100 gw    Version: 1.0");
    ClickUpload();
    ASSERT_EQ(answerer.Seen().size(), 1u);
    EXPECT_EQ(answerer.Seen()[0].text, QString::fromUtf8("ung\xC3\xBClitge Firmware"));
    EXPECT_EQ(answerer.Seen()[0].title, "Achtung");
}

TEST_F(UploadTest, AddressEndingIn255IsRefusedButTheSettingsAreKept) {
    ModalAnswerer answerer;
    answerer.Then(ModalAnswerer::Press("OK"));
    PageAddress({192, 168, 1, 255});
    Select("10.0.0.100 gw    Version: 2.1");
    ClickUpload();
    ASSERT_EQ(answerer.Seen().size(), 1u);
    EXPECT_EQ(answerer.Seen()[0].text, "Invalid IP-Address");
    EXPECT_EQ(answerer.Seen()[0].title, "Attention");
    EXPECT_TRUE(link.opened.empty());
    EXPECT_EQ(rebuilds, 1) << "the record is rebuilt whatever was decided";
    EXPECT_BYTES_EQ((std::vector<uint8_t>{192, 168, 1, 255}), ConstBytes(Record() + 16, 4));
    ExpectSearchedAgain();
}

TEST_F(UploadTest, UnchangedAddressUploadsWithoutAskingAndCarriesThePageSettings) {
    ModalAnswerer answerer;
    answerer.Then(ModalAnswerer::Press("OK"));
    PageAddress({10, 0, 0, 100});
    Control<QAbstractButton>("7044")->click();  // Pause
    Select("10.0.0.100 gw    Version: 2.1");
    ClickUpload();

    ASSERT_EQ(answerer.Seen().size(), 1u);
    EXPECT_EQ(answerer.Seen()[0].text, "Upload done");
    EXPECT_EQ(answerer.Seen()[0].title, "Information");
    EXPECT_EQ(link.opened, (std::vector<std::string>{"10.0.0.100"}));
    ASSERT_EQ(link.sent.size(), 3u);
    EXPECT_EQ(Text(link.sent[0]), "DMX-PREPAR");
    EXPECT_EQ(Text(link.sent[2]), "DMX-START");

    // One block: the scene list, then the 62-byte record as the page left it.
    std::vector<uint8_t> expected = {'D', 'M', 'X', '-', 'U', 'P', 'L', 'O', 'A',
                                     'D', 0,   1,   1,   70,  0,   0,   0};
    expected.insert(expected.end(), sceneList.begin(), sceneList.end());
    std::vector<uint8_t> record(62, 0);
    record[0] = 62;
    record[10] = record[11] = 0xFF;
    record[15] = 0x20 | 0x02;
    const uint8_t addresses[16] = {10, 0, 0, 100, 255, 255, 255, 0, 192, 168, 1, 1, 224, 0, 23, 12};
    std::copy(std::begin(addresses), std::end(addresses), record.begin() + 16);
    expected.insert(expected.end(), record.begin(), record.end());
    EXPECT_BYTES_EQ(expected, link.sent[1]);
    ExpectSearchedAgain();
}

TEST_F(UploadTest, InputsAreLockedAndProgressShownWhileSending) {
    ModalAnswerer answerer;
    answerer.Then(ModalAnswerer::Press("OK"));
    PageAddress({10, 0, 0, 100});
    Select("10.0.0.100 gw    Version: 2.1");
    link.acks = 1;  // the prepare goes through, then block 1 is tried three times
    ClickUpload();

    ASSERT_EQ(link.sent.size(), 4u);
    for (bool enabled : link.searchEnabledDuringSend)
        EXPECT_FALSE(enabled);
    EXPECT_EQ(link.progressDuringSend[0], "Preparing the gateway (packet 1 of 3)");
    EXPECT_EQ(link.progressDuringSend[1], "Sending block 1 of 1 (packet 2 of 3)");
    EXPECT_EQ(link.progressDuringSend[3], "Sending block 1 of 1 (packet 2 of 3), retry 2");
    EXPECT_TRUE(Control("7040")->isEnabled());
    EXPECT_TRUE(Control<QLabel>("uploadProgress")->text().isEmpty());
}

TEST_F(UploadTest, UploadAskedForWhileOneRunsIsIgnored) {
    ModalAnswerer answerer;
    answerer.Then(ModalAnswerer::Press("OK"));
    PageAddress({10, 0, 0, 100});
    Select("10.0.0.100 gw    Version: 2.1");
    link.reenter = true;
    ClickUpload();
    EXPECT_EQ(link.opened.size(), 1u);
    EXPECT_EQ(link.sent.size(), 3u);
    EXPECT_EQ(answerer.Seen().size(), 1u);
}

TEST_F(UploadTest, UnacknowledgedPacketFailsTheUpload) {
    ModalAnswerer answerer;
    answerer.Then(ModalAnswerer::Press("OK"));
    PageAddress({10, 0, 0, 100});
    Select("10.0.0.100 gw    Version: 2.1");
    link.acks = 0;
    ClickUpload();
    ASSERT_EQ(answerer.Seen().size(), 1u);
    EXPECT_EQ(answerer.Seen()[0].text, "Upload failed");
    EXPECT_EQ(answerer.Seen()[0].title, "Information");
    ASSERT_EQ(link.sent.size(), 3u);
    for (const auto& datagram : link.sent)
        EXPECT_EQ(Text(datagram), "DMX-PREPAR");
    ExpectSearchedAgain();
}

TEST_F(UploadTest, ChangedAddressAsksAndCancelSearchesAgain) {
    ModalAnswerer answerer;
    answerer.Then(ModalAnswerer::Press("Cancel"));
    PageAddress({10, 0, 0, 101});
    Select("10.0.0.100 gw    Version: 2.1");
    ClickUpload();
    ASSERT_EQ(answerer.Seen().size(), 1u);
    EXPECT_EQ(answerer.Seen()[0].text, "Really change IP-address of selected Gateway ?");
    EXPECT_EQ(answerer.Seen()[0].title, "Attention");
    EXPECT_TRUE(link.opened.empty());
    EXPECT_EQ(rebuilds, 1);
    ExpectSearchedAgain();
}

TEST_F(UploadTest, ChangedAddressConfirmedUploadsToTheCurrentAddress) {
    ModalAnswerer answerer;
    answerer.Then(ModalAnswerer::Press("OK")).Then(ModalAnswerer::Press("OK"));
    PageAddress({10, 0, 0, 101});
    Select("10.0.0.100 gw    Version: 2.1");
    ClickUpload();
    ASSERT_EQ(answerer.Seen().size(), 2u);
    EXPECT_EQ(answerer.Seen()[1].text, "Upload done");
    EXPECT_EQ(link.opened, (std::vector<std::string>{"10.0.0.100"}));
    ExpectSearchedAgain();
}

TEST_F(UploadTest, LinkThatCannotOpenShowsNothing) {
    ModalAnswerer answerer;
    PageAddress({10, 0, 0, 100});
    Select("10.0.0.100 gw    Version: 2.1");
    link.openSucceeds = false;
    ClickUpload();
    EXPECT_TRUE(answerer.Seen().empty());
    EXPECT_TRUE(link.sent.empty());
    ExpectSearchedAgain();
}

TEST_F(UploadTest, RecordThatDoesNotFitIsNotUploaded) {
    ModalAnswerer answerer;
    PageAddress({10, 0, 0, 100});
    Select("10.0.0.100 gw    Version: 2.1");
    rebuildFits = false;
    ClickUpload();
    EXPECT_TRUE(answerer.Seen().empty());
    EXPECT_TRUE(link.opened.empty());
    ExpectSearchedAgain();
}

TEST_F(UploadTest, ImageOf65536BytesIsNotUploaded) {
    ModalAnswerer answerer;
    std::vector<uint8_t> big(65536 - 62, 0);
    Module().SceneList = big.data();
    Module().SceneListSize = static_cast<uint32_t>(big.size());
    PageAddress({10, 0, 0, 100});
    Select("10.0.0.100 gw    Version: 2.1");
    ClickUpload();
    EXPECT_TRUE(answerer.Seen().empty());
    EXPECT_TRUE(link.opened.empty());
    ExpectSearchedAgain();
}

TEST_F(UploadTest, ImageIsTakenFromTheRebuiltRecord) {
    ModalAnswerer answerer;
    answerer.Then(ModalAnswerer::Press("OK"));
    PageAddress({10, 0, 0, 100});
    Select("10.0.0.100 gw    Version: 2.1");
    page->RebuildRecord = [] {
        // The rebuild moves and grows the record: 2100 bytes of main part.
        ModuleState& m = Module();
        m.WorkingRecord = static_cast<uint8_t*>(std::realloc(m.WorkingRecord, 2200));
        m.WorkingRecordCapacity = 2200;
        std::memset(m.WorkingRecord + 62, 0x5A, 2200 - 62);
        m.WorkingRecord[0] = 2100 & 0xFF;
        m.WorkingRecord[1] = 2100 >> 8;
        return true;
    };
    ClickUpload();
    // 8 + 2100 bytes: blocks of 1024, 1024 and 60.
    ASSERT_EQ(link.sent.size(), 5u);
    EXPECT_EQ(link.sent[1][12], 3);
    EXPECT_EQ(link.sent[1].size(), 17u + 1024);
    EXPECT_EQ(link.sent[3].size(), 17u + 60);
    EXPECT_EQ(link.sent[3][13], 60);
    EXPECT_EQ(link.sent[3].back(), 0x5A);
}

}  // namespace
}  // namespace halvex::test
