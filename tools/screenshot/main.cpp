// halvex-screenshots: pictures of the real dialogs for the user guide.
//
// Sets up the module state the way __OpenKNXDialog does (scene list, device table, working
// record), opens the main dialog offscreen, walks through what the guide describes (ESF import,
// drag and drop, preview, gateway search) and saves QWidget::grab() PNGs.
//
// Usage: QT_QPA_PLATFORM=offscreen halvex-screenshots OUTPUT_FOLDER [SAMPLE.esf]
#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QDir>
#include <QImage>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QTabBar>
#include <QTest>
#include <QTimer>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <string_view>

#include "engine/ModuleState.h"
#include "engine/record/Bytes.h"
#include "engine/record/RecordLayout.h"
#include "engine/record/SceneRecord.h"
#include "model/DialogCall.h"
#include "qt/CBusTypeDlg.h"
#include "qt/CDeviceSettingsPage.h"
#include "qt/CDragTreeCtrl.h"
#include "qt/CGroupAddressDlg.h"
#include "qt/CKnxDlg.h"
#include "qt/CPageTabCtrl.h"
#include "qt/Images.h"
#include "support/RecordBuilder.h"

namespace {

using namespace halvex;
using namespace halvex::test;

const std::vector<std::string> kScenes = {"Walk-in", "Opening", "Speech", "Finale"};
const std::array<uint8_t, 4> kGatewayAddress = {198, 18, 0, 2};
const std::array<uint8_t, 4> kRouterAddress = {198, 18, 0, 1};
const std::vector<Device> kDevices = {{"Moving head L", 40}, {"Moving head R", 40}, {"Hazer", 0}};

class Shooter {
public:
    explicit Shooter(QString folder) : folder_(std::move(folder)) {}

    bool Save(QWidget* widget, const QString& name) {
        widget->show();
        QApplication::processEvents();
        const QString path = folder_ + "/" + name + ".png";
        // A palette image keeps the files small; dialogs use few colours.
        const QImage image = widget->grab().toImage().convertToFormat(
            QImage::Format_Indexed8, Qt::ThresholdDither | Qt::AvoidDither);
        const bool saved = image.save(path, "PNG", 9);
        std::printf("%s %s\n", saved ? "wrote" : "FAILED", qPrintable(path));
        ok_ = ok_ && saved;
        return saved;
    }
    bool Ok() const { return ok_; }

private:
    QString folder_;
    bool ok_ = true;
};

// The module state of one __OpenKNXDialog call on `record`, and its main dialog.
class DialogSession {
public:
    explicit DialogSession(const std::vector<uint8_t>& record) {
        ResetModuleState();
        sceneList_ = MakeSceneList(kScenes);
        const std::vector<uint8_t> table = MakeDeviceTable(kDevices);
        std::vector<uint32_t> words(table.size() / 4);
        std::memcpy(words.data(), table.data(), table.size());
        std::vector<uint8_t> host = record;
        const DialogCallInput input{sceneList_.data(),
                                    host.data(),
                                    host.size(),
                                    BusType::Knx,
                                    0,
                                    words.data(),
                                    static_cast<uint16_t>(kDevices.size())};
        BeginDialogCall(input);
        bool damaged = false;
        MakeWorkingRecord(input, damaged);
        dialog = std::make_unique<CKnxDlg>();
        dialog->PrepareCatalogue();
        dialog->OnInitDialog();
        dialog->show();
        QApplication::processEvents();
    }
    ~DialogSession() {
        dialog.reset();
        std::free(Module().WorkingRecord);
        ResetModuleState();
    }
    DialogSession(const DialogSession&) = delete;
    DialogSession& operator=(const DialogSession&) = delete;

    // Clicks the tab with `label`, as the user does.
    void ShowTab(const QString& label) {
        QTabBar* bar = dialog->PageTabs()->TabBar();
        for (int i = 0; i < bar->count(); ++i) {
            if (bar->tabText(i) == label)
                QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(i).center());
        }
        QApplication::processEvents();
    }

    // Drags catalogue entry `address` onto output `output` of `target`, as the mouse does.
    bool Assign(uint16_t address, CDragTreeCtrl* target, int output) {
        QTreeWidgetItem* entry = dialog->CatalogueItem(address);
        QTreeWidgetItem* onto = target->topLevelItem(output);
        if (entry == nullptr || onto == nullptr)
            return false;
        dialog->CatalogueTreeCtrl()->SelectItem(entry);
        CDragTreeCtrl::SetDragSource(dialog->CatalogueTreeCtrl());
        target->scrollToItem(onto);
        const QPoint at = target->visualItemRect(onto).center();
        const bool dropped = target->DropTarget().OnDragOver(target, at) == DropEffect::Link &&
                             target->DropTarget().OnDrop(target);
        CDragTreeCtrl::SetDragSource(nullptr);
        target->expandItem(onto);
        return dropped;
    }

    std::unique_ptr<CKnxDlg> dialog;

private:
    std::vector<uint8_t> sceneList_;
};

// A KNX record with a small catalogue made by hand: one main group, one middle group,
// three group addresses.
std::vector<uint8_t> HandMadeRecord() {
    KnxRecordPlan plan;
    plan.scenes = static_cast<uint16_t>(kScenes.size());
    plan.deviceTypes = {10, 10, 7};
    plan.deviceCount = static_cast<uint16_t>(kDevices.size());
    plan.deviceTable = MakeDeviceTable(kDevices);
    plan.mains = {{1, 0, "1 Lighting"}};
    plan.middles = {{8, 0, "0 Stage"}};
    plan.groups = {{0x0801, 0x080100D0, "1/0/1 Stage wash on/off"},
                   {0x0802, 0x080200D7, "1/0/2 Stage wash level"},
                   {0x0803, 0x080300D3, "1/0/3 Stage wash dimming"},
                   {0x0804, 0x080400DA, "1/0/4 Moving head position"}};
    std::vector<uint8_t> record = BuildKnxRecord(plan);
    // The gateway of the pictures sits in the documentation's example network.
    const std::string_view name = "Stage";
    WriteBytes(record, layout::kIpAddress, kGatewayAddress);
    WriteBytes(record, layout::kDefaultGateway, kRouterAddress);
    WriteBytes(record, layout::kDeviceName,
               ConstBytes(reinterpret_cast<const uint8_t*>(name.data()), name.size()));
    return record;
}

void ShootBusType(Shooter& shooter) {
    CBusTypeDlg dialog;
    dialog.SetChoice(0);
    shooter.Save(&dialog, "bus-type");
}

void ShootGroupAddressDialog(Shooter& shooter) {
    CGroupAddressDlg dialog(true);
    dialog.show();  // showing empties the fields; fill them afterwards
    QApplication::processEvents();
    if (auto* number = dialog.findChild<QLineEdit*>(QStringLiteral("7035")))
        number->setText(QStringLiteral("5"));
    if (auto* name = dialog.findChild<QLineEdit*>(QStringLiteral("7055")))
        name->setText(QStringLiteral("Stage wash colour"));
    dialog.SetChoice(1);
    shooter.Save(&dialog, "group-address-dialog");
}

void ShootNewRecord(Shooter& shooter) {
    DialogSession session(NewRecord(BusType::Knx));
    shooter.Save(session.dialog.get(), "main-new-record");
}

void ShootHandMadeCatalogue(Shooter& shooter) {
    DialogSession session(HandMadeRecord());
    session.dialog->CatalogueTreeCtrl()->expandAll();
    session.ShowTab(QStringLiteral("Scene Out 1"));
    session.Assign(0x0801, session.dialog->TreeCtrl(TreeId::Scene1), 1);
    session.Assign(0x0801, session.dialog->TreeCtrl(TreeId::Scene1), 3);
    session.dialog->CatalogueTreeCtrl()->SelectItem(session.dialog->CatalogueItem(0x0801));
    shooter.Save(session.dialog.get(), "assign-scene");

    session.ShowTab(QStringLiteral("Dimmer Out 1"));
    session.Assign(0x0802, session.dialog->TreeCtrl(TreeId::Dimmer1), 2);  // channel 1, 1 byte
    session.Assign(0x0803, session.dialog->TreeCtrl(TreeId::Dimmer1), 1);  // channel 1, 4 bits
    session.dialog->findChild<QCheckBox*>(QStringLiteral("7036"))->click();
    session.dialog->TreeCtrl(TreeId::Dimmer1)->scrollToTop();
    shooter.Save(session.dialog.get(), "preview-dimmer");

    session.ShowTab(QStringLiteral("Device 1"));
    session.Assign(0x0804, session.dialog->TreeCtrl(TreeId::Device1), 0);
    shooter.Save(session.dialog.get(), "device-page");
}

void ShootEsfImport(Shooter& shooter, const QString& esf) {
    DialogSession session(NewRecord(BusType::Knx));
    // The import may tell how many lines it skipped: such a note is accepted unread.
    QTimer answerer;
    QObject::connect(&answerer, &QTimer::timeout, [] {
        if (auto* modal = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
            modal->accept();
    });
    answerer.start(50);
    if (!session.dialog->ImportEsfFile(esf)) {
        std::printf("FAILED to import %s\n", qPrintable(esf));
        return;
    }
    CDragTreeCtrl* tree = session.dialog->CatalogueTreeCtrl();
    tree->collapseAll();
    tree->expandItem(tree->topLevelItem(0));
    if (QTreeWidgetItem* root = tree->topLevelItem(0); root != nullptr && root->childCount() > 1) {
        QTreeWidgetItem* lighting = root->child(1);
        tree->expandItem(lighting);
        if (lighting->childCount() > 0)
            tree->expandItem(lighting->child(0));
    }
    shooter.Save(session.dialog.get(), "catalogue-esf");
}

void ShootNetworkPage(Shooter& shooter) {
    DialogSession session(HandMadeRecord());
    session.dialog->CatalogueTreeCtrl()->expandAll();
    session.ShowTab(QStringLiteral("Lan/KNX"));
    CDeviceSettingsPage* page = session.dialog->SettingsPage();
    if (page == nullptr) {
        std::printf("FAILED: no network page\n");
        return;
    }
    page->AddGatewayLine(QStringLiteral("198.18.0.2 Stage    Version: 2.1"));
    page->AddGatewayLine(QStringLiteral("198.18.0.3 00:0a:1b:2c:3d:4e    Version: 1.7"));
    page->AddGatewayLine(QStringLiteral("198.18.0.4 Foyer    Version: 2.0"));
    page->GatewayList()->setCurrentRow(0);
    shooter.Save(session.dialog.get(), "network-search");
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_FOLDER [SAMPLE.esf]\n", argv[0]);
        return 2;
    }
    InitResources();
    ResetModuleState();
    Module().UiLanguage = 0;
    const QString folder = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(folder);
    Shooter shooter(folder);
    ShootBusType(shooter);
    ShootGroupAddressDialog(shooter);
    ShootNewRecord(shooter);
    ShootHandMadeCatalogue(shooter);
    if (argc >= 3)
        ShootEsfImport(shooter, QString::fromLocal8Bit(argv[2]));
    ShootNetworkPage(shooter);
    return shooter.Ok() ? 0 : 1;
}
