#include "support/ModalAnswerer.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QMessageBox>

namespace halvex::test {

ModalAnswerer::ModalAnswerer() {
    connect(&timer_, &QTimer::timeout, this, &ModalAnswerer::Poll);
    timer_.start(5);
}

ModalAnswerer& ModalAnswerer::Then(Action action) {
    actions_.push_back(std::move(action));
    return *this;
}

void ModalAnswerer::Poll() {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr || modal == last_ || actions_.empty())
        return;
    last_ = modal;
    SeenModal seen{QString::fromLatin1(modal->metaObject()->className()), modal->windowTitle(), {}};
    if (auto* box = qobject_cast<QMessageBox*>(modal))
        seen.text = box->text();
    seen_.push_back(seen);
    Action action = std::move(actions_.front());
    actions_.pop_front();
    action(modal);
}

ModalAnswerer::Action ModalAnswerer::Press(const QString& text) {
    return [text](QWidget* w) {
        for (auto* button : w->findChildren<QAbstractButton*>()) {
            if (button->text().remove(QLatin1Char('&')) == text && button->isVisible()) {
                button->click();
                return;
            }
        }
        ADD_FAILURE() << "no button " << text.toStdString() << " in "
                      << w->windowTitle().toStdString();
        if (auto* d = qobject_cast<QDialog*>(w))
            d->reject();
    };
}

}  // namespace halvex::test
