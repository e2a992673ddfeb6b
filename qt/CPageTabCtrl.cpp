#include "qt/CPageTabCtrl.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QStackedLayout>
#include <QTabBar>
#include <QVBoxLayout>

#include "engine/ModuleState.h"
#include "model/ControlIds.h"
#include "qt/CDeviceSettingsPage.h"
#include "qt/COutputPage.h"
#include "qt/QtText.h"

namespace halvex {

CPageTabCtrl::CPageTabCtrl(QWidget* parent) : QWidget(parent) {
    setObjectName(ControlName(ids::kPageTabs));
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
    pages_[0] = new CScenePage;
    pages_[1] = new CScenePage;
    pages_[2] = new CDimmerPage;
    pages_[3] = new CDimmerPage;
    pages_[4] = new CDevicePage;
    pages_[5] = new CDevicePage;
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

void CPageTabCtrl::CreatePages(DialogModel& model) {
    slots_ = model.Layout().pageSlots;
    auto* stack = static_cast<QStackedLayout*>(area_->layout());
    for (int slot : slots_) {
        QWidget* page = pages_[static_cast<size_t>(slot)];
        page->setParent(area_);
        stack->addWidget(page);
        created_[static_cast<size_t>(slot)] = true;
        if (slot == kSettingsSlot) {
            settings_->InitPage();
        } else {
            OutputPage(slot)->InitPage(model, slot);
        }
    }
    currentTab_ = 0;
    for (int slot : slots_)
        pages_[static_cast<size_t>(slot)]->setVisible(slot == slots_.front());
    stack->setCurrentWidget(pages_[static_cast<size_t>(slots_.front())]);
    Module().CurrentPage = slots_.front();
}

void CPageTabCtrl::OnLButtonDown() {
    const int tab = tabBar_->currentIndex();
    if (tab == currentTab_ || tab < 0 || static_cast<size_t>(tab) >= slots_.size())
        return;
    ModuleState& m = Module();
    pages_[static_cast<size_t>(m.CurrentPage)]->hide();
    currentTab_ = tab;
    m.CurrentPage = slots_[static_cast<size_t>(tab)];
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
