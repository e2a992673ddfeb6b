#include "win32/CDeviceSettingsPage.h"

#include <commctrl.h>

#include <array>
#include <utility>

#include "engine/ModuleState.h"
#include "engine/net/AutoResetEvent.h"
#include "engine/net/GatewayProtocol.h"
#include "engine/net/GatewaySearch.h"
#include "model/ControlIds.h"
#include "model/DialogCall.h"
#include "win32/WinUi.h"

namespace halvex {
namespace {

// Every control the model shows, hides, enables or labels.
constexpr std::array kControls = {ids::kDhcp,           ids::kIpAddressLabel,
                                  ids::kIpAddress,      ids::kSubnet,
                                  ids::kDefaultGateway, ids::kMulticastLabel,
                                  ids::kMulticast,      ids::kKnxAddressLabel,
                                  ids::kKnxAddress,     ids::kSystemIdLabel,
                                  ids::kSystemId,       ids::kDeviceNameLabel,
                                  ids::kDeviceName,     ids::kActingSceneLabel,
                                  ids::kPause,          ids::kStop,
                                  ids::kRepeater,       ids::kRepeaterLevel2,
                                  ids::kSlaveBox,       ids::kSlaveOut1,
                                  ids::kSlaveOut2,      ids::kWlanBox,
                                  ids::kUnsecured,      ids::kWep,
                                  ids::kWpa2,           ids::kWps,
                                  ids::kSsidLabel,      ids::kSsid,
                                  ids::kKeyLabel,       ids::kKey1,
                                  ids::kKey2,           ids::kKey3,
                                  ids::kKey4,           ids::kGatewayList,
                                  ids::kSearch,         ids::kUpload};

// The edits that limit what they take, with their limits in characters.
constexpr std::array<std::pair<int, WPARAM>, 6> kEditLimits = {{{ids::kDeviceName, 20},
                                                                {ids::kSsid, 32},
                                                                {ids::kKey1, 63},
                                                                {ids::kKey2, 13},
                                                                {ids::kKey3, 13},
                                                                {ids::kKey4, 13}}};

constexpr std::array<int, 4> kKeys = {ids::kKey1, ids::kKey2, ids::kKey3, ids::kKey4};
constexpr std::array<int, 2> kSceneBehaviour = {ids::kPause, ids::kStop};

// Messages that the page handles while an upload waits: painting, timers, posted and sent
// messages; user input waits until the upload is over.
void PumpWithoutInput() {
    MSG message;
    for (int i = 0;
         i < 256 && PeekMessageW(&message, nullptr, 0, 0,
                                 PM_REMOVE | PM_QS_PAINT | PM_QS_POSTMESSAGE | PM_QS_SENDMESSAGE);
         ++i) {
        if (message.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(message.wParam));
            return;
        }
        DispatchMessageW(&message);
    }
}

MutableBytes WlanBytes() {
    return Module().WlanSettings;
}

std::array<uint8_t, 4> Address(HWND page, int id) {
    DWORD address = 0;
    SendDlgItemMessageW(page, id, IPM_GETADDRESS, 0, reinterpret_cast<LPARAM>(&address));
    return {static_cast<uint8_t>(FIRST_IPADDRESS(address)),
            static_cast<uint8_t>(SECOND_IPADDRESS(address)),
            static_cast<uint8_t>(THIRD_IPADDRESS(address)),
            static_cast<uint8_t>(FOURTH_IPADDRESS(address))};
}

void SetAddress(HWND page, int id, const std::array<uint8_t, 4>& a) {
    SendDlgItemMessageW(page, id, IPM_SETADDRESS, 0,
                        static_cast<LPARAM>(MAKEIPADDRESS(a[0], a[1], a[2], a[3])));
}

// A chosen radio of a set whose buttons are each their own group un-chooses the others.
template <size_t N>
void ChooseOnly(HWND page, int clicked, const std::array<int, N>& set) {
    if (!IsChecked(page, clicked))
        return;
    for (int id : set) {
        if (id != clicked)
            SetChecked(page, id, false);
    }
}

template <size_t N>
bool Contains(const std::array<int, N>& set, int id) {
    for (int member : set) {
        if (member == id)
            return true;
    }
    return false;
}

}  // namespace

CDeviceSettingsPage::CDeviceSettingsPage()
    : upload_(ModuleUploadHooks(
          [this] {
              Gather();
              settings_.CopyNetworkSettings(WorkingRecordBytes());
          },
          [this] { return RebuildRecord ? RebuildRecord() : true; },
          []() -> std::unique_ptr<UploadTransport> {
              return std::make_unique<GatewayUploadTransport>(ModuleGateway(), PumpWithoutInput);
          })) {}

CDeviceSettingsPage::~CDeviceSettingsPage() {
    // The window goes first, while this page can still commit.
    if (hwnd_ != nullptr)
        DestroyWindow(hwnd_);
}

BOOL CDeviceSettingsPage::OnInitDialog() {
    settings_.Load(WorkingRecordBytes(), WlanBytes());
    for (const auto& [id, limit] : kEditLimits)
        SendDlgItemMessageW(hwnd_, id, EM_LIMITTEXT, limit, 0);
    ShowFields();
    const uint8_t language = Module().UiLanguage;
    for (int id : kControls) {
        if (const auto text = settings_.TextOf(id))
            SetControlText(hwnd_, id, UiText(*text, language));
    }
    ApplyState();
    uploadEvent_ = AutoResetEvent::CreateOrOpen(std::string(protocol::kUploadEventName));
    // A hidden page takes no focus; the main dialog sets it.
    return FALSE;
}

INT_PTR CDeviceSettingsPage::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_SHOWWINDOW:
            if (wParam == FALSE)
                CommitToRecord();
            return FALSE;
        case WM_DESTROY:
            CommitToRecord();
            return FALSE;
        case WM_CLOSE:
            Gather();
            settings_.Close(WorkingRecordBytes(), WlanBytes());
            return FALSE;
        default:
            return DialogWindow::OnMessage(message, wParam, lParam);
    }
}

bool CDeviceSettingsPage::OnCommand(int id, int code, HWND control) {
    if (control == nullptr)
        return true;  // Enter and Escape inside the page never end or hide it
    if (code == BN_CLICKED && Contains(kControls, id)) {
        OnClick(id);
    } else if (code == EN_KILLFOCUS) {
        OnLostFocus(id);
    } else if (code == LBN_SELCHANGE && id == ids::kGatewayList) {
        OnGatewaySelectionChanged();
    }
    return true;
}

void CDeviceSettingsPage::Gather() {
    NetworkFields& f = settings_.Fields();
    f.dhcp = IsChecked(hwnd_, ids::kDhcp);
    f.ipAddress = Address(hwnd_, ids::kIpAddress);
    f.subnet = Address(hwnd_, ids::kSubnet);
    f.defaultGateway = Address(hwnd_, ids::kDefaultGateway);
    f.multicast = Address(hwnd_, ids::kMulticast);
    f.knxAddress = ControlText(hwnd_, ids::kKnxAddress);
    f.systemId = ControlText(hwnd_, ids::kSystemId);
    f.deviceName = ControlText(hwnd_, ids::kDeviceName);
    f.pause = IsChecked(hwnd_, ids::kPause);
    f.repeater = IsChecked(hwnd_, ids::kRepeater);
    f.repeaterLevel2 = IsChecked(hwnd_, ids::kRepeaterLevel2);
    f.slaveOut1 = IsChecked(hwnd_, ids::kSlaveOut1);
    f.slaveOut2 = IsChecked(hwnd_, ids::kSlaveOut2);
    for (uint8_t i = 0; i < kEncryptionRadios.size(); ++i) {
        if (IsChecked(hwnd_, kEncryptionRadios[i]))
            f.encryption = i;
    }
    f.ssid = ControlText(hwnd_, ids::kSsid);
    for (size_t i = 0; i < kKeys.size(); ++i)
        f.keys[i] = ControlText(hwnd_, kKeys[i]);
}

void CDeviceSettingsPage::ShowFields() {
    const NetworkFields& f = settings_.Fields();
    SetChecked(hwnd_, ids::kDhcp, f.dhcp);
    SetAddress(hwnd_, ids::kIpAddress, f.ipAddress);
    SetAddress(hwnd_, ids::kSubnet, f.subnet);
    SetAddress(hwnd_, ids::kDefaultGateway, f.defaultGateway);
    SetAddress(hwnd_, ids::kMulticast, f.multicast);
    SetControlText(hwnd_, ids::kKnxAddress, f.knxAddress);
    SetControlText(hwnd_, ids::kSystemId, f.systemId);
    SetControlText(hwnd_, ids::kDeviceName, f.deviceName);
    SetChecked(hwnd_, ids::kPause, f.pause);
    SetChecked(hwnd_, ids::kStop, !f.pause);
    SetChecked(hwnd_, ids::kRepeater, f.repeater);
    SetChecked(hwnd_, ids::kRepeaterLevel2, f.repeaterLevel2);
    SetChecked(hwnd_, ids::kSlaveOut1, f.slaveOut1);
    SetChecked(hwnd_, ids::kSlaveOut2, f.slaveOut2);
    if (f.encryption) {
        for (uint8_t i = 0; i < kEncryptionRadios.size(); ++i)
            SetChecked(hwnd_, kEncryptionRadios[i], i == *f.encryption);
    }
    SetControlText(hwnd_, ids::kSsid, f.ssid);
    for (size_t i = 0; i < kKeys.size(); ++i)
        SetControlText(hwnd_, kKeys[i], f.keys[i]);
}

void CDeviceSettingsPage::ApplyState() {
    const bool inputs = upload_.InputsEnabled();
    for (int id : kControls) {
        HWND control = GetDlgItem(hwnd_, id);
        ShowWindow(control, settings_.Shown(id) ? SW_SHOWNA : SW_HIDE);
        bool enabled = settings_.Enabled(id) && inputs;
        if (id == ids::kUpload)
            enabled = enabled && upload_.UploadEnabled();
        EnableWindow(control, enabled ? TRUE : FALSE);
    }
}

void CDeviceSettingsPage::OnClick(int id) {
    if (Contains(kSceneBehaviour, id))
        ChooseOnly(hwnd_, id, kSceneBehaviour);
    if (Contains(kEncryptionRadios, id))
        ChooseOnly(hwnd_, id, kEncryptionRadios);
    Gather();
    settings_.Click(id, WorkingRecordBytes(), WlanBytes());
    ApplyState();
    if (id == ids::kUpload) {
        UploadToGateway();
    } else if (id == ids::kSearch) {
        SearchGateways();
    }
}

void CDeviceSettingsPage::OnLostFocus(int id) {
    Gather();
    settings_.LostFocus(id, WorkingRecordBytes(), WlanBytes());
    ApplyState();
}

void CDeviceSettingsPage::CommitToRecord() {
    if (hwnd_ == nullptr)
        return;
    Gather();
    settings_.Commit(WorkingRecordBytes(), WlanBytes());
}

void CDeviceSettingsPage::AddGatewayLine(const std::string& line) {
    const auto row = gateways_.Add(line);
    if (!row)
        return;
    const std::wstring text = Widen(line);
    HWND list = GetDlgItem(hwnd_, ids::kGatewayList);
    SendMessageW(list, LB_INSERTSTRING, *row, reinterpret_cast<LPARAM>(text.c_str()));
    // The list scrolls sideways as far as its longest line reaches.
    HDC dc = GetDC(list);
    HGDIOBJ font =
        SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(list, WM_GETFONT, 0, 0)));
    SIZE size{};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    SelectObject(dc, font);
    ReleaseDC(list, dc);
    const auto extent = static_cast<WPARAM>(size.cx + 8);
    if (extent > static_cast<WPARAM>(SendMessageW(list, LB_GETHORIZONTALEXTENT, 0, 0)))
        SendMessageW(list, LB_SETHORIZONTALEXTENT, extent, 0);
}

void CDeviceSettingsPage::OnGatewaySelectionChanged() {
    const LRESULT row = SendDlgItemMessageW(hwnd_, ids::kGatewayList, LB_GETCURSEL, 0, 0);
    std::optional<size_t> selected;
    if (row != LB_ERR)
        selected = static_cast<size_t>(row);
    ChooseGateway(gateways_.AddressOf(selected));
}

void CDeviceSettingsPage::SearchGateways() {
    // Emptying the list is no change of the chosen gateway (no selection notification).
    SendDlgItemMessageW(hwnd_, ids::kGatewayList, LB_RESETCONTENT, 0, 0);
    gateways_.Clear();
    SendSearchRequest(ModuleGateway());
}

bool CDeviceSettingsPage::ShowUploadMessage(const UploadMessage& message, bool question) {
    static constexpr UINT kIcons[] = {0, MB_ICONINFORMATION, MB_ICONEXCLAMATION};
    const UINT style = kIcons[static_cast<int>(message.icon)] | (question ? MB_OKCANCEL : MB_OK);
    return ShowMessage(hwnd_, message.caption, message.text, style) == IDOK;
}

void CDeviceSettingsPage::UploadToGateway() {
    const LRESULT row = SendDlgItemMessageW(hwnd_, ids::kGatewayList, LB_GETCURSEL, 0, 0);
    std::optional<std::string> line;
    if (row != LB_ERR && static_cast<size_t>(row) < gateways_.Lines().size())
        line = gateways_.Lines()[static_cast<size_t>(row)];
    if (upload_.Start(line, Module().UiLanguage))
        DriveUpload();
}

void CDeviceSettingsPage::DriveUpload() {
    upload_.Drive({
        .refresh = [this] { ApplyState(); },
        .show = [this](const UploadMessage& message,
                       bool question) { return ShowUploadMessage(message, question); },
        .progress =
            [this](const std::string& text) {
                SetControlText(hwnd_, ids::kUploadProgress, text);
                UpdateWindow(GetDlgItem(hwnd_, ids::kUploadProgress));
            },
        .searchAgain =
            [this] {
                SearchGateways();
                // The gateway chosen for the upload stays the destination of DMX frames.
                SendDlgItemMessageW(hwnd_, ids::kGatewayList, LB_SETCURSEL, static_cast<WPARAM>(-1),
                                    0);
            },
    });
}

}  // namespace halvex
