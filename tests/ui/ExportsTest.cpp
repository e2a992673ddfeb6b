// The library boundary: libhalvex.so loaded with dlopen and driven through its three exports,
// with the dialogs answered on the test's own Qt event loop.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QRadioButton>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>

#include "halvex/plugin.h"
#include "support/RecordBuilder.h"

namespace halvex::test {
namespace {

using OpenFn = void (*)(const uint8_t*, uint8_t*, uint8_t**, uint8_t, const uint32_t*, uint16_t);
using DeleteFn = void (*)(uint8_t, const uint8_t*, uint8_t**);
using SendFn = void (*)(uint8_t*, const uint8_t*, uint16_t);

TEST(Exports, TheLibraryExportsExactlyTheThreeFunctions) {
    FILE* nm = popen("nm -D --defined-only " HALVEX_LIBRARY, "r");
    ASSERT_NE(nm, nullptr);
    std::set<std::string> ours;
    char line[512];
    while (std::fgets(line, sizeof line, nm) != nullptr) {
        char type = 0;
        char name[400] = {};
        if (std::sscanf(line, "%*s %c %399s", &type, name) == 2)
            ours.insert(name);
    }
    pclose(nm);
    EXPECT_EQ(ours,
              (std::set<std::string>{"__DeleteScene", "__OpenKNXDialog", "__SendDMXData2UDP"}));
}

// Answers whatever modal widget comes up: message boxes with OK, the named dialog with `press`.
class Answerer {
public:
    Answerer(QString dialog, QString press, QString radio = {})
        : dialog_(std::move(dialog)), press_(std::move(press)), radio_(std::move(radio)) {
        QObject::connect(&timer_, &QTimer::timeout, [this] { Poll(); });
        timer_.start(5);
    }
    std::vector<QString> messages;
    std::vector<QString> dialogs;

private:
    void Poll() {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr || modal == last_)
            return;
        last_ = modal;
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            messages.push_back(box->text());
            box->button(QMessageBox::Ok)->click();
            return;
        }
        dialogs.push_back(modal->objectName());
        if (modal->objectName() != dialog_)
            return;
        if (!radio_.isEmpty())
            modal->findChild<QRadioButton*>(radio_)->click();
        Click(modal, press_);
    }
    static void Click(QWidget* w, const QString& name) {
        if (auto* button = w->findChild<QAbstractButton*>(name))
            button->click();
    }
    QString dialog_, press_, radio_;
    QTimer timer_;
    QPointer<QWidget> last_;
};

class ExportsTest : public ::testing::Test {
protected:
    void SetUp() override {
        handle = dlopen(HALVEX_LIBRARY, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(handle, nullptr) << dlerror();
        open = reinterpret_cast<OpenFn>(dlsym(handle, "__OpenKNXDialog"));
        remove = reinterpret_cast<DeleteFn>(dlsym(handle, "__DeleteScene"));
        send = reinterpret_cast<SendFn>(dlsym(handle, "__SendDMXData2UDP"));
        ASSERT_TRUE(open && remove && send);
        scenes = MakeSceneList({"Morning", "Evening", "Off"});
        devices = MakeDeviceTable({{"Dimmer A", 0}});
    }
    void TearDown() override {
        if (handle != nullptr)
            dlclose(handle);
    }
    uint8_t* MallocCopy(const std::vector<uint8_t>& bytes) {
        auto* p = static_cast<uint8_t*>(std::malloc(bytes.size()));
        std::memcpy(p, bytes.data(), bytes.size());
        return p;
    }
    void Open(uint8_t* record, uint8_t** slot, uint8_t language = 0) {
        open(scenes.data(), record, slot, language,
             reinterpret_cast<const uint32_t*>(devices.data()), 1);
    }

    void* handle = nullptr;
    OpenFn open = nullptr;
    DeleteFn remove = nullptr;
    SendFn send = nullptr;
    std::vector<uint8_t> scenes, devices;
};

TEST_F(ExportsTest, CancelLeavesTheHostsVariableAndRecordAlone) {
    KnxRecordPlan plan;
    plan.scenes = 3;
    const std::vector<uint8_t> bytes = BuildKnxRecord(plan);
    uint8_t* record = MallocCopy(bytes);
    uint8_t* slot = record;
    Answerer answer(QStringLiteral("CKnxDlg"), QStringLiteral("7009"));
    Open(record, &slot);
    EXPECT_EQ(slot, record);
    EXPECT_EQ(std::memcmp(record, bytes.data(), bytes.size()), 0);
    std::free(record);
}

TEST_F(ExportsTest, OkHandsOverTheRebuiltRecordAndFreesTheOldOne) {
    KnxRecordPlan plan;
    plan.scenes = 3;
    plan.deviceTypes = {7};
    plan.deviceCount = 1;
    plan.deviceTable = devices;
    const std::vector<uint8_t> bytes = BuildKnxRecord(plan);
    uint8_t* record = MallocCopy(bytes);
    uint8_t* slot = record;
    Answerer answer(QStringLiteral("CKnxDlg"), QStringLiteral("7052"));
    Open(record, &slot);
    ASSERT_NE(slot, record);  // `record` has been freed by the plug-in
    EXPECT_EQ(std::memcmp(slot, bytes.data(), bytes.size()), 0);
    std::free(slot);
}

TEST_F(ExportsTest, NewRecordAsksForTheBusType) {
    uint8_t* slot = nullptr;
    {
        Answerer answer(QStringLiteral("CBusTypeDlg"), QStringLiteral("2"));
        Open(nullptr, &slot);
        EXPECT_EQ(answer.dialogs, std::vector<QString>{QStringLiteral("CBusTypeDlg")});
        EXPECT_TRUE(answer.messages.empty());
    }
    EXPECT_EQ(slot, nullptr);
    {
        Answerer answer(QStringLiteral("CBusTypeDlg"), QStringLiteral("1"), QStringLiteral("7049"));
        QTimer later;
        QObject::connect(&later, &QTimer::timeout, [] {
            QWidget* modal = QApplication::activeModalWidget();
            if (modal != nullptr && modal->objectName() == QLatin1String("CKnxDlg")) {
                modal->findChild<QAbstractButton*>(QStringLiteral("7052"))->click();
            }
        });
        later.start(20);
        Open(nullptr, &slot, 1);
    }
    ASSERT_NE(slot, nullptr);
    EXPECT_EQ(slot[14] & 0x02, 0x02);
    EXPECT_EQ(slot[53], 0xFE);
    std::free(slot);
}

TEST_F(ExportsTest, DamagedRecordOpensWithAWarningAndCancelKeepsIt) {
    std::vector<uint8_t> bytes = BuildKnxRecord({});
    const size_t main = bytes[0] | bytes[1] << 8;
    bytes[main] = 0xFF, bytes[main + 1] = 0xFF,
    bytes[main + 2] = 0xFF;  // trailing length past the end
    uint8_t* record = MallocCopy(bytes);
    uint8_t* slot = record;
    Answerer answer(QStringLiteral("CKnxDlg"), QStringLiteral("7009"));
    Open(record, &slot);
    EXPECT_EQ(slot, record);
    EXPECT_EQ(std::memcmp(record, bytes.data(), bytes.size()), 0);
    bool warned = false;
    for (const QString& m : answer.messages)
        warned |= m.startsWith("The stored configuration is damaged");
    EXPECT_TRUE(warned);
    // Deletion cannot edit it safely either: it stays as it was.
    remove(0, scenes.data(), &slot);
    EXPECT_EQ(std::memcmp(record, bytes.data(), bytes.size()), 0);
    std::free(record);
}

TEST_F(ExportsTest, NullPointersAndShortFramesAreIgnored) {
    uint8_t* none = nullptr;
    remove(0, nullptr, &none);
    remove(0, scenes.data(), nullptr);
    remove(0, scenes.data(), &none);
    const std::vector<uint8_t> record = BuildKnxRecord({});
    uint8_t frame[6] = {1, 2, 3, 4, 5, 6};
    send(frame, record.data(), sizeof frame);
    send(nullptr, record.data(), 20);
    send(frame, nullptr, 6);
    EXPECT_EQ(frame[5], 6);
}

}  // namespace
}  // namespace halvex::test
