#include "win32/CKnxDlg.h"

#include <commdlg.h>

#include <array>

#include "engine/ModuleState.h"
#include "model/ControlIds.h"
#include "model/GroupEntry.h"
#include "win32/CDeviceSettingsPage.h"
#include "win32/CGroupAddressDlg.h"
#include "win32/COutputPage.h"
#include "win32/GroupNumberDlg.h"
#include "win32/resource.h"

namespace halvex {
namespace {

constexpr UINT kGatewayEventsMessage = WM_APP + 1;
constexpr UINT kStartMessagesMessage = WM_APP + 2;

// The catalogue tree, in pixels of the dialog's client area.
constexpr RECT kTreeRect = {5, 25, 340, 445};

// Files larger than this are no group-address export; they are refused like unreadable ones.
constexpr LONGLONG kMaxImportSize = 256LL * 1024 * 1024;

UINT AssignEntryMessage() {
    static const UINT message = RegisterWindowMessageW(L"HalvexAssignEntry");
    return message;
}

// One filter of the file-open dialog from its label: the patterns are the label's last
// parenthesis, "(*.esf *.xml)" giving "*.esf;*.xml".
std::wstring FileFilter(std::string_view label) {
    std::string patterns;
    const size_t open = label.rfind('(');
    const size_t close = label.rfind(')');
    if (open != std::string_view::npos && close != std::string_view::npos && open < close)
        patterns = std::string(label.substr(open + 1, close - open - 1));
    for (char& c : patterns) {
        if (c == ' ')
            c = ';';
    }
    std::wstring filter = Widen(label);
    filter += L'\0';
    filter += Widen(patterns);
    filter += L'\0';
    return filter;
}

// The whole file, opened without sharing; nothing when it cannot be read.
std::optional<std::string> ReadWholeFile(const std::wstring& path) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return std::nullopt;
    std::optional<std::string> bytes;
    LARGE_INTEGER size{};
    if (GetFileSizeEx(file, &size) && size.QuadPart <= kMaxImportSize) {
        std::string data(static_cast<size_t>(size.QuadPart), '\0');
        DWORD read = 0;
        size_t done = 0;
        while (done < data.size() &&
               ReadFile(file, data.data() + done, static_cast<DWORD>(data.size() - done), &read,
                        nullptr) &&
               read > 0) {
            done += read;
        }
        data.resize(done);
        bytes = std::move(data);
    }
    CloseHandle(file);
    return bytes;
}

}  // namespace

CKnxDlg::CKnxDlg() = default;

CKnxDlg::~CKnxDlg() {
    ModuleState& m = Module();
    if (m.Events == this)
        m.Events = nullptr;
    if (hwnd_ != nullptr)
        DestroyWindow(hwnd_);
}

void CKnxDlg::PrepareCatalogue() {
    model_.Prepare();
}

void CKnxDlg::SetStartWarning(std::string caption, std::string text) {
    startWarning_.emplace(std::move(caption), std::move(text));
}

bool CKnxDlg::Run(HWND owner) {
    return RunModal(IDD_KNX, owner) == IDOK;
}

CDeviceSettingsPage* CKnxDlg::SettingsPage() const {
    return tabs_.PageCreated(kSettingsSlot) ? tabs_.SettingsPage() : nullptr;
}

CDragTreeCtrl* CKnxDlg::TreeCtrl(TreeId id) {
    if (id == TreeId::Catalogue)
        return &tree_;
    const int slot = static_cast<int>(id) - 1;
    return tabs_.PageCreated(slot) ? &tabs_.OutputPage(slot)->Tree() : nullptr;
}

BOOL CKnxDlg::OnInitDialog() {
    ModuleState& m = Module();
    model_.Load();
    const DialogLayout layout = model_.Layout();
    tabs_.Attach(GetDlgItem(hwnd_, ids::kPageTabs));
    for (const std::string& label : layout.tabs)
        tabs_.InsertItem(label);
    // The network page rebuilds the record before an upload; its window may come later.
    tabs_.SettingsPage()->RebuildRecord = [this] { return RebuildRecord(); };
    tabs_.CreatePages(model_);

    SetChecked(hwnd_, ids::kPreview1, model_.Flag(RecordFlag::Preview1));
    SetChecked(hwnd_, ids::kPreview2, model_.Flag(RecordFlag::Preview2));
    SetChecked(hwnd_, ids::kSoftOnOff, model_.Flag(RecordFlag::SoftOnOff));

    images_ =
        std::make_unique<ImageList>(std::vector<int>{IDB_DEVICE, IDB_MAIN_GROUP, IDB_MIDDLE_GROUP,
                                                     IDB_GROUP_ADDRESS, IDB_TRANSMITTER},
                                    5);
    tree_.Create(hwnd_, kTreeRect,
                 TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT | TVS_SHOWSELALWAYS |
                     TVS_TRACKSELECT | (layout.editLabels ? TVS_EDITLABELS : 0),
                 images_->Handle());
    // In the tab order the tree follows the texts above it.
    SetWindowPos(tree_.Handle(), GetDlgItem(hwnd_, ids::kProjectName), 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    tree_.ShowModel(&model_, TreeId::Catalogue);
    ShowWindow(tree_.Handle(), layout.catalogueVisible ? SW_SHOW : SW_HIDE);
    for (TreeId id : {TreeId::Catalogue, TreeId::Scene1, TreeId::Scene2, TreeId::Dimmer1,
                      TreeId::Dimmer2, TreeId::Device1, TreeId::Device2}) {
        if (CDragTreeCtrl* tree = TreeCtrl(id))
            tree->OnRightClick = [this](CDragTreeCtrl* clicked) { OnTreeRightClick(clicked); };
    }

    ShowControl(hwnd_, ids::kImportEsf, layout.importVisible);
    SetControlText(hwnd_, ids::kCatalogueHeading, layout.heading);
    if (!layout.title.empty())
        SetWindowTextW(hwnd_, Widen(layout.title).c_str());
    SetControlText(hwnd_, ids::kPreviewLabel, UiText(Text::Preview));

    m.EnOceanRecordOpen = model_.Mode() == BusMode::EnOcean;
    {
        std::lock_guard lock(eventsLock_);
        eventsWindow_ = hwnd_;
    }
    m.Events = this;
    // Shown once the dialog is up, like messages from its initialisation.
    if (listenFailed_ || startWarning_)
        PostMessageW(hwnd_, kStartMessagesMessage, 0, 0);
    return TRUE;
}

void CKnxDlg::ShowStartMessages() {
    if (listenFailed_) {
        ShowMessage(hwnd_, UiText(Text::Information), UiText(Text::UnableToOpenSocket),
                    MB_OK | MB_ICONINFORMATION);
    }
    if (startWarning_) {
        ShowMessage(hwnd_, startWarning_->first, startWarning_->second, MB_OK | MB_ICONEXCLAMATION);
    }
}

INT_PTR CKnxDlg::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == AssignEntryMessage()) {
        return DialogResult(
            hwnd_, AssignEntry(HIWORD(wParam), LOWORD(wParam), static_cast<int>(lParam)) ? 1 : 0);
    }
    switch (message) {
        case WM_NOTIFY:
            return CDragTreeCtrl::ReflectNotify(hwnd_, lParam);
        case kGatewayEventsMessage:
            ApplyGatewayEvents();
            return TRUE;
        case kStartMessagesMessage:
            ShowStartMessages();
            return TRUE;
        case WM_CLOSE:
            EndModal(IDCANCEL);
            return TRUE;
        case WM_DESTROY: {
            std::lock_guard lock(eventsLock_);
            eventsWindow_ = nullptr;
            events_.clear();
            return FALSE;
        }
        default:
            return DialogWindow::OnMessage(message, wParam, lParam);
    }
}

bool CKnxDlg::PreTranslate(MSG& message) {
    CDragTreeCtrl::TranslateEnter(message);
    return false;
}

bool CKnxDlg::OnCommand(int id, int code, HWND) {
    switch (id) {
        case ids::kOk:
            OnOk();
            return true;
        case ids::kCancel:
            EndModal(IDCANCEL);
            return true;
        case IDOK:
            // Enter does nothing here: only "OK" stores the configuration.
            return true;
        case IDCANCEL:
            // Escape inside a page never ends the dialog; elsewhere it cancels.
            if (!IsChild(tabs_.Handle(), GetFocus()))
                EndModal(IDCANCEL);
            return true;
        case ids::kImportEsf:
            if (code == BN_CLICKED)
                ImportEsf();
            return true;
        case ids::kPreview1:
            model_.SetFlag(RecordFlag::Preview1, IsChecked(hwnd_, id));
            return true;
        case ids::kPreview2:
            model_.SetFlag(RecordFlag::Preview2, IsChecked(hwnd_, id));
            return true;
        case ids::kSoftOnOff:
            model_.SetFlag(RecordFlag::SoftOnOff, IsChecked(hwnd_, id));
            return true;
        default:
            return false;
    }
}

bool CKnxDlg::RebuildRecord() {
    switch (model_.Rebuild()) {
        case DialogModel::RebuildResult::Stored:
            return true;
        case DialogModel::RebuildResult::TooLarge:
            ShowMessage(hwnd_, UiText(Text::Attention),
                        ExtraUiText(ExtraText::ConfigurationTooLarge), MB_OK | MB_ICONEXCLAMATION);
            return false;
        case DialogModel::RebuildResult::Failed:
            break;
    }
    return false;
}

void CKnxDlg::OnOk() {
    // The network page writes some of its values only when it is hidden; the rebuild must see
    // them, so the page commits first. A page not shown yet is made for it, so that OK stores
    // the same bytes whether the user looked at the page or not.
    tabs_.EnsurePage(kSettingsSlot);
    if (CDeviceSettingsPage* page = SettingsPage())
        page->CommitToRecord();
    if (!RebuildRecord())
        return;
    EndModal(IDOK);
}

void CKnxDlg::Warn(Text text) {
    ShowMessage(hwnd_, UiText(Text::Attention), UiText(text), MB_OKCANCEL | MB_ICONEXCLAMATION);
}

void CKnxDlg::OnTreeRightClick(CDragTreeCtrl* clicked) {
    if (clicked == nullptr)
        return;
    const TreeNode* selected = clicked->SelectedNode();
    Catalogue& catalogue = model_.catalogue;
    const ModuleState& m = Module();
    AddOutcome outcome;
    switch (model_.RightClickAction(selected)) {
        case CatalogueAction::None:
            return;
        case CatalogueAction::AddMainGroup: {
            CMainGroupDlg dialog;
            if (dialog.Run(hwnd_) != GroupNumberDlg::kOk)
                return;
            outcome = catalogue.AddMainGroup(m.EnteredNumber, m.EnteredName);
            break;
        }
        case CatalogueAction::AddMiddleGroup: {
            CMiddleGroupDlg dialog;
            if (dialog.Run(hwnd_) != GroupNumberDlg::kOk)
                return;
            outcome = catalogue.AddMiddleGroup(selected, m.EnteredNumber, m.EnteredName);
            break;
        }
        case CatalogueAction::AddGroupAddress: {
            CGroupAddressDlg dialog(catalogue.GroupAddressIsThreeLevel(selected));
            dialog.SetChoice(0);
            if (dialog.Run(hwnd_) != GroupNumberDlg::kOk)
                return;
            outcome = catalogue.AddGroupAddress(selected, m.EnteredNumber, m.EnteredName,
                                                ObjectTypeOfChoice(dialog.Choice()));
            break;
        }
    }
    if (outcome.warning)
        Warn(*outcome.warning);
}

void CKnxDlg::ImportEsf() {
    // The button keeps its name; the file may be any of the ETS exports the import recognises.
    const std::wstring filter = FileFilter(ExtraUiText(ExtraText::ImportFileFilter)) +
                                FileFilter("ETS-OPC export Files (*.esf)");
    std::wstring path(32768, L'\0');
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = hwnd_;
    dialog.lpstrFilter = filter.c_str();
    dialog.lpstrFile = path.data();
    dialog.nMaxFile = static_cast<DWORD>(path.size());
    dialog.lpstrDefExt = L"esf";
    dialog.Flags =
        OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
    if (!GetOpenFileNameW(&dialog))
        return;
    path.resize(wcslen(path.c_str()));
    ImportEsfFile(path);
}

bool CKnxDlg::ImportEsfFile(const std::wstring& path) {
    const std::optional<std::string> bytes = ReadWholeFile(path);
    if (!bytes)
        return false;
    const ImportOutcome outcome = model_.ImportFile(*bytes);
    if (outcome.imported)
        SetControlText(hwnd_, ids::kProjectName, model_.catalogue.ProjectName);
    if (!outcome.message.empty()) {
        ShowMessage(hwnd_, UiText(outcome.imported ? Text::Information : Text::Attention),
                    outcome.message,
                    MB_OK | (outcome.imported ? MB_ICONINFORMATION : MB_ICONEXCLAMATION));
    }
    return outcome.imported;
}

bool CKnxDlg::AssignEntry(int slot, int output, int number) {
    return model_.AssignEntry(slot, output, number);
}

void CKnxDlg::Post(GatewayEvent event) {
    std::lock_guard lock(eventsLock_);
    if (eventsWindow_ == nullptr)
        return;
    events_.push_back(std::move(event));
    // One posted message drains the whole queue; a failed post is tried again with the next.
    if (!eventsPosted_)
        eventsPosted_ = PostMessageW(eventsWindow_, kGatewayEventsMessage, 0, 0) != FALSE;
}

void CKnxDlg::OnSearchResponse(const std::string& line) {
    Post(line);
}

void CKnxDlg::OnTransmitterReport(const Telegram& telegram) {
    Post(telegram);
}

void CKnxDlg::ApplyGatewayEvents() {
    std::vector<GatewayEvent> events;
    {
        std::lock_guard lock(eventsLock_);
        events.swap(events_);
        eventsPosted_ = false;
    }
    for (const GatewayEvent& event : events) {
        if (const auto* line = std::get_if<std::string>(&event)) {
            // A response may come before the user opened the network page: the page is made
            // for it, so that the list holds every gateway that answered, as on Linux.
            if (tabs_.EnsurePage(kSettingsSlot))
                SettingsPage()->AddGatewayLine(*line);
        } else {
            SetControlText(hwnd_, ids::kCatalogueHeading,
                           model_.ApplyTransmitterReport(std::get<Telegram>(event)));
        }
    }
}

}  // namespace halvex
