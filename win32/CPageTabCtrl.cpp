#include "win32/CPageTabCtrl.h"

#include <algorithm>

#include <commctrl.h>

#include "engine/ModuleState.h"
#include "win32/CDeviceSettingsPage.h"
#include "win32/COutputPage.h"
#include "win32/WinUi.h"
#include "win32/resource.h"

namespace halvex {
namespace {

constexpr UINT_PTR kSubclassId = 1;

// The template of each page slot.
constexpr std::array<int, CPageTabCtrl::kPageCount> kTemplates = {
    IDD_SCENE_OUT_1, IDD_SCENE_OUT_2, IDD_DIMMER_OUT_1, IDD_DIMMER_OUT_2,
    IDD_DEVICE_1,    IDD_DEVICE_2,    IDD_NETWORK};

}  // namespace

CPageTabCtrl::CPageTabCtrl() {
    pages_[0] = std::make_unique<CScenePage>();
    pages_[1] = std::make_unique<CScenePage>();
    pages_[2] = std::make_unique<CDimmerPage>();
    pages_[3] = std::make_unique<CDimmerPage>();
    pages_[4] = std::make_unique<CDevicePage>();
    pages_[5] = std::make_unique<CDevicePage>();
    auto settings = std::make_unique<CDeviceSettingsPage>();
    settings_ = settings.get();
    pages_[kSettingsSlot] = std::move(settings);
}

CPageTabCtrl::~CPageTabCtrl() {
    if (hwnd_ != nullptr)
        RemoveWindowSubclass(hwnd_, SubclassProcedure, kSubclassId);
}

void CPageTabCtrl::Attach(HWND tab) {
    hwnd_ = tab;
    // Tab and arrow keys reach into the pages.
    SetWindowLongPtrW(tab, GWL_EXSTYLE, GetWindowLongPtrW(tab, GWL_EXSTYLE) | WS_EX_CONTROLPARENT);
    SetWindowSubclass(tab, SubclassProcedure, kSubclassId, reinterpret_cast<DWORD_PTR>(this));
}

LRESULT CALLBACK CPageTabCtrl::SubclassProcedure(HWND hwnd, UINT message, WPARAM wParam,
                                                 LPARAM lParam, UINT_PTR, DWORD_PTR data) {
    auto* self = reinterpret_cast<CPageTabCtrl*>(data);
    switch (message) {
        case WM_LBUTTONDOWN: {
            // The control selects the clicked tab first; the page follows it.
            const LRESULT result = DefSubclassProc(hwnd, message, wParam, lParam);
            self->OnLButtonDown();
            return result;
        }
        case WM_MOUSEWHEEL:
            return 0;
        case WM_NCDESTROY:
            RemoveWindowSubclass(hwnd, SubclassProcedure, kSubclassId);
            self->hwnd_ = nullptr;
            break;
        default:
            break;
    }
    return DefSubclassProc(hwnd, message, wParam, lParam);
}

int CPageTabCtrl::InsertItem(std::string_view label) {
    std::wstring text = Widen(label);
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = text.data();
    return TabCtrl_InsertItem(hwnd_, TabCtrl_GetItemCount(hwnd_), &item);
}

HWND CPageTabCtrl::PageWindow(int slot) const {
    return PageCreated(slot) ? pages_[static_cast<size_t>(slot)]->Handle() : nullptr;
}

COutputPage* CPageTabCtrl::OutputPage(int slot) const {
    return slot >= 0 && slot < kSettingsSlot
               ? static_cast<COutputPage*>(pages_[static_cast<size_t>(slot)].get())
               : nullptr;
}

void CPageTabCtrl::CreatePages(DialogModel& model) {
    model_ = &model;
    slots_ = model.Layout().pageSlots;
    // The page rectangle: below the tabs, inside the control's client area.
    RECT client;
    RECT item;
    GetClientRect(hwnd_, &client);
    TabCtrl_GetItemRect(hwnd_, 0, &item);
    pageRect_ = {item.left, item.bottom + 1, client.right - 1, client.bottom - 1};

    const int first = slots_.front();
    for (int slot : slots_) {
        if (slot != kSettingsSlot || slot == first)
            EnsurePage(slot);
    }
    currentTab_ = 0;
    ShowWindow(PageWindow(first), SW_SHOW);
    Module().CurrentPage = first;
}

bool CPageTabCtrl::EnsurePage(int slot) {
    if (PageCreated(slot) || model_ == nullptr ||
        std::find(slots_.begin(), slots_.end(), slot) == slots_.end())
        return PageCreated(slot);
    const int templateId = kTemplates[static_cast<size_t>(slot)];
    const bool made = slot == kSettingsSlot
                          ? settings_->Create(hwnd_, templateId)
                          : OutputPage(slot)->Create(hwnd_, templateId, *model_, slot);
    created_[static_cast<size_t>(slot)] = made;
    if (made) {
        SetWindowPos(PageWindow(slot), HWND_TOP, pageRect_.left, pageRect_.top,
                     pageRect_.right - pageRect_.left, pageRect_.bottom - pageRect_.top,
                     SWP_NOACTIVATE);
    }
    return made;
}

void CPageTabCtrl::OnLButtonDown() {
    const int tab = TabCtrl_GetCurSel(hwnd_);
    if (tab == currentTab_ || tab < 0 || static_cast<size_t>(tab) >= slots_.size())
        return;
    ModuleState& m = Module();
    ShowWindow(PageWindow(m.CurrentPage), SW_HIDE);
    currentTab_ = tab;
    m.CurrentPage = slots_[static_cast<size_t>(tab)];
    EnsurePage(m.CurrentPage);
    HWND page = PageWindow(m.CurrentPage);
    ShowWindow(page, SW_SHOW);
    SetFocus(page);
}

}  // namespace halvex
