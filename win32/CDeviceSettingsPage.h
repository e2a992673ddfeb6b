// The network settings page (template 110): the gateway's address, DHCP, subnet, default
// gateway, multicast address, KNX physical address, system ID, device name, scene behaviour,
// EnOcean repeater, DMX-slave outputs and WLAN settings, plus the list of gateways found by
// "Search" and the "Upload" of the configuration to the selected one.
//
// A view of NetworkSettings, GatewayList and UploadFlow: it copies its controls into the model
// before each user action, hands the action on, and shows what the model answers. Header fields
// live in the working record and WLAN fields in Module().WlanSettings.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "model/GatewayList.h"
#include "model/NetworkSettings.h"
#include "model/UploadFlow.h"
#include "win32/DialogWindow.h"

namespace halvex {

class AutoResetEvent;

class CDeviceSettingsPage : public DialogWindow {
public:
    CDeviceSettingsPage();
    ~CDeviceSettingsPage() override;

    // Creates the page window from `templateId` inside `parent` (hidden).
    bool Create(HWND parent, int templateId) { return CreateChild(templateId, parent); }
    // Writes addresses, flags and (WLAN records) the WLAN settings back.
    void CommitToRecord();
    const NetworkSettings& Settings() const { return settings_; }

    // Adds a search response line unless an equal line (ignoring case) is already listed.
    void AddGatewayLine(const std::string& line);

    // Rebuilds the working record from the dialog; false when it does not fit.
    std::function<bool()> RebuildRecord;

    void SearchGateways();
    void UploadToGateway();

protected:
    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    BOOL OnInitDialog() override;
    bool OnCommand(int id, int code, HWND control) override;

private:
    void Gather();
    void ShowFields();
    void ApplyState();
    void OnClick(int id);
    void OnLostFocus(int id);
    void OnGatewaySelectionChanged();
    void DriveUpload();
    bool ShowUploadMessage(const UploadMessage& message, bool question);

    NetworkSettings settings_;
    halvex::GatewayList gateways_;
    UploadFlow upload_;
    std::shared_ptr<AutoResetEvent> uploadEvent_;
};

}  // namespace halvex
