#include "qt/CDeviceSettingsPage.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <tuple>

#include "engine/ModuleState.h"
#include "engine/net/AutoResetEvent.h"
#include "engine/net/GatewayProtocol.h"
#include "engine/net/GatewaySearch.h"
#include "model/ControlIds.h"
#include "model/DialogCall.h"
#include "qt/CIpAddressCtrl.h"

namespace halvex {
namespace {

MutableBytes WlanBytes() {
    return Module().WlanSettings;
}

QString FromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::string Utf8(const QLineEdit* edit) {
    return edit->text().toStdString();
}

}  // namespace

CDeviceSettingsPage::CDeviceSettingsPage(QWidget* parent)
    : QWidget(parent),
      SendSearch([] { SendSearchRequest(ModuleGateway()); }),
      upload_(ModuleUploadHooks(
          [this] {
              Gather();
              settings_.CopyNetworkSettings(WorkingRecordBytes());
          },
          [this] { return RebuildRecord ? RebuildRecord() : true; },
          [this]() -> std::unique_ptr<UploadTransport> {
              return MakeUploadTransport ? MakeUploadTransport() : nullptr;
          })) {
    setObjectName(QStringLiteral("CDeviceSettingsPage"));
    // While an upload waits for an acknowledgement the dialog repaints; user input waits.
    MakeUploadTransport = [] {
        return std::make_unique<GatewayUploadTransport>(ModuleGateway(), [] {
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        });
    };
    BuildControls();
    ApplyState();
}

CDeviceSettingsPage::~CDeviceSettingsPage() {
    CommitToRecord();
}

void CDeviceSettingsPage::BuildControls() {
    auto named = [this](auto* w, int id) {
        w->setObjectName(QString::number(id));
        controls_.emplace_back(id, w);
        return w;
    };
    auto* outer = new QVBoxLayout(this);
    inputs_ = new QWidget(this);
    outer->addWidget(inputs_);
    progress_ = new QLabel(this);
    progress_->setObjectName(QStringLiteral("uploadProgress"));
    outer->addWidget(progress_);

    auto* columns = new QHBoxLayout(inputs_);
    columns->setContentsMargins(0, 0, 0, 0);
    auto* form = new QGridLayout;
    columns->addLayout(form, 3);
    int row = 0;

    dhcpBox_ = named(new QCheckBox(QStringLiteral("DHCP"), inputs_), ids::kDhcp);
    form->addWidget(dhcpBox_, row++, 1);

    auto addressRow = [&](CIpAddressCtrl*& ctrl, int id, QLabel* label) {
        ctrl = named(new CIpAddressCtrl(inputs_), id);
        form->addWidget(label, row, 0);
        form->addWidget(ctrl, row++, 1);
    };
    addressRow(ipAddress_, ids::kIpAddress,
               named(new QLabel(QStringLiteral("IP-Address:"), inputs_), ids::kIpAddressLabel));
    addressRow(subnet_, ids::kSubnet, new QLabel(QStringLiteral("Subnet:"), inputs_));
    addressRow(defaultGateway_, ids::kDefaultGateway,
               new QLabel(QStringLiteral("Gateway:"), inputs_));
    addressRow(multicast_, ids::kMulticast,
               named(new QLabel(QStringLiteral("Multicast:"), inputs_), ids::kMulticastLabel));

    auto editRow = [&](QLineEdit*& edit, int id, int labelId, const char* labelText) {
        edit = named(new QLineEdit(inputs_), id);
        form->addWidget(named(new QLabel(QLatin1String(labelText), inputs_), labelId), row, 0);
        form->addWidget(edit, row++, 1);
    };
    editRow(knxAddress_, ids::kKnxAddress, ids::kKnxAddressLabel, "KNX phys. Address");
    editRow(systemId_, ids::kSystemId, ids::kSystemIdLabel, "Corvane System-ID:");
    systemId_->setReadOnly(true);
    editRow(deviceName_, ids::kDeviceName, ids::kDeviceNameLabel, "Device name:");
    deviceName_->setMaxLength(20);

    pause_ = named(new QRadioButton(QStringLiteral("Pause"), inputs_), ids::kPause);
    stop_ = named(new QRadioButton(QStringLiteral("Stop"), inputs_), ids::kStop);
    auto* sceneGroup = new QButtonGroup(this);
    sceneGroup->addButton(pause_);
    sceneGroup->addButton(stop_);
    auto* sceneRow = new QHBoxLayout;
    sceneRow->addWidget(pause_);
    sceneRow->addWidget(stop_);
    form->addWidget(
        named(new QLabel(QStringLiteral("Acting Scene"), inputs_), ids::kActingSceneLabel), row, 0);
    form->addLayout(sceneRow, row++, 1);

    repeater_ = named(new QCheckBox(QStringLiteral("EnOcean Repeater"), inputs_), ids::kRepeater);
    repeaterLevel2_ =
        named(new QCheckBox(QStringLiteral("Repeater Level 2"), inputs_), ids::kRepeaterLevel2);
    form->addWidget(repeater_, row, 0);
    form->addWidget(repeaterLevel2_, row++, 1);

    auto* slaveBox = named(new QGroupBox(QStringLiteral("DMX-Slave"), inputs_), ids::kSlaveBox);
    out1_ = named(new QCheckBox(QStringLiteral("Out 1"), slaveBox), ids::kSlaveOut1);
    out2_ = named(new QCheckBox(QStringLiteral("Out 2"), slaveBox), ids::kSlaveOut2);
    auto* slaveLayout = new QHBoxLayout(slaveBox);
    slaveLayout->addWidget(out1_);
    slaveLayout->addWidget(out2_);
    form->addWidget(slaveBox, row++, 0, 1, 2);

    auto* wlanBox = named(new QGroupBox(QStringLiteral("WLAN"), inputs_), ids::kWlanBox);
    auto* wlan = new QGridLayout(wlanBox);
    auto* encryptionGroup = new QButtonGroup(this);
    auto* radios = new QHBoxLayout;
    for (size_t i = 0; i < 4; ++i) {
        static constexpr const char* kTexts[] = {"unsecured", "WEP", "WPA2", "WPS"};
        encryption_[i] =
            named(new QRadioButton(QLatin1String(kTexts[i]), wlanBox), kEncryptionRadios[i]);
        encryptionGroup->addButton(encryption_[i]);
        radios->addWidget(encryption_[i]);
    }
    wlan->addLayout(radios, 0, 0, 1, 2);
    ssid_ = named(new QLineEdit(wlanBox), ids::kSsid);
    ssid_->setMaxLength(32);
    wlan->addWidget(named(new QLabel(QStringLiteral("SSID:"), wlanBox), ids::kSsidLabel), 1, 0);
    wlan->addWidget(ssid_, 1, 1);
    wlan->addWidget(named(new QLabel(QStringLiteral("Key:"), wlanBox), ids::kKeyLabel), 2, 0);
    int keyRow = 2;
    for (auto [index, id, length] :
         {std::tuple{0, ids::kKey1, 63}, std::tuple{1, ids::kKey2, 13},
          std::tuple{2, ids::kKey3, 13}, std::tuple{3, ids::kKey4, 13}}) {
        QLineEdit* edit = named(new QLineEdit(wlanBox), id);
        edit->setEchoMode(QLineEdit::Password);
        edit->setMaxLength(length);
        wlan->addWidget(edit, keyRow++, 1);
        keys_[static_cast<size_t>(index)] = edit;
    }
    form->addWidget(wlanBox, row++, 0, 1, 2);
    form->setRowStretch(row, 1);

    auto* side = new QVBoxLayout;
    columns->addLayout(side, 2);
    side->addWidget(new QLabel(QStringLiteral("DMX-Gateways:"), inputs_));
    gatewayList_ = named(new QListWidget(inputs_), ids::kGatewayList);
    side->addWidget(gatewayList_);
    auto* search = named(new QPushButton(QStringLiteral("Search"), inputs_), ids::kSearch);
    uploadButton_ = named(new QPushButton(QStringLiteral("Upload"), inputs_), ids::kUpload);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(search);
    buttons->addWidget(uploadButton_);
    side->addLayout(buttons);

    // Every click goes to the page's command routing with its control ID, every edit's lost
    // focus to the lost-focus handling.
    for (auto [id, w] : controls_) {
        if (auto* button = qobject_cast<QAbstractButton*>(w))
            connect(button, &QAbstractButton::clicked, this, [this, id = id] { OnCommand(id); });
        if (auto* edit = qobject_cast<QLineEdit*>(w))
            edit->installEventFilter(this);
    }
    connect(gatewayList_, &QListWidget::itemSelectionChanged, this,
            &CDeviceSettingsPage::OnGatewaySelectionChanged);
}

void CDeviceSettingsPage::Gather() {
    NetworkFields& f = settings_.Fields();
    f.dhcp = dhcpBox_->isChecked();
    f.ipAddress = ipAddress_->Address();
    f.subnet = subnet_->Address();
    f.defaultGateway = defaultGateway_->Address();
    f.multicast = multicast_->Address();
    f.knxAddress = Utf8(knxAddress_);
    f.systemId = Utf8(systemId_);
    f.deviceName = Utf8(deviceName_);
    f.pause = pause_->isChecked();
    f.repeater = repeater_->isChecked();
    f.repeaterLevel2 = repeaterLevel2_->isChecked();
    f.slaveOut1 = out1_->isChecked();
    f.slaveOut2 = out2_->isChecked();
    for (uint8_t i = 0; i < 4; ++i) {
        if (encryption_[i]->isChecked())
            f.encryption = i;
    }
    f.ssid = Utf8(ssid_);
    for (size_t i = 0; i < 4; ++i)
        f.keys[i] = Utf8(keys_[i]);
}

void CDeviceSettingsPage::ShowFields() {
    const NetworkFields& f = settings_.Fields();
    dhcpBox_->setChecked(f.dhcp);
    ipAddress_->SetAddress(f.ipAddress);
    subnet_->SetAddress(f.subnet);
    defaultGateway_->SetAddress(f.defaultGateway);
    multicast_->SetAddress(f.multicast);
    knxAddress_->setText(FromUtf8(f.knxAddress));
    systemId_->setText(FromUtf8(f.systemId));
    deviceName_->setText(FromUtf8(f.deviceName));
    (f.pause ? pause_ : stop_)->setChecked(true);
    repeater_->setChecked(f.repeater);
    repeaterLevel2_->setChecked(f.repeaterLevel2);
    out1_->setChecked(f.slaveOut1);
    out2_->setChecked(f.slaveOut2);
    if (f.encryption)
        encryption_[*f.encryption]->setChecked(true);
    ssid_->setText(FromUtf8(f.ssid));
    for (size_t i = 0; i < 4; ++i)
        keys_[i]->setText(FromUtf8(f.keys[i]));
}

void CDeviceSettingsPage::ApplyState() {
    for (auto [id, w] : controls_) {
        w->setVisible(settings_.Shown(id));
        w->setEnabled(settings_.Enabled(id));
    }
    uploadButton_->setEnabled(upload_.UploadEnabled());
    inputs_->setEnabled(upload_.InputsEnabled());
}

void CDeviceSettingsPage::InitPage() {
    settings_.Load(WorkingRecordBytes(), WlanBytes());
    ShowFields();
    const uint8_t language = Module().UiLanguage;
    for (auto [id, w] : controls_) {
        const auto text = settings_.TextOf(id);
        if (!text)
            continue;
        const QString shown = FromUtf8(UiText(*text, language));
        if (auto* label = qobject_cast<QLabel*>(w))
            label->setText(shown);
        else if (auto* button = qobject_cast<QAbstractButton*>(w))
            button->setText(shown);
    }
    ApplyState();
    uploadEvent_ = AutoResetEvent::CreateOrOpen(std::string(protocol::kUploadEventName));
}

void CDeviceSettingsPage::OnCommand(int id) {
    Gather();
    settings_.Click(id, WorkingRecordBytes(), WlanBytes());
    ApplyState();
    if (id == ids::kUpload)
        UploadToGateway();
    else if (id == ids::kSearch)
        SearchGateways();
}

void CDeviceSettingsPage::OnLostFocus(int id) {
    Gather();
    settings_.LostFocus(id, WorkingRecordBytes(), WlanBytes());
    ApplyState();
}

void CDeviceSettingsPage::CommitToRecord() {
    Gather();
    settings_.Commit(WorkingRecordBytes(), WlanBytes());
}

void CDeviceSettingsPage::hideEvent(QHideEvent* event) {
    CommitToRecord();
    QWidget::hideEvent(event);
}

void CDeviceSettingsPage::closeEvent(QCloseEvent* event) {
    Gather();
    settings_.Close(WorkingRecordBytes(), WlanBytes());
    QWidget::closeEvent(event);
}

bool CDeviceSettingsPage::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut) {
        if (auto* edit = qobject_cast<QLineEdit*>(watched))
            OnLostFocus(edit->objectName().toInt());
    }
    return QWidget::eventFilter(watched, event);
}

void CDeviceSettingsPage::AddGatewayLine(const QString& line) {
    if (const auto row = gateways_.Add(line.toStdString()))
        gatewayList_->insertItem(static_cast<int>(*row), line);
}

void CDeviceSettingsPage::OnGatewaySelectionChanged() {
    const QList<QListWidgetItem*> selected = gatewayList_->selectedItems();
    std::optional<size_t> row;
    if (!selected.isEmpty())
        row = static_cast<size_t>(gatewayList_->row(selected.front()));
    ChooseGateway(gateways_.AddressOf(row));
}

void CDeviceSettingsPage::SearchGateways() {
    {
        // Emptying the list is no change of the chosen gateway.
        const QSignalBlocker blocker(gatewayList_);
        gatewayList_->clear();
        gateways_.Clear();
    }
    if (SendSearch)
        SendSearch();
}

bool CDeviceSettingsPage::ShowMessage(const UploadMessage& message, bool question) {
    static constexpr QMessageBox::Icon kIcons[] = {QMessageBox::NoIcon, QMessageBox::Information,
                                                   QMessageBox::Warning};
    QMessageBox box(kIcons[static_cast<int>(message.icon)], FromUtf8(message.caption),
                    FromUtf8(message.text),
                    question ? QMessageBox::Ok | QMessageBox::Cancel : QMessageBox::Ok, this);
    return box.exec() == QMessageBox::Ok;
}

void CDeviceSettingsPage::UploadToGateway() {
    const QList<QListWidgetItem*> selected = gatewayList_->selectedItems();
    std::optional<std::string> line;
    if (!selected.isEmpty())
        line = selected.front()->text().toStdString();
    if (upload_.Start(line, Module().UiLanguage))
        DriveUpload();
}

void CDeviceSettingsPage::DriveUpload() {
    upload_.Drive({
        .refresh = [this] { ApplyState(); },
        .show = [this](const UploadMessage& message,
                       bool question) { return ShowMessage(message, question); },
        .progress =
            [this](const std::string& text) {
                progress_->setText(FromUtf8(text));
                progress_->repaint();
            },
        .searchAgain =
            [this] {
                SearchGateways();
                // The gateway chosen for the upload stays the destination of DMX frames.
                const QSignalBlocker blocker(gatewayList_);
                gatewayList_->clearSelection();
            },
    });
}

}  // namespace halvex
