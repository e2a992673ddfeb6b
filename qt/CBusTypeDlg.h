// Asks which kind of gateway a new scene object configures.
//
// Five radio buttons in one group: 0 KNX, 1 KNX master/slave, 2 EnOcean, 3 WLAN,
// 4 WLAN master/slave. OK ("1") ends with 1, "Abbrechen" ("2") and Escape with 2.
#pragma once

#include <QDialog>

class QButtonGroup;

namespace halvex {

class CBusTypeDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kOk = 1;
    static constexpr int kCancel = 2;
    static constexpr int kChoices = 5;

    explicit CBusTypeDlg(QWidget* parent = nullptr);

    // -1 for no choice, 0..4 checks that button; anything else counts as no choice.
    void SetChoice(int choice);
    int Choice() const { return choice_; }

    void reject() override;

private:
    QButtonGroup* choices_;
    int choice_ = -1;
};

}  // namespace halvex
