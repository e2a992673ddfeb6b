// The network settings page against halvex-gateway-sim in the test bed, end to end: a search
// fills the page's list through the receive thread, and "Upload" sends the scene list and the
// record with the page's settings. The upload's decisions and retries are tested at the model.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QListWidget>
#include <QMessageBox>
#include <QTimer>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "TestBed.h"
#include "engine/ModuleState.h"
#include "qt/CDeviceSettingsPage.h"
#include "support/ByteDiff.h"

namespace halvex {
namespace {

using namespace test;

// The network tests have no application object of their own; the page needs one.
void EnsureApplication() {
    if (QApplication::instance() != nullptr)
        return;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "halvex_net_tests";
    static char* argv[] = {name, nullptr};
    static QApplication application(argc, argv);
}

// Hands search responses to the page on its own thread, as the main dialog does.
class PageSink : public GatewayEventSink {
public:
    explicit PageSink(CDeviceSettingsPage* page) : page_(page) {}
    void OnSearchResponse(const std::string& line) override {
        QMetaObject::invokeMethod(
            page_,
            [page = page_, text = QString::fromStdString(line)] { page->AddGatewayLine(text); },
            Qt::QueuedConnection);
    }
    void OnTransmitterReport(const Telegram&) override {}

private:
    CDeviceSettingsPage* page_;
};

// Presses OK on every message box and keeps its text.
class MessageBoxes {
public:
    MessageBoxes() {
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box == nullptr)
                return;
            texts_.push_back(box->text());
            box->button(QMessageBox::Ok)->click();
        });
        timer_.start(10);
    }
    const QStringList& Texts() const { return texts_; }

private:
    QTimer timer_;
    QStringList texts_;
};

bool ProcessUntil(const std::function<bool()>& done, int timeoutMs = 3000) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

class UploadPageNet : public ::testing::Test {
protected:
    void SetUp() override {
        REQUIRE_TEST_BED();
        EnsureApplication();
        ResetModuleState();
        Module().UiLanguage = 0;
        record = static_cast<uint8_t*>(std::calloc(62, 1));
        record[0] = 62;
        record[15] = 0x20;
        const uint8_t addresses[16] = {198, 18, 0, 2, 255, 255, 255, 0,
                                       198, 18, 0, 1, 224, 0,   23,  12};
        std::memcpy(record + 16, addresses, sizeof addresses);
        Module().WorkingRecord = record;
        Module().WorkingRecordCapacity = 62;
        sceneList = {0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5, 0, 0};
        Module().SceneList = sceneList.data();
        Module().SceneListSize = static_cast<uint32_t>(sceneList.size());

        page = std::make_unique<CDeviceSettingsPage>();
        page->InitPage();
        sink = std::make_unique<PageSink>(page.get());
        Module().Events = sink.get();
        CGatewaySocketLink& link = Module().ListenLink;
        ASSERT_TRUE(link.OpenBound("4044", 2, 2, kOptionBroadcast));
        link.SetAddressPrefixed(true);
        ASSERT_TRUE(link.StartReceiver());
    }

    void TearDown() override {
        Module().ListenLink.Stop();
        Module().GatewayLink.Stop();
        Module().Events = nullptr;
        page.reset();
        std::free(record);
        ResetModuleState();
    }

    // Searches and selects the gateway's line once it has arrived.
    void SearchAndSelect(const GatewaySim& sim) {
        page->SearchGateways();
        ASSERT_TRUE(ProcessUntil([&] { return page->GatewayList()->count() == 1; })) << sim.Log();
        page->GatewayList()->item(0)->setSelected(true);
    }

    uint8_t* record = nullptr;
    std::vector<uint8_t> sceneList;
    std::unique_ptr<CDeviceSettingsPage> page;
    std::unique_ptr<PageSink> sink;
};

TEST_F(UploadPageNet, SearchThenUploadDeliversSceneListAndPageSettings) {
    GatewaySim sim({"-g", "addr=198.18.0.2,name=Hall,version=Version: 2.1"});
    ASSERT_TRUE(sim.Ready()) << sim.Log();
    SearchAndSelect(sim);
    EXPECT_EQ(page->GatewayList()->item(0)->text(), "198.18.0.2 Hall    Version: 2.1");
    EXPECT_EQ(Module().GatewayAddress, "198.18.0.2");

    page->findChild<QAbstractButton*>(QStringLiteral("7044"))->click();  // Pause
    MessageBoxes boxes;
    page->UploadToGateway();
    EXPECT_EQ(boxes.Texts(), QStringList{"Upload done"}) << sim.Log();

    std::vector<uint8_t> expected = sceneList;
    std::vector<uint8_t> header(62, 0);
    header[0] = 62;
    header[15] = 0x20 | 0x02;
    const uint8_t addresses[16] = {198, 18, 0, 2, 255, 255, 255, 0, 198, 18, 0, 1, 224, 0, 23, 12};
    std::memcpy(header.data() + 16, addresses, sizeof addresses);
    expected.insert(expected.end(), header.begin(), header.end());
    ASSERT_TRUE(WaitUntil([&] { return sim.Bytes("image-198.18.0.2.bin").has_value(); }));
    EXPECT_BYTES_EQ(expected, *sim.Bytes("image-198.18.0.2.bin"));

    // The page searched again: the gateway is listed anew, nothing selected, Upload usable.
    EXPECT_TRUE(ProcessUntil([&] { return page->GatewayList()->count() == 1; }));
    EXPECT_TRUE(page->GatewayList()->selectedItems().isEmpty());
    EXPECT_TRUE(page->findChild<QWidget*>(QStringLiteral("7038"))->isEnabled());
    EXPECT_FALSE(Module().GatewayLink.IsOpen());
}

}  // namespace
}  // namespace halvex
