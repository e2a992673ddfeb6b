// The tab control on the right of the main dialog: owns the seven pages and shows one.
//
// Slots are fixed: 0/1 scene pages, 2/3 dimmer pages, 4/5 device pages, 6 the network page.
// The dialog model's layout decides which page windows exist and which tab shows which.
// Pages switch only on a left click on a tab.
#pragma once

#include <QWidget>

#include <array>
#include <vector>

#include "model/DialogModel.h"

class QTabBar;

namespace halvex {

class COutputPage;
class CDeviceSettingsPage;

class CPageTabCtrl : public QWidget {
    Q_OBJECT
public:
    static constexpr int kPageCount = kPageSlots;

    explicit CPageTabCtrl(QWidget* parent = nullptr);
    ~CPageTabCtrl() override;

    int InsertItem(const QString& label);
    // Creates, places and initialises the page windows of the model's layout.
    void CreatePages(DialogModel& model);
    // Switches to the tab the user clicked.
    void OnLButtonDown();

    QTabBar* TabBar() const { return tabBar_; }
    QWidget* Page(int slot) const { return pages_[static_cast<size_t>(slot)]; }
    bool PageCreated(int slot) const { return created_[static_cast<size_t>(slot)]; }
    COutputPage* OutputPage(int slot) const;
    CDeviceSettingsPage* SettingsPage() const { return settings_; }
    int CurrentTab() const { return currentTab_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Escape inside a page stops here: a page never ends or hides the dialog.
    void keyPressEvent(QKeyEvent* event) override;

private:
    QTabBar* tabBar_;
    QWidget* area_;
    std::array<QWidget*, kPageCount> pages_{};
    std::array<bool, kPageCount> created_{};
    CDeviceSettingsPage* settings_ = nullptr;
    std::vector<int> slots_;  // the page slot of each tab
    int currentTab_ = 0;
};

}  // namespace halvex
