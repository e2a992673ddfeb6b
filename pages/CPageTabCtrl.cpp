#include "pages/CPageTabCtrl.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QStackedLayout>
#include <QTabBar>
#include <QVBoxLayout>

#include "gateway/CDeviceSettingsPage.h"
#include "pages/CDevicePage.h"
#include "pages/CDimmerPage.h"
#include "pages/CScenePage.h"
#include "plugin/ModuleState.h"

namespace halvex {

CPageTabCtrl::CPageTabCtrl(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("7022"));
    tabBar_ = new QTabBar(this);
    tabBar_->setObjectName(QStringLiteral("tabBar"));
    // Only a mouse click switches pages: no keyboard focus, no wheel.
    tabBar_->setFocusPolicy(Qt::NoFocus);
    tabBar_->installEventFilter(this);
    area_ = new QWidget(this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(tabBar_);
    layout->addWidget(area_, 1);
    new QStackedLayout(area_);  // places every page in the whole area

    // The page objects exist from the start; their windows only for the record's layout.
    pages_[0] = new CScenePage(false);
    pages_[1] = new CScenePage(true);
    pages_[2] = new CDimmerPage(false);
    pages_[3] = new CDimmerPage(true);
    pages_[4] = new CDevicePage(false);
    pages_[5] = new CDevicePage(true);
    settings_ = new CDeviceSettingsPage;
    pages_[6] = settings_;
}

CPageTabCtrl::~CPageTabCtrl() {
    for (QWidget*& page : pages_) {
        delete page;
        page = nullptr;
    }
}

int CPageTabCtrl::InsertItem(const QString& label) {
    return tabBar_->addTab(label);
}

COutputPage* CPageTabCtrl::OutputPage(int slot) const {
    return slot >= 0 && slot < kSettingsSlot
               ? static_cast<COutputPage*>(pages_[static_cast<size_t>(slot)])
               : nullptr;
}

CPageTabCtrl::Layout CPageTabCtrl::RecordLayout() const {
    const ModuleState& m = Module();
    if (m.WorkingRecord == nullptr || m.WorkingRecordCapacity <= 15)
        return Layout::Knx;
    const bool enocean = (m.WorkingRecord[15] & 0x10) != 0;
    const bool wlan = (m.WorkingRecord[14] & 0x02) != 0;
    if (!enocean)
        return Layout::Knx;
    return wlan ? Layout::NetworkOnly : Layout::EnOcean;
}

void CPageTabCtrl::CreatePages() {
    std::array<int, kPageCount> order{};
    size_t count = 0;
    switch (RecordLayout()) {
        case Layout::Knx:
            for (int slot = 0; slot < kPageCount; ++slot)
                order[count++] = slot;
            break;
        case Layout::EnOcean:
            for (int slot : {0, 1, 2, 3, 6})
                order[count++] = slot;
            break;
        case Layout::NetworkOnly:
            order[count++] = 6;
            break;
    }
    auto* stack = static_cast<QStackedLayout*>(area_->layout());
    for (size_t k = 0; k < count; ++k) {
        const int slot = order[k];
        QWidget* page = pages_[static_cast<size_t>(slot)];
        page->setParent(area_);
        stack->addWidget(page);
        created_[static_cast<size_t>(slot)] = true;
        if (slot == kSettingsSlot) {
            settings_->InitPage();
        } else {
            OutputPage(slot)->InitPage();
        }
    }
    currentTab_ = order[0] == kSettingsSlot ? kSettingsSlot : 0;
    for (size_t k = 0; k < count; ++k) {
        pages_[static_cast<size_t>(order[k])]->setVisible(order[k] == currentTab_);
    }
    stack->setCurrentWidget(pages_[static_cast<size_t>(currentTab_)]);
    Module().CurrentPage = currentTab_;
}

void CPageTabCtrl::OnLButtonDown() {
    const int tab = tabBar_->currentIndex();
    if (tab == currentTab_)
        return;
    ModuleState& m = Module();
    QWidget* shown = pages_[static_cast<size_t>(m.CurrentPage)];
    shown->hide();
    currentTab_ = tab;
    switch (RecordLayout()) {
        case Layout::Knx:
            if (tab >= 0 && tab < kPageCount)
                m.CurrentPage = tab;
            break;
        case Layout::EnOcean:
            if (tab >= 0 && tab <= 3) {
                m.CurrentPage = tab;
            } else if (tab == 4) {
                m.CurrentPage = kSettingsSlot;
            }
            break;
        case Layout::NetworkOnly:
            m.CurrentPage = kSettingsSlot;
            break;
    }
    QWidget* page = pages_[static_cast<size_t>(m.CurrentPage)];
    static_cast<QStackedLayout*>(area_->layout())->setCurrentWidget(page);
    page->show();
    page->setFocus();
}

bool CPageTabCtrl::eventFilter(QObject* watched, QEvent* event) {
    if (watched == tabBar_) {
        if (event->type() == QEvent::Wheel)
            return true;
        if (event->type() == QEvent::MouseButtonPress &&
            static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
            // Let the tab bar select the clicked tab first, then follow it.
            tabBar_->removeEventFilter(this);
            QCoreApplication::sendEvent(tabBar_, event);
            tabBar_->installEventFilter(this);
            OnLButtonDown();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void CPageTabCtrl::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

}  // namespace halvex
