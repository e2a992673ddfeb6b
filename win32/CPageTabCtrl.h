// The tab control on the right of the main dialog (7022): owns the seven pages and shows one.
//
// Slots are fixed: 0/1 scene pages, 2/3 dimmer pages, 4/5 device pages, 6 the network page.
// The dialog model's layout decides which page windows exist (child dialogs of the tab control)
// and which tab shows which. Pages switch only on a left click on a tab.
#pragma once

#include <windows.h>

#include <array>
#include <memory>
#include <string_view>
#include <vector>

#include "model/DialogModel.h"

namespace halvex {

class COutputPage;
class CDeviceSettingsPage;
class DialogWindow;

class CPageTabCtrl {
public:
    static constexpr int kPageCount = kPageSlots;

    // The page objects exist from the start; their windows only after CreatePages.
    CPageTabCtrl();
    ~CPageTabCtrl();
    CPageTabCtrl(const CPageTabCtrl&) = delete;
    CPageTabCtrl& operator=(const CPageTabCtrl&) = delete;

    // Takes over the dialog's tab control window.
    void Attach(HWND tab);
    HWND Handle() const { return hwnd_; }

    int InsertItem(std::string_view label);
    // Creates, places and initialises the page windows of the model's layout. The network
    // page, whose many controls make it the slowest to create, waits until it is first shown
    // or needed (EnsurePage), unless it is the first page.
    void CreatePages(DialogModel& model);
    // Creates the window of page `slot` if the layout has it and it does not exist yet; false
    // if there is no such page.
    bool EnsurePage(int slot);
    // Switches to the tab the user clicked.
    void OnLButtonDown();

    bool PageCreated(int slot) const { return created_[static_cast<size_t>(slot)]; }
    HWND PageWindow(int slot) const;
    COutputPage* OutputPage(int slot) const;
    CDeviceSettingsPage* SettingsPage() const { return settings_; }
    int CurrentTab() const { return currentTab_; }

private:
    static LRESULT CALLBACK SubclassProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                              UINT_PTR id, DWORD_PTR data);

    HWND hwnd_ = nullptr;
    std::array<std::unique_ptr<DialogWindow>, kPageCount> pages_;
    std::array<bool, kPageCount> created_{};
    CDeviceSettingsPage* settings_ = nullptr;
    DialogModel* model_ = nullptr;
    RECT pageRect_{};         // where every page window goes, in the tab control
    std::vector<int> slots_;  // the page slot of each tab
    int currentTab_ = 0;
};

}  // namespace halvex
