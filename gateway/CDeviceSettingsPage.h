// The network settings page: the gateway's address, DHCP, subnet, default gateway, multicast
// address, KNX physical address, system ID, device name, scene behaviour, EnOcean repeater,
// DMX-slave outputs and WLAN settings, plus the list of gateways found by "Search" and the
// "Upload" of the configuration to the selected one.
//
// Header fields live in Module().WorkingRecord and WLAN fields in Module().WlanSettings; the page
// writes them as the user edits, when it is hidden and when it is destroyed. Every control
// carries its numeric control ID as objectName.
#pragma once

#include <QWidget>

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>

#include "gateway/GatewayUpload.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;

namespace halvex {

class AutoResetEvent;
class CIpAddressCtrl;

class CDeviceSettingsPage : public QWidget {
    Q_OBJECT
public:
    explicit CDeviceSettingsPage(QWidget* parent = nullptr);
    ~CDeviceSettingsPage() override;

    // Fills the controls from the working record and WlanSettings and applies the bus type.
    void InitPage();
    // Writes addresses, flags and (WLAN records) the WLAN settings back.
    void CommitToRecord();

    QListWidget* GatewayList() { return gatewayList_; }
    // Adds a search response line unless an equal line (ignoring case) is already listed.
    void AddGatewayLine(const QString& line);

    // Rebuilds the working record from the dialog; false when it does not fit.
    std::function<bool()> RebuildRecord;
    // Broadcasts the search request (the network side by default; tests replace it).
    std::function<void()> SendSearch;
    // Makes the link an upload runs over (GatewayLink by default; tests replace it).
    std::function<std::unique_ptr<UploadTransport>()> MakeUploadTransport;

    Q_INVOKABLE void SearchGateways();
    Q_INVOKABLE void UploadToGateway();

protected:
    void hideEvent(QHideEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildControls();
    void ApplyBusType();
    void SetTexts();
    void OnCommand(int id);
    void OnLostFocus(int id);
    void OnEncryptionChosen(uint8_t encryption);
    void OnGatewaySelectionChanged();
    void SyncDhcp();
    void CopyNetworkSettings();
    uint8_t FlagsBFromPage(uint8_t current) const;
    bool AskAddressChange(const std::string& currentAddress);
    void ShowMessage(int icon, const QString& caption, const QString& text);
    void ShowProgress(const UploadProgress& progress);

    bool initialised_ = false;
    bool uploading_ = false;
    bool dhcp_ = false;  // the DHCP box as last taken over from the controls

    QWidget* inputs_ = nullptr;
    QCheckBox* dhcpBox_ = nullptr;
    CIpAddressCtrl* ipAddress_ = nullptr;
    CIpAddressCtrl* subnet_ = nullptr;
    CIpAddressCtrl* defaultGateway_ = nullptr;
    CIpAddressCtrl* multicast_ = nullptr;
    QLabel* ipLabel_ = nullptr;
    QLabel* multicastLabel_ = nullptr;
    QLabel* knxLabel_ = nullptr;
    QLineEdit* knxAddress_ = nullptr;
    QLabel* systemIdLabel_ = nullptr;
    QLineEdit* systemId_ = nullptr;
    QLabel* deviceNameLabel_ = nullptr;
    QLineEdit* deviceName_ = nullptr;
    QLabel* actingSceneLabel_ = nullptr;
    QRadioButton* pause_ = nullptr;
    QRadioButton* stop_ = nullptr;
    QCheckBox* repeater_ = nullptr;
    QCheckBox* repeaterLevel2_ = nullptr;
    QGroupBox* slaveBox_ = nullptr;
    QCheckBox* out1_ = nullptr;
    QCheckBox* out2_ = nullptr;
    QGroupBox* wlanBox_ = nullptr;
    QRadioButton* unsecured_ = nullptr;
    QRadioButton* wep_ = nullptr;
    QRadioButton* wpa2_ = nullptr;
    QRadioButton* wps_ = nullptr;
    QLabel* ssidLabel_ = nullptr;
    QLineEdit* ssid_ = nullptr;
    QLabel* keyLabel_ = nullptr;
    QLineEdit* key1_ = nullptr;
    QLineEdit* key2_ = nullptr;
    QLineEdit* key3_ = nullptr;
    QLineEdit* key4_ = nullptr;
    QListWidget* gatewayList_ = nullptr;
    QPushButton* search_ = nullptr;
    QPushButton* upload_ = nullptr;
    QLabel* progress_ = nullptr;
    std::shared_ptr<AutoResetEvent> uploadEvent_;
};

// The KNX physical address typed as area.line.device: parts are read like atoi (a part that is
// not a number counts as 0) and masked to 4, 4 and 8 bits. Without two distinct dots the
// stored address stays as it is.
uint16_t ParsePhysicalAddress(const std::string& text, uint16_t stored);
std::string FormatPhysicalAddress(uint16_t address);

// Leading decimal number of `text` like atoi: optional blanks and sign, then digits; else 0.
int32_t LeadingNumber(std::string_view text);

}  // namespace halvex
