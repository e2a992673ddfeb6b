#include "qt/CBusTypeDlg.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <array>

#include "model/ControlIds.h"
#include "qt/ChoiceGroup.h"
#include "qt/QtText.h"

namespace halvex {
namespace {

struct ChoiceButton {
    int id;
    const char* text;     // the button's own text; empty for the master/slave buttons
    const char* busText;  // master/slave buttons: the bus named beside the button
    int masterId;         // master/slave buttons: the "Master/Slave" static beside it
};

// In choice order.
constexpr std::array<ChoiceButton, CBusTypeDlg::kChoices> kChoiceButtons = {{
    {ids::kBusKnx, "KNX", nullptr, 0},
    {ids::kBusKnxMasterSlave, "", "KNX", ids::kKnxMasterSlaveLabel},
    {ids::kBusEnOcean, "EnOcean", nullptr, 0},
    {ids::kBusWlan, "WLAN", nullptr, 0},
    {ids::kBusWlanMasterSlave, "", "WLAN", ids::kWlanMasterSlaveLabel},
}};

}  // namespace

CBusTypeDlg::CBusTypeDlg(QWidget* parent) : QDialog(parent), choices_(new QButtonGroup(this)) {
    setObjectName(QStringLiteral("CBusTypeDlg"));
    setWindowTitle(Tr(Text::Selection));

    auto* box = new QGroupBox(Tr(Text::BusType), this);
    box->setObjectName(ControlName(ids::kBusTypeBox));
    auto* row = new QHBoxLayout(box);
    for (int i = 0; i < kChoices; ++i) {
        const ChoiceButton& button = kChoiceButtons[static_cast<size_t>(i)];
        auto* radio = new QRadioButton(QString::fromLatin1(button.text), box);
        radio->setObjectName(ControlName(button.id));
        choices_->addButton(radio, i);
        if (button.busText == nullptr) {
            row->addWidget(radio);
            continue;
        }
        // A master/slave button carries no text: two statics beside it name it.
        auto* bus = new QLabel(QString::fromLatin1(button.busText), box);
        auto* masterSlave = new QLabel(QStringLiteral("Master/Slave"), box);
        masterSlave->setObjectName(ControlName(button.masterId));
        auto* labels = new QVBoxLayout;
        labels->setSpacing(0);
        labels->addWidget(bus);
        labels->addWidget(masterSlave);
        auto* item = new QHBoxLayout;
        item->setSpacing(2);
        item->addWidget(radio);
        item->addLayout(labels);
        row->addLayout(item);
    }
    connect(choices_, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
        if (checked)
            choice_ = id;
    });

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(ControlName(ids::kBusOk));
    ok->setDefault(true);
    // The template's text, German in both languages.
    auto* cancel = new QPushButton(QStringLiteral("Abbrechen"), this);
    cancel->setObjectName(ControlName(ids::kBusCancel));
    connect(ok, &QPushButton::clicked, this, [this] { done(kOk); });
    connect(cancel, &QPushButton::clicked, this, [this] { reject(); });

    auto* buttons = new QVBoxLayout;
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    buttons->addStretch(1);
    auto* top = new QHBoxLayout(this);
    top->addWidget(box, 1);
    top->addLayout(buttons);
}

void CBusTypeDlg::SetChoice(int choice) {
    if (SetGroupChoice(choices_, choice, kChoices) < 0)
        choice_ = -1;
}

void CBusTypeDlg::reject() {
    done(kCancel);
}

}  // namespace halvex
