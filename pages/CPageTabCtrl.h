// The tab control on the right of the main dialog: owns the seven pages and shows one.
//
// Slots are fixed: 0/1 scene pages, 2/3 dimmer pages, 4/5 device pages, 6 the network page.
// The record's layout decides which page windows exist (KNX: all; EnOcean: 0-3 and 6;
// network only: 6). Pages switch only on a left click on a tab.
#pragma once

#include <QWidget>

#include <array>

class QTabBar;

namespace halvex {

class COutputPage;
class CDeviceSettingsPage;

class CPageTabCtrl : public QWidget {
    Q_OBJECT
public:
    static constexpr int kPageCount = 7;
    static constexpr int kSettingsSlot = 6;

    explicit CPageTabCtrl(QWidget* parent = nullptr);
    ~CPageTabCtrl() override;

    int InsertItem(const QString& label);
    // Creates, places and initialises the page windows of the working record's layout.
    void CreatePages();
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
    enum class Layout { Knx, EnOcean, NetworkOnly };
    Layout RecordLayout() const;

    QTabBar* tabBar_;
    QWidget* area_;
    std::array<QWidget*, kPageCount> pages_{};
    std::array<bool, kPageCount> created_{};
    CDeviceSettingsPage* settings_ = nullptr;
    int currentTab_ = 0;
};

}  // namespace halvex
