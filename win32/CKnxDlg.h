// The main configuration dialog of one scene object (template 103).
//
// Left: the catalogue of group addresses (KNX, WLAN) or learnt transmitters (EnOcean) in a
// tree; right: the page tab control with the six output pages and the network page. The
// dialog shows its DialogModel and forwards the user's actions to it; the model decides.
//
// Gateway messages come from the receive thread: they are queued and posted to the dialog's
// thread. A host (or test) assigns a catalogue entry as a drop would by sending the registered
// message "HalvexAssignEntry" with WPARAM MAKEWPARAM(output, page slot) and LPARAM the entry's
// number; the result is 1 when it was dropped, 0 when refused.
#pragma once

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "engine/net/GatewayEvents.h"
#include "model/DialogModel.h"
#include "win32/CDragTreeCtrl.h"
#include "win32/CPageTabCtrl.h"
#include "win32/DialogWindow.h"
#include "win32/WinUi.h"

namespace halvex {

class CDeviceSettingsPage;

class CKnxDlg : public DialogWindow, public GatewayEventSink {
public:
    CKnxDlg();
    ~CKnxDlg() override;

    // Before the dialog runs: the model empties the catalogue and reads the record's names.
    void PrepareCatalogue();
    // Tells the dialog that the listening socket could not be opened.
    void SetListenFailed(bool failed) { listenFailed_ = failed; }
    // A warning the dialog shows above itself once it is up.
    void SetStartWarning(std::string caption, std::string text);
    // Runs the dialog modally above `owner`; true when it ended with OK.
    bool Run(HWND owner);

    // Rebuilds the working record from the trees and tables. False when it would not fit;
    // the user has then been told and the record is unchanged.
    bool RebuildRecord();

    void OnTreeRightClick(CDragTreeCtrl* clicked);
    void ImportEsf();
    bool ImportEsfFile(const std::wstring& path);
    // Drags catalogue entry `number` onto output `output` of the page in slot `slot`, as a
    // user would; false when the drop is refused.
    bool AssignEntry(int slot, int output, int number);

    // Receive-thread side of the gateway messages: posts to the dialog's thread.
    void OnSearchResponse(const std::string& line) override;
    void OnTransmitterReport(const Telegram& telegram) override;

    DialogModel& Model() { return model_; }
    CPageTabCtrl& PageTabs() { return tabs_; }
    CDeviceSettingsPage* SettingsPage() const;
    // The tree control showing `id`, or null when the layout has none.
    CDragTreeCtrl* TreeCtrl(TreeId id);

protected:
    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    BOOL OnInitDialog() override;
    bool OnCommand(int id, int code, HWND control) override;
    bool PreTranslate(MSG& message) override;

private:
    using GatewayEvent = std::variant<std::string, Telegram>;

    void OnOk();
    void Warn(Text text);
    void ShowStartMessages();
    void Post(GatewayEvent event);
    void ApplyGatewayEvents();

    DialogModel model_;
    std::unique_ptr<ImageList> images_;
    CDragTreeCtrl tree_;
    CPageTabCtrl tabs_;
    bool listenFailed_ = false;
    std::optional<std::pair<std::string, std::string>> startWarning_;

    std::mutex eventsLock_;
    HWND eventsWindow_ = nullptr;  // the window events are posted to; null when it is gone
    std::vector<GatewayEvent> events_;
    bool eventsPosted_ = false;
};

}  // namespace halvex
