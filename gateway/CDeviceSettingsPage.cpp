#include "gateway/CDeviceSettingsPage.h"

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

#include <array>
#include <mutex>
#include <tuple>
#include <vector>

#include "gateway/AutoResetEvent.h"
#include "gateway/CIpAddressCtrl.h"
#include "gateway/CSocketLink.h"
#include "gateway/GatewayProtocol.h"
#include "gateway/GatewaySearch.h"
#include "plugin/Codepage.h"
#include "plugin/ModuleState.h"
#include "plugin/RecordLayout.h"
#include "plugin/UiText.h"

namespace halvex {
namespace {

using namespace layout;

QString Ui(Text pair) {
    const std::string_view text = UiText(pair);
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

MutableBytes RecordBytes() {
    ModuleState& m = Module();
    if (m.WorkingRecord == nullptr)
        return {};
    return {m.WorkingRecord, m.WorkingRecordCapacity};
}

MutableBytes WlanBytes() {
    return Module().WlanSettings;
}

std::array<uint8_t, 4> ReadAddress(ConstBytes record, size_t offset) {
    std::array<uint8_t, 4> address{};
    for (size_t i = 0; i < 4; ++i)
        address[i] = ReadU8(record, offset + i).value_or(0);
    return address;
}

void WriteAddress(MutableBytes record, size_t offset, const std::array<uint8_t, 4>& address) {
    WriteBytes(record, offset, address);
}

// Clears a text field and stores `text` in Windows-1252, always leaving its terminating NUL.
void StoreText(MutableBytes block, size_t offset, size_t size, const QString& text) {
    if (!InBounds(block.size(), offset, size))
        return;
    std::fill_n(block.begin() + static_cast<std::ptrdiff_t>(offset), size, uint8_t{0});
    std::string bytes = Utf8ToCp1252(text.toStdString());
    if (bytes.size() > size - 1)
        bytes.resize(size - 1);
    WriteBytes(block, offset,
               ConstBytes(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
}

QString LoadText(ConstBytes block, size_t offset, size_t size) {
    const auto field = Slice(block, offset, size);
    if (!field)
        return {};
    return QString::fromStdString(Cp1252ToUtf8(FieldText(field->data(), field->size())));
}

void SetFlag(MutableBytes record, size_t offset, uint8_t bit, bool on) {
    const auto value = ReadU8(record, offset);
    if (!value)
        return;
    WriteU8(record, offset, static_cast<uint8_t>(on ? (*value | bit) : (*value & ~bit)));
}

size_t WepKeyOffset(int index) {
    return kWlanWepKey1 + static_cast<size_t>(index) * kWlanWepKeySize;
}

void SetShown(std::initializer_list<QWidget*> widgets, bool shown) {
    for (QWidget* w : widgets)
        w->setVisible(shown);
}

// Orders gateway lines without regard to case, as the gateway list always has.
class GatewayLine : public QListWidgetItem {
public:
    explicit GatewayLine(const QString& text) : QListWidgetItem(text) {}
    bool operator<(const QListWidgetItem& other) const override {
        return text().compare(other.text(), Qt::CaseInsensitive) < 0;
    }
};

}  // namespace

int32_t LeadingNumber(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r')))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    // Unsigned arithmetic wraps instead of overflowing; callers keep only the low bits.
    uint32_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10u + static_cast<uint32_t>(text[i] - '0');
    }
    return static_cast<int32_t>(negative ? 0u - value : value);
}

uint16_t ParsePhysicalAddress(const std::string& text, uint16_t stored) {
    const size_t first = text.find('.');
    const size_t last = text.rfind('.');
    if (first == std::string::npos || first == last)
        return stored;
    const std::string_view view(text);
    const auto area = static_cast<uint32_t>(LeadingNumber(view.substr(0, first)));
    const auto line = static_cast<uint32_t>(LeadingNumber(view.substr(first + 1)));
    const auto device = static_cast<uint32_t>(LeadingNumber(view.substr(last + 1)));
    return static_cast<uint16_t>((area & 15u) << 12 | (line & 15u) << 8 | (device & 255u));
}

std::string FormatPhysicalAddress(uint16_t address) {
    return std::to_string(address >> 12) + "." + std::to_string((address >> 8) & 15) + "." +
           std::to_string(address & 255);
}

CDeviceSettingsPage::CDeviceSettingsPage(QWidget* parent)
    : QWidget(parent), SendSearch(SendSearchRequest) {
    setObjectName(QStringLiteral("CDeviceSettingsPage"));
    // While an upload waits for an acknowledgement the dialog repaints; user input waits.
    MakeUploadTransport = [] {
        return std::make_unique<GatewayUploadTransport>(
            [] { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); });
    };
    BuildControls();
}

CDeviceSettingsPage::~CDeviceSettingsPage() {
    CommitToRecord();
}

void CDeviceSettingsPage::BuildControls() {
    auto named = [](QWidget* w, const char* id) {
        w->setObjectName(QLatin1String(id));
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

    dhcpBox_ = new QCheckBox(QStringLiteral("DHCP"), inputs_);
    named(dhcpBox_, "7004");
    form->addWidget(dhcpBox_, row++, 1);

    auto addressRow = [&](CIpAddressCtrl*& ctrl, const char* id, QLabel* label) {
        ctrl = new CIpAddressCtrl(inputs_);
        named(ctrl, id);
        form->addWidget(label, row, 0);
        form->addWidget(ctrl, row++, 1);
    };
    ipLabel_ = new QLabel(QStringLiteral("IP-Address:"), inputs_);
    named(ipLabel_, "7069");
    addressRow(ipAddress_, "7005", ipLabel_);
    addressRow(subnet_, "7006", new QLabel(QStringLiteral("Subnet:"), inputs_));
    addressRow(defaultGateway_, "7007", new QLabel(QStringLiteral("Gateway:"), inputs_));
    multicastLabel_ = new QLabel(QStringLiteral("Multicast:"), inputs_);
    named(multicastLabel_, "7049");
    addressRow(multicast_, "7008", multicastLabel_);

    auto editRow = [&](QLineEdit*& edit, const char* id, QLabel*& label, const char* labelId,
                       const char* labelText) {
        label = new QLabel(QLatin1String(labelText), inputs_);
        named(label, labelId);
        edit = new QLineEdit(inputs_);
        named(edit, id);
        form->addWidget(label, row, 0);
        form->addWidget(edit, row++, 1);
    };
    editRow(knxAddress_, "7035", knxLabel_, "7050", "KNX phys. Address");
    editRow(systemId_, "7037", systemIdLabel_, "7077", "Corvane System-ID:");
    systemId_->setReadOnly(true);
    systemId_->setEnabled(false);
    editRow(deviceName_, "7041", deviceNameLabel_, "7070", "Device name:");
    deviceName_->setMaxLength(20);

    actingSceneLabel_ = new QLabel(QStringLiteral("Acting Scene"), inputs_);
    named(actingSceneLabel_, "7071");
    pause_ = new QRadioButton(QStringLiteral("Pause"), inputs_);
    named(pause_, "7044");
    stop_ = new QRadioButton(QStringLiteral("Stop"), inputs_);
    named(stop_, "7045");
    auto* sceneGroup = new QButtonGroup(this);
    sceneGroup->addButton(pause_);
    sceneGroup->addButton(stop_);
    auto* sceneRow = new QHBoxLayout;
    sceneRow->addWidget(pause_);
    sceneRow->addWidget(stop_);
    form->addWidget(actingSceneLabel_, row, 0);
    form->addLayout(sceneRow, row++, 1);

    repeater_ = new QCheckBox(QStringLiteral("EnOcean Repeater"), inputs_);
    named(repeater_, "7053");
    repeaterLevel2_ = new QCheckBox(QStringLiteral("Repeater Level 2"), inputs_);
    named(repeaterLevel2_, "7054");
    form->addWidget(repeater_, row, 0);
    form->addWidget(repeaterLevel2_, row++, 1);

    slaveBox_ = new QGroupBox(QStringLiteral("DMX-Slave"), inputs_);
    named(slaveBox_, "7075");
    out1_ = new QCheckBox(QStringLiteral("Out 1"), slaveBox_);
    named(out1_, "7074");
    out2_ = new QCheckBox(QStringLiteral("Out 2"), slaveBox_);
    named(out2_, "7076");
    auto* slaveLayout = new QHBoxLayout(slaveBox_);
    slaveLayout->addWidget(out1_);
    slaveLayout->addWidget(out2_);
    form->addWidget(slaveBox_, row++, 0, 1, 2);

    wlanBox_ = new QGroupBox(QStringLiteral("WLAN"), inputs_);
    named(wlanBox_, "7090");
    auto* wlan = new QGridLayout(wlanBox_);
    unsecured_ = new QRadioButton(QStringLiteral("unsecured"), wlanBox_);
    named(unsecured_, "7079");
    wep_ = new QRadioButton(QStringLiteral("WEP"), wlanBox_);
    named(wep_, "7080");
    wpa2_ = new QRadioButton(QStringLiteral("WPA2"), wlanBox_);
    named(wpa2_, "7081");
    wps_ = new QRadioButton(QStringLiteral("WPS"), wlanBox_);
    named(wps_, "7082");
    wps_->setVisible(false);  // WPS cannot be chosen; a stored WPS setting is only kept
    auto* encryptionGroup = new QButtonGroup(this);
    auto* radios = new QHBoxLayout;
    for (QRadioButton* r : {unsecured_, wep_, wpa2_, wps_}) {
        encryptionGroup->addButton(r);
        radios->addWidget(r);
    }
    wlan->addLayout(radios, 0, 0, 1, 2);
    ssidLabel_ = new QLabel(QStringLiteral("SSID:"), wlanBox_);
    named(ssidLabel_, "7085");
    ssid_ = new QLineEdit(wlanBox_);
    named(ssid_, "7086");
    ssid_->setMaxLength(32);
    wlan->addWidget(ssidLabel_, 1, 0);
    wlan->addWidget(ssid_, 1, 1);
    keyLabel_ = new QLabel(QStringLiteral("Key:"), wlanBox_);
    named(keyLabel_, "7087");
    wlan->addWidget(keyLabel_, 2, 0);
    int keyRow = 2;
    for (auto [edit, id, length] :
         {std::tuple{&key1_, "7083", 63}, std::tuple{&key2_, "7084", 13},
          std::tuple{&key3_, "7088", 13}, std::tuple{&key4_, "7089", 13}}) {
        *edit = new QLineEdit(wlanBox_);
        named(*edit, id);
        (*edit)->setEchoMode(QLineEdit::Password);
        (*edit)->setMaxLength(length);
        wlan->addWidget(*edit, keyRow++, 1);
    }
    form->addWidget(wlanBox_, row++, 0, 1, 2);
    form->setRowStretch(row, 1);

    auto* side = new QVBoxLayout;
    columns->addLayout(side, 2);
    side->addWidget(new QLabel(QStringLiteral("DMX-Gateways:"), inputs_));
    gatewayList_ = new QListWidget(inputs_);
    named(gatewayList_, "7039");
    gatewayList_->setSortingEnabled(true);
    side->addWidget(gatewayList_);
    search_ = new QPushButton(QStringLiteral("Search"), inputs_);
    named(search_, "7040");
    upload_ = new QPushButton(QStringLiteral("Upload"), inputs_);
    named(upload_, "7038");
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(search_);
    buttons->addWidget(upload_);
    side->addLayout(buttons);

    // Every click goes through the page's command routing with its control ID.
    const std::vector<std::pair<QAbstractButton*, int>> commands = {{dhcpBox_, 7004},
                                                                    {pause_, 7044},
                                                                    {stop_, 7045},
                                                                    {repeater_, 7053},
                                                                    {repeaterLevel2_, 7054},
                                                                    {out1_, 7074},
                                                                    {out2_, 7076},
                                                                    {unsecured_, 7079},
                                                                    {wep_, 7080},
                                                                    {wpa2_, 7081},
                                                                    {wps_, 7082},
                                                                    {search_, 7040},
                                                                    {upload_, 7038}};
    for (auto [button, id] : commands) {
        connect(button, &QAbstractButton::clicked, this, [this, id = id] { OnCommand(id); });
    }
    for (QLineEdit* edit :
         {knxAddress_, systemId_, deviceName_, key1_, key2_, key3_, key4_, ssid_}) {
        edit->installEventFilter(this);
    }
    connect(gatewayList_, &QListWidget::itemSelectionChanged, this,
            &CDeviceSettingsPage::OnGatewaySelectionChanged);
}

void CDeviceSettingsPage::InitPage() {
    const ConstBytes record = RecordBytes();
    const uint8_t flagsA = ReadU8(record, kFlagsA).value_or(0);
    const uint8_t flagsB = ReadU8(record, kFlagsB).value_or(0);

    dhcp_ = (flagsB & kFlagDhcp) != 0;
    dhcpBox_->setChecked(dhcp_);
    repeater_->setChecked((flagsB & kFlagRepeater) != 0);
    repeaterLevel2_->setChecked((flagsB & kFlagRepeaterLevel2) != 0);
    repeaterLevel2_->setEnabled(repeater_->isChecked());

    ((flagsB & kFlagPause) != 0 ? pause_ : stop_)->setChecked(true);
    out1_->setChecked((flagsA & kFlagSlaveOut1) != 0);
    out2_->setChecked((flagsA & kFlagSlaveOut2) != 0);

    multicast_->setEnabled(true);
    SyncDhcp();
    ipAddress_->SetAddress(ReadAddress(record, kIpAddress));
    defaultGateway_->SetAddress(ReadAddress(record, kDefaultGateway));
    subnet_->SetAddress(ReadAddress(record, kSubnetMask));
    multicast_->SetAddress(ReadAddress(record, kMulticast));

    knxAddress_->setText(QString::fromStdString(
        FormatPhysicalAddress(ReadU16(record, kPhysicalAddress).value_or(0))));
    systemId_->setText(QString::number(ReadU16(record, kSystemId).value_or(0)));
    deviceName_->setText(LoadText(record, kDeviceName, kDeviceNameSize));

    ApplyBusType();
    SetTexts();
    uploadEvent_ = AutoResetEvent::CreateOrOpen(std::string(protocol::kUploadEventName));
    initialised_ = true;
}

void CDeviceSettingsPage::ApplyBusType() {
    const ConstBytes record = RecordBytes();
    const bool enOcean = (ReadU8(record, kFlagsB).value_or(0) & kFlagEnOcean) != 0;
    const uint8_t flagsA = ReadU8(record, kFlagsA).value_or(0);
    const bool wlan = (flagsA & kFlagWlan) != 0;
    const bool masterSlave = (flagsA & kFlagMasterSlave) != 0;
    const std::initializer_list<QWidget*> wlanControls = {ssidLabel_, ssid_, keyLabel_, key1_,
                                                          key2_,      key3_, key4_,     wlanBox_,
                                                          unsecured_, wpa2_, wps_,      wep_};

    // A second initialisation starts from the full page again.
    SetShown({multicast_, multicastLabel_, knxLabel_, knxAddress_, slaveBox_, out1_, out2_,
              systemId_, systemIdLabel_, repeater_, repeaterLevel2_},
             true);
    SetShown(wlanControls, true);
    wps_->setVisible(false);

    if (enOcean && !wlan) {
        SetShown({multicast_, multicastLabel_, knxLabel_, knxAddress_, slaveBox_, out1_, out2_,
                  systemId_, systemIdLabel_},
                 false);
        SetShown(wlanControls, false);
        return;
    }
    if (enOcean)
        return;  // network-only layout: everything stays visible

    SetShown({repeater_, repeaterLevel2_}, false);
    if (!masterSlave)
        SetShown({slaveBox_, out1_, out2_}, false);
    if (!wlan) {
        knxLabel_->setText(Ui(Text::KnxPhysicalAddress));
        SetShown(wlanControls, false);
        return;
    }

    const ConstBytes settings = WlanBytes();
    QLineEdit* keys[] = {key1_, key2_, key3_, key4_};
    for (int i = 0; i < 4; ++i)
        keys[i]->setText(LoadText(settings, WepKeyOffset(i), kWlanWepKeySize));
    ssid_->setText(LoadText(settings, kWlanSsid, kWlanSsidSize));
    switch (settings[kWlanEncryption]) {
        case 1:
            wep_->setChecked(true);
            break;
        case 2:
            wpa2_->setChecked(true);
            key1_->setText(LoadText(settings, kWlanPassPhrase, kWlanPassPhraseSize));
            SetShown({key2_, key3_, key4_}, false);
            break;
        case 3:
            wps_->setChecked(true);
            SetShown({key1_, key2_, key3_, key4_, ssid_, ssidLabel_, keyLabel_}, false);
            break;
        default:  // 0, and any value the page does not know, is "unsecured"
            WlanBytes()[kWlanEncryption] = 0;
            unsecured_->setChecked(true);
            SetShown({keyLabel_, key1_, key2_, key3_, key4_}, false);
            break;
    }
}

void CDeviceSettingsPage::SetTexts() {
    deviceNameLabel_->setText(Ui(Text::DeviceName));
    upload_->setText(Ui(Text::Upload));
    search_->setText(Ui(Text::Search));
    actingSceneLabel_->setText(Ui(Text::ActingScene));
    ipLabel_->setText(Ui(Text::IpAddress));
    unsecured_->setText(Ui(Text::Unsecured));
}

void CDeviceSettingsPage::SyncDhcp() {
    dhcp_ = dhcpBox_->isChecked();
    for (CIpAddressCtrl* ctrl : {defaultGateway_, ipAddress_, subnet_})
        ctrl->setEnabled(!dhcp_);
}

void CDeviceSettingsPage::OnCommand(int id) {
    SyncDhcp();
    const MutableBytes record = RecordBytes();
    switch (id) {
        case 7038:
            UploadToGateway();
            break;
        case 7040:
            SearchGateways();
            break;
        case 7053:
            repeaterLevel2_->setEnabled(repeater_->isChecked());
            break;
        case 7074:
            SetFlag(record, kFlagsA, kFlagSlaveOut1, out1_->isChecked());
            break;
        case 7076:
            SetFlag(record, kFlagsA, kFlagSlaveOut2, out2_->isChecked());
            break;
        case 7079:
            if (unsecured_->isChecked())
                OnEncryptionChosen(0);
            break;
        case 7080:
            if (wep_->isChecked())
                OnEncryptionChosen(1);
            break;
        case 7081:
            if (wpa2_->isChecked())
                OnEncryptionChosen(2);
            break;
        case 7082:
            if (wps_->isChecked())
                OnEncryptionChosen(3);
            break;
        default:  // DHCP, Pause/Stop (kept exclusive by their group): the sync above is all
            break;
    }
}

void CDeviceSettingsPage::OnEncryptionChosen(uint8_t encryption) {
    WlanBytes()[kWlanEncryption] = encryption;
    const bool ssidShown = encryption != 3;
    SetShown({ssidLabel_, ssid_}, ssidShown);
    SetShown({keyLabel_, key1_}, encryption == 1 || encryption == 2);
    SetShown({key2_, key3_, key4_}, encryption == 1);
}

void CDeviceSettingsPage::OnLostFocus(int id) {
    SyncDhcp();
    const MutableBytes record = RecordBytes();
    const MutableBytes settings = WlanBytes();
    switch (id) {
        case 7035: {
            const auto stored = ReadU16(record, kPhysicalAddress);
            if (!stored)
                break;
            WriteU16(record, kPhysicalAddress,
                     ParsePhysicalAddress(knxAddress_->text().toStdString(), *stored));
            break;
        }
        case 7037:
            WriteU16(record, kSystemId,
                     static_cast<uint16_t>(LeadingNumber(systemId_->text().toStdString())));
            break;
        case 7041:
            StoreText(record, kDeviceName, kDeviceNameSize, deviceName_->text());
            break;
        case 7083:
            if (settings[kWlanEncryption] == 1) {
                StoreText(settings, WepKeyOffset(0), kWlanWepKeySize, key1_->text());
            } else {
                StoreText(settings, kWlanPassPhrase, kWlanPassPhraseSize, key1_->text());
            }
            break;
        case 7084:
            StoreText(settings, WepKeyOffset(1), kWlanWepKeySize, key2_->text());
            break;
        case 7088:
            StoreText(settings, WepKeyOffset(2), kWlanWepKeySize, key3_->text());
            break;
        case 7089:
            StoreText(settings, WepKeyOffset(3), kWlanWepKeySize, key4_->text());
            break;
        case 7086:
            StoreText(settings, kWlanSsid, kWlanSsidSize, ssid_->text());
            break;
        default:
            break;
    }
}

uint8_t CDeviceSettingsPage::FlagsBFromPage(uint8_t current) const {
    return static_cast<uint8_t>((current & 0xF0) | (dhcp_ ? kFlagDhcp : 0) |
                                (pause_->isChecked() ? kFlagPause : 0) |
                                (repeater_->isChecked() ? kFlagRepeater : 0) |
                                (repeaterLevel2_->isChecked() ? kFlagRepeaterLevel2 : 0));
}

void CDeviceSettingsPage::CopyNetworkSettings() {
    const MutableBytes record = RecordBytes();
    WriteAddress(record, kIpAddress, ipAddress_->Address());
    WriteAddress(record, kSubnetMask, subnet_->Address());
    WriteAddress(record, kDefaultGateway, defaultGateway_->Address());
    WriteAddress(record, kMulticast, multicast_->Address());
    if (const auto flagsB = ReadU8(record, kFlagsB)) {
        WriteU8(record, kFlagsB, FlagsBFromPage(*flagsB));
    }
}

void CDeviceSettingsPage::CommitToRecord() {
    // Before initialisation the controls hold nothing of the record: writing them would
    // overwrite it with blanks.
    if (!initialised_)
        return;
    const MutableBytes record = RecordBytes();
    if (record.size() < kHeaderSize)
        return;
    CopyNetworkSettings();
    SetFlag(record, kFlagsA, kFlagSlaveOut1, out1_->isChecked());
    SetFlag(record, kFlagsA, kFlagSlaveOut2, out2_->isChecked());

    const bool wlanRecord =
        (record[kFlagsB] & kFlagEnOcean) == 0 && (record[kFlagsA] & kFlagWlan) != 0;
    if (!wlanRecord)
        return;
    const MutableBytes settings = WlanBytes();
    if (unsecured_->isChecked()) {
        settings[kWlanEncryption] = 0;
    } else if (wep_->isChecked()) {
        settings[kWlanEncryption] = 1;
    } else if (wpa2_->isChecked()) {
        settings[kWlanEncryption] = 2;
    } else if (wps_->isChecked()) {
        settings[kWlanEncryption] = 3;
    }
    if (settings[kWlanEncryption] == 1) {
        const QLineEdit* keys[] = {key1_, key2_, key3_, key4_};
        for (int i = 0; i < 4; ++i)
            StoreText(settings, WepKeyOffset(i), kWlanWepKeySize, keys[i]->text());
    } else if (settings[kWlanEncryption] == 2) {
        StoreText(settings, kWlanPassPhrase, kWlanPassPhraseSize, key1_->text());
    }
    StoreText(settings, kWlanSsid, kWlanSsidSize, ssid_->text());
}

void CDeviceSettingsPage::hideEvent(QHideEvent* event) {
    CommitToRecord();
    QWidget::hideEvent(event);
}

void CDeviceSettingsPage::closeEvent(QCloseEvent* event) {
    for (int id : {7035, 7037, 7041, 7083, 7084, 7088, 7089, 7086})
        OnLostFocus(id);
    QWidget::closeEvent(event);
}

bool CDeviceSettingsPage::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut && initialised_) {
        if (auto* edit = qobject_cast<QLineEdit*>(watched))
            OnLostFocus(edit->objectName().toInt());
    }
    return QWidget::eventFilter(watched, event);
}

void CDeviceSettingsPage::AddGatewayLine(const QString& line) {
    if (!gatewayList_->findItems(line, Qt::MatchFixedString).isEmpty())
        return;
    gatewayList_->addItem(new GatewayLine(line));
}

void CDeviceSettingsPage::OnGatewaySelectionChanged() {
    const QList<QListWidgetItem*> selected = gatewayList_->selectedItems();
    const std::string address =
        selected.isEmpty() ? std::string()
                           : selected.front()->text().section(QLatin1Char(' '), 0, 0).toStdString();
    std::lock_guard lock(Module().GatewayLock);
    Module().GatewayAddress = address;
}

void CDeviceSettingsPage::SearchGateways() {
    {
        // Emptying the list is no change of the chosen gateway.
        const QSignalBlocker blocker(gatewayList_);
        gatewayList_->clear();
    }
    if (SendSearch)
        SendSearch();
}

void CDeviceSettingsPage::ShowMessage(int icon, const QString& caption, const QString& text) {
    QMessageBox box(static_cast<QMessageBox::Icon>(icon), caption, text, QMessageBox::Ok, this);
    box.exec();
}

bool CDeviceSettingsPage::AskAddressChange(const std::string& currentAddress) {
    const ConstBytes record = RecordBytes();
    const uint8_t last = ReadU8(record, kIpAddress + 3).value_or(0);
    if (last == 255) {
        ShowMessage(QMessageBox::NoIcon, Ui(Text::Attention), Ui(Text::InvalidIpAddress));
        return false;
    }
    // The current address as the list shows it, one octet between each pair of dots.
    const QStringList parts = QString::fromStdString(currentAddress).split(QLatin1Char('.'));
    bool same = true;
    for (size_t i = 0; i < 4; ++i) {
        const int32_t octet = i < static_cast<size_t>(parts.size())
                                  ? LeadingNumber(parts[static_cast<qsizetype>(i)].toStdString())
                                  : 0;
        same = same && octet == ReadU8(record, kIpAddress + i).value_or(0);
    }
    if (same)
        return true;
    QMessageBox box(QMessageBox::Warning, Ui(Text::Attention), Ui(Text::ReallyChangeAddress),
                    QMessageBox::Ok | QMessageBox::Cancel, this);
    return box.exec() == QMessageBox::Ok;
}

void CDeviceSettingsPage::ShowProgress(const UploadProgress& progress) {
    progress_->setText(QString::fromStdString(UploadProgressText(progress, Module().UiLanguage)));
    progress_->repaint();
}

void CDeviceSettingsPage::UploadToGateway() {
    // The waits repaint the dialog; nothing may start a second upload meanwhile.
    if (uploading_)
        return;
    const QList<QListWidgetItem*> selected = gatewayList_->selectedItems();
    if (selected.isEmpty())
        return;
    std::array<char, 260> hostName{};
    if (!LocalHostName(hostName.data(), static_cast<uint32_t>(hostName.size())))
        return;

    const QString line = selected.front()->text();
    if (!line.section(QLatin1Char(' '), -1).startsWith(QLatin1Char('2'))) {
        ShowMessage(QMessageBox::NoIcon, Ui(Text::Attention), Ui(Text::InvalidFirmware));
        return;
    }
    const std::string currentAddress = line.section(QLatin1Char(' '), 0, 0).toStdString();
    {
        std::lock_guard lock(Module().GatewayLock);
        Module().GatewayAddress = currentAddress;
    }
    upload_->setEnabled(false);
    SyncDhcp();
    CopyNetworkSettings();
    const bool confirmed = AskAddressChange(currentAddress);
    // The record is rebuilt whatever was decided, so it keeps the settings just copied.
    const bool fits = RebuildRecord ? RebuildRecord() : true;

    if (confirmed && fits) {
        // Read after the rebuild, which may have moved the record.
        const ModuleState& m = Module();
        const ConstBytes sceneList =
            m.SceneList != nullptr ? ConstBytes(m.SceneList, m.SceneListSize) : ConstBytes();
        const auto image = BuildUploadImage(sceneList, RecordBytes());
        std::unique_ptr<UploadTransport> transport =
            image && MakeUploadTransport ? MakeUploadTransport() : nullptr;
        if (transport) {
            uploading_ = true;
            inputs_->setEnabled(false);
            const UploadResult result =
                RunUpload(*image, currentAddress, *transport,
                          [this](const UploadProgress& progress) { ShowProgress(progress); });
            transport.reset();
            inputs_->setEnabled(true);
            progress_->clear();
            uploading_ = false;
            if (result == UploadResult::Done) {
                ShowMessage(QMessageBox::Information, Ui(Text::Information),
                            QStringLiteral("Upload done"));
            } else if (result == UploadResult::Failed) {
                ShowMessage(QMessageBox::Warning, Ui(Text::Information),
                            QStringLiteral("Upload failed"));
            }
        }
    }
    SearchGateways();
    upload_->setEnabled(true);
    // The gateway chosen for the upload stays the destination of DMX frames.
    const QSignalBlocker blocker(gatewayList_);
    gatewayList_->clearSelection();
}

}  // namespace halvex
