// The Windows side of the host's user interface: OLE for the plug-in's drag and drop, and the
// dialog driver. A thread of the driver watches the modal dialogs of the host's user-interface
// thread (top-level windows of class "#32770"), tells them apart by their control IDs and
// works them through window messages, as the keyboard and mouse of a user would.
//
// A click that may open further dialogs (a message box, the file-open dialog) is sent from a
// short-lived thread of its own while the driver thread goes on answering whatever comes up;
// the click has been handled when that send returns.
#include <windows.h>

#include <commctrl.h>
#include <ole2.h>

#include <atomic>
#include <fstream>
#include <thread>

#include "engine/UiText.h"
#include "engine/record/Bytes.h"
#include "host/DialogCall.h"
#include "host/DialogDriver.h"
#include "host/WideText.h"
#include "model/ControlIds.h"

namespace halvex::host {
namespace {

constexpr DWORD kPollMs = 20;
// The file-open dialog's file name field: the explorer-style combo box, or the old edit.
constexpr int kFileNameCombo = 0x047C;
constexpr int kFileNameEdit = 0x0480;
// The static control that holds a message box's text.
constexpr int kMessageBoxText = 0xFFFF;

// The text a window keeps, read without a message, so that a busy dialog thread cannot block
// the driver.
std::string KeptText(HWND window) {
    wchar_t text[1024];
    const int length = InternalGetWindowText(window, text, static_cast<int>(std::size(text)));
    return Utf8FromWide(std::wstring_view(text, static_cast<size_t>(std::max(length, 0))));
}

std::wstring ClassOf(HWND window) {
    wchar_t name[64];
    const int length = GetClassNameW(window, name, static_cast<int>(std::size(name)));
    return std::wstring(name, static_cast<size_t>(std::max(length, 0)));
}

bool IsRadio(HWND button) {
    const LONG type = GetWindowLongW(button, GWL_STYLE) & BS_TYPEMASK;
    return type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON;
}

struct ControlSearch {
    int id;
    HWND shown = nullptr;
    HWND hidden = nullptr;
};

BOOL CALLBACK MatchControl(HWND child, LPARAM data) {
    auto& search = *reinterpret_cast<ControlSearch*>(data);
    if (GetDlgCtrlID(child) != search.id)
        return TRUE;
    if (IsWindowVisible(child)) {
        search.shown = child;
        return FALSE;
    }
    if (search.hidden == nullptr)
        search.hidden = child;
    return TRUE;
}

// The descendant of `root` with control ID `id`, a shown one before a hidden one.
HWND FindControl(HWND root, int id) {
    ControlSearch search{id};
    EnumChildWindows(root, MatchControl, reinterpret_cast<LPARAM>(&search));
    return search.shown != nullptr ? search.shown : search.hidden;
}

// Of a thread's dialogs, the one in front that takes input: a modal dialog disables the
// dialogs behind it.
BOOL CALLBACK MatchFrontDialog(HWND window, LPARAM data) {
    if (!IsWindowVisible(window) || !IsWindowEnabled(window) || ClassOf(window) != L"#32770")
        return TRUE;
    *reinterpret_cast<HWND*>(data) = window;
    return FALSE;
}

void PostClick(HWND dialog, HWND button) {
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(button), BN_CLICKED),
                 reinterpret_cast<LPARAM>(button));
}

// A 24-bit BMP file of `bitmap`.
bool WriteBmp(const std::string& path, HDC dc, HBITMAP bitmap, int width, int height) {
    const size_t row = (static_cast<size_t>(width) * 3 + 3) / 4 * 4;
    const size_t pixelBytes = row * static_cast<size_t>(height);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;  // bottom-up, as the file stores it
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    constexpr size_t kHeaders = 14 + 40;
    std::vector<uint8_t> file(kHeaders + pixelBytes);
    if (GetDIBits(dc, bitmap, 0, static_cast<UINT>(height), file.data() + kHeaders, &info,
                  DIB_RGB_COLORS) != height)
        return false;
    const MutableBytes bytes(file);
    WriteBytes(bytes, 0, ConstBytes(reinterpret_cast<const uint8_t*>("BM"), 2));
    WriteU32(bytes, 2, static_cast<uint32_t>(file.size()));
    WriteU32(bytes, 10, kHeaders);
    WriteU32(bytes, 14, 40);
    WriteU32(bytes, 18, static_cast<uint32_t>(width));
    WriteU32(bytes, 22, static_cast<uint32_t>(height));
    WriteU16(bytes, 26, 1);
    WriteU16(bytes, 28, 24);
    WriteU32(bytes, 34, static_cast<uint32_t>(pixelBytes));
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(file.data()),
              static_cast<std::streamsize>(file.size()));
    return static_cast<bool>(out.flush());
}

class OleSession : public UiSession {
public:
    OleSession() : started_(SUCCEEDED(OleInitialize(nullptr))) {}
    ~OleSession() override {
        if (started_)
            OleUninitialize();
    }

private:
    bool started_;
};

class Win32DialogDriver : public DialogDriver {
public:
    // Created on the thread that will call __OpenKNXDialog: that thread's dialogs are watched.
    Win32DialogDriver(std::chrono::milliseconds timeout, std::ostream& out)
        : DialogDriver(timeout, out), uiThread_(GetCurrentThreadId()) {
        thread_ = std::thread([this] { Run(); });
    }
    ~Win32DialogDriver() override { StopPolling(); }

    bool Press(int controlId) override {
        const HWND button = main_ != nullptr ? FindControl(main_, controlId) : nullptr;
        if (button == nullptr || !IsWindowVisible(button) || !IsWindowEnabled(button))
            return false;
        SendAndPoll(GetParent(button), WM_COMMAND, MAKEWPARAM(controlId, BN_CLICKED),
                    reinterpret_cast<LPARAM>(button));
        return true;
    }

    std::optional<bool> ImportFile(const std::filesystem::path& file) override {
        const size_t before = Messages().size();
        ExpectFileDialog(file);
        if (!Press(ids::kImportEsf)) {
            Fail(ExitCode::Automation, "the main dialog has no Import ESF button (control 7012)");
            return std::nullopt;
        }
        if (Abandoned())
            return std::nullopt;
        if (FileDialogPending()) {
            Fail(ExitCode::Automation, "no file-open dialog came up for \"Import ESF\"");
            return std::nullopt;
        }
        // A refused import is told in an "Attention" box; a successful one at most informs.
        for (size_t i = before; i < Messages().size(); ++i) {
            const std::string& title = Messages()[i].title;
            if (title == UiText(Text::Attention, 0) || title == UiText(Text::Attention, 1))
                return false;
        }
        return true;
    }

    std::optional<bool> AssignEntry(int slot, int output, int entry) override {
        static const UINT message = RegisterWindowMessageW(L"HalvexAssignEntry");
        if (main_ == nullptr) {
            Fail(ExitCode::Automation, "the main dialog is gone");
            return std::nullopt;
        }
        return SendAndPoll(main_, message,
                           MAKEWPARAM(static_cast<WORD>(output), static_cast<WORD>(slot)),
                           static_cast<LPARAM>(entry)) == 1;
    }

    std::vector<std::string> TabTexts() override {
        std::vector<std::string> texts;
        const HWND tabs = Tabs();
        const auto count = tabs != nullptr ? SendMessageW(tabs, TCM_GETITEMCOUNT, 0, 0) : 0;
        for (LRESULT tab = 0; tab < count; ++tab) {
            wchar_t text[256] = {};
            TCITEMW item{};
            item.mask = TCIF_TEXT;
            item.pszText = text;
            item.cchTextMax = static_cast<int>(std::size(text));
            SendMessageW(tabs, TCM_GETITEMW, static_cast<WPARAM>(tab),
                         reinterpret_cast<LPARAM>(&item));
            texts.push_back(Utf8FromWide(text));
        }
        return texts;
    }

    // A left click in the middle of the tab: the tab control switches pages on the button.
    bool SelectTab(int index) override {
        const HWND tabs = Tabs();
        RECT rect{};
        if (tabs == nullptr || SendMessageW(tabs, TCM_GETITEMRECT, static_cast<WPARAM>(index),
                                            reinterpret_cast<LPARAM>(&rect)) == 0) {
            Fail(ExitCode::Automation, "the main dialog has no tab " + std::to_string(index + 1));
            return false;
        }
        const LPARAM at = MAKELPARAM((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
        SendMessageW(tabs, WM_LBUTTONDOWN, MK_LBUTTON, at);
        SendMessageW(tabs, WM_LBUTTONUP, 0, at);
        RedrawWindow(main_, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        Wait(std::chrono::milliseconds(100));
        return true;
    }

    // The network page is the last tab in every layout.
    bool ShowNetworkPage() override {
        const size_t tabs = TabTexts().size();
        if (tabs == 0 || !SelectTab(static_cast<int>(tabs) - 1))
            return false;
        const HWND list = FindControl(main_, ids::kGatewayList);
        if (list == nullptr || !IsWindowVisible(list)) {
            Fail(ExitCode::Automation, "the dialog has no network page with a gateway list");
            return false;
        }
        return true;
    }

    // What the screen shows of the dialog's client area (the frame is the window manager's).
    std::string SaveScreenshot(const std::string& path) override {
        RECT rect{};
        if (main_ == nullptr || !GetClientRect(main_, &rect))
            return {};
        const int width = rect.right;
        const int height = rect.bottom;
        const HDC window = GetDC(main_);
        const HDC memory = CreateCompatibleDC(window);
        const HBITMAP bitmap = CreateCompatibleBitmap(window, width, height);
        const HGDIOBJ old = SelectObject(memory, bitmap);
        const bool copied = BitBlt(memory, 0, 0, width, height, window, 0, 0, SRCCOPY) != 0;
        SelectObject(memory, old);
        const std::string file = path + ".bmp";
        const bool saved = copied && WriteBmp(file, memory, bitmap, width, height);
        DeleteObject(bitmap);
        DeleteDC(memory);
        ReleaseDC(main_, window);
        return saved ? file : std::string();
    }

    std::optional<std::vector<std::string>> GatewayLines() override {
        const HWND list = GatewayList();
        if (list == nullptr)
            return std::nullopt;
        std::vector<std::string> lines;
        const LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
        for (LRESULT row = 0; row < count; ++row) {
            const LRESULT length = SendMessageW(list, LB_GETTEXTLEN, static_cast<WPARAM>(row), 0);
            std::wstring text(static_cast<size_t>(std::max<LRESULT>(length, 0)) + 1, L'\0');
            SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(row),
                         reinterpret_cast<LPARAM>(text.data()));
            text.resize(wcslen(text.c_str()));
            lines.push_back(Utf8FromWide(text));
        }
        return lines;
    }

    // The selection and the notification a click on the line gives.
    bool SelectGateway(int row) override {
        const HWND list = GatewayList();
        if (list == nullptr)
            return false;
        if (SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(row), 0) == LB_ERR) {
            Fail(ExitCode::Automation, "the gateway list has no line " + std::to_string(row + 1));
            return false;
        }
        SendAndPoll(GetParent(list), WM_COMMAND, MAKEWPARAM(ids::kGatewayList, LBN_SELCHANGE),
                    reinterpret_cast<LPARAM>(list));
        return true;
    }

    std::string ProgressText() override {
        const HWND label = main_ != nullptr ? FindControl(main_, ids::kUploadProgress) : nullptr;
        return label != nullptr ? KeptText(label) : std::string();
    }

protected:
    std::optional<Modal> ActiveModal() override {
        HWND front = nullptr;
        EnumThreadWindows(uiThread_, MatchFrontDialog, reinterpret_cast<LPARAM>(&front));
        if (front == nullptr)
            return std::nullopt;
        Modal modal{front, Kind::Other, KeptText(front), "window class \"#32770\""};
        const auto has = [front](int id) { return GetDlgItem(front, id) != nullptr; };
        if (has(ids::kPageTabs) && has(ids::kOk)) {
            modal.kind = Kind::Main;
            main_ = front;
        } else if (has(ids::kBusKnx) && has(ids::kBusEnOcean)) {
            modal.kind = Kind::BusType;
        } else if (has(kFileNameCombo) || has(kFileNameEdit)) {
            modal.kind = Kind::FileOpen;
        } else if (has(kMessageBoxText)) {
            modal.kind = Kind::MessageBox;
        }
        return modal;
    }

    void RememberAnswered(const Modal& modal) override { answered_ = Window(modal); }
    bool WasAnswered(const Modal& modal) override {
        return Window(modal) == answered_ && IsWindowVisible(answered_);
    }

    void Reject(const Modal& modal) override {
        PostMessageW(Window(modal), WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    }

    std::string MessageText(const Modal& modal) override {
        return KeptText(GetDlgItem(Window(modal), kMessageBoxText));
    }

    void PressReply(const Modal& modal, Reply reply) override {
        const HWND box = Window(modal);
        HWND button = GetDlgItem(box, reply == Reply::Ok ? IDOK : IDCANCEL);
        if (button == nullptr)
            button = GetDlgItem(box, IDOK);
        if (button == nullptr)
            button = FindWindowExW(box, nullptr, L"Button", nullptr);
        if (button != nullptr) {
            PostClick(box, button);
        } else {
            Reject(modal);
        }
    }

    bool PressIn(const Modal& modal, int id) override {
        const HWND button = GetDlgItem(Window(modal), id);
        if (button == nullptr)
            return false;
        if (IsRadio(button)) {
            // A radio button's click only checks it: done at once, before OK is pressed.
            DWORD_PTR result = 0;
            SendMessageTimeoutW(button, BM_CLICK, 0, 0, SMTO_BLOCK, 2000, &result);
            return SendMessageW(button, BM_GETCHECK, 0, 0) == BST_CHECKED;
        }
        PostClick(Window(modal), button);
        return true;
    }

    void EnterFile(const Modal& modal, const std::filesystem::path& file) override {
        const HWND dialog = Window(modal);
        HWND name = GetDlgItem(dialog, kFileNameCombo);
        if (name == nullptr)
            name = GetDlgItem(dialog, kFileNameEdit);
        DWORD_PTR result = 0;
        SendMessageTimeoutW(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(file.c_str()), SMTO_BLOCK,
                            2000, &result);
        PostClick(dialog, GetDlgItem(dialog, IDOK));
    }

    void ScheduleScript() override { scriptDue_ = true; }

    void PollFor(std::chrono::milliseconds duration, const std::function<bool()>& done) override {
        const auto end = std::chrono::steady_clock::now() + duration;
        while (!stop_ && !Abandoned() && !(done && done()) &&
               std::chrono::steady_clock::now() < end) {
            Poll();
            Sleep(kPollMs);
        }
    }

    void StopPolling() override {
        stop_ = true;
        if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id())
            thread_.join();
    }

private:
    static HWND Window(const Modal& modal) { return static_cast<HWND>(modal.window); }

    void Run() {
        while (!stop_) {
            Poll();
            if (scriptDue_) {
                scriptDue_ = false;
                RunScript();
            }
            Sleep(kPollMs);
        }
    }

    // Sends `message` from a thread of its own and keeps the dialogs answered until the
    // dialog's thread has handled it; returns the dialog's result.
    LRESULT SendAndPoll(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        std::atomic<bool> done = false;
        LRESULT result = 0;
        std::thread sender([&] {
            result = SendMessageW(window, message, wParam, lParam);
            done = true;
        });
        while (!done && !stop_) {
            Poll();
            Sleep(kPollMs);
        }
        sender.join();
        // A dialog's own message loop may sleep until a message is posted, even when the sent
        // one ended it.
        PostMessageW(window, WM_NULL, 0, 0);
        return result;
    }

    HWND Tabs() const { return main_ != nullptr ? GetDlgItem(main_, ids::kPageTabs) : nullptr; }

    HWND GatewayList() {
        const HWND list = main_ != nullptr ? FindControl(main_, ids::kGatewayList) : nullptr;
        if (list == nullptr)
            Fail(ExitCode::Automation, "the network page has no gateway list (control 7039)");
        return list;
    }

    const DWORD uiThread_;
    std::atomic<bool> stop_ = false;
    bool scriptDue_ = false;
    HWND main_ = nullptr;
    HWND answered_ = nullptr;
    std::thread thread_;
};

}  // namespace

std::unique_ptr<DialogDriver> DialogDriver::Create(std::chrono::milliseconds timeout,
                                                   std::ostream& out) {
    return std::make_unique<Win32DialogDriver>(timeout, out);
}

// Windows always has a desktop to show the dialog on.
std::unique_ptr<UiSession> StartUi(bool) {
    return std::make_unique<OleSession>();
}

void PrepareForCallsWithoutDialog() {}

}  // namespace halvex::host
