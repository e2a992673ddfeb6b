// The network settings page: the gateway's address, DHCP, subnet, default gateway, multicast
// address, KNX physical address, system ID, device name, scene behaviour, EnOcean repeater,
// DMX-slave outputs and WLAN settings, plus the list of gateways found by "Search" and the
// "Upload" of the configuration to the selected one.
//
// A view of NetworkSettings, GatewayList and UploadFlow: it copies its controls into the
// model before each user action, hands the action on, and shows what the model answers. Header
// fields live in Module().WorkingRecord and WLAN fields in Module().WlanSettings. Every
// control carries its control ID (model/ControlIds.h) as objectName.
#pragma once

#include <QWidget>

#include <array>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "engine/net/GatewayUpload.h"
#include "model/GatewayList.h"
#include "model/NetworkSettings.h"
#include "model/UploadFlow.h"

class QCheckBox;
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
    const NetworkSettings& Settings() const { return settings_; }

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
    void Gather();
    void ShowFields();
    void ApplyState();
    void OnCommand(int id);
    void OnLostFocus(int id);
    void OnGatewaySelectionChanged();
    void DriveUpload();
    bool ShowMessage(const UploadMessage& message, bool question);

    NetworkSettings settings_;
    halvex::GatewayList gateways_;
    UploadFlow upload_;

    std::vector<std::pair<int, QWidget*>> controls_;  // every control with its ID
    QWidget* inputs_ = nullptr;
    QCheckBox* dhcpBox_ = nullptr;
    CIpAddressCtrl* ipAddress_ = nullptr;
    CIpAddressCtrl* subnet_ = nullptr;
    CIpAddressCtrl* defaultGateway_ = nullptr;
    CIpAddressCtrl* multicast_ = nullptr;
    QLineEdit* knxAddress_ = nullptr;
    QLineEdit* systemId_ = nullptr;
    QLineEdit* deviceName_ = nullptr;
    QRadioButton* pause_ = nullptr;
    QRadioButton* stop_ = nullptr;
    QCheckBox* repeater_ = nullptr;
    QCheckBox* repeaterLevel2_ = nullptr;
    QCheckBox* out1_ = nullptr;
    QCheckBox* out2_ = nullptr;
    std::array<QRadioButton*, 4> encryption_{};  // unsecured, WEP, WPA2, WPS
    QLineEdit* ssid_ = nullptr;
    std::array<QLineEdit*, 4> keys_{};
    QListWidget* gatewayList_ = nullptr;
    QPushButton* uploadButton_ = nullptr;
    QLabel* progress_ = nullptr;
    std::shared_ptr<AutoResetEvent> uploadEvent_;
};

}  // namespace halvex
