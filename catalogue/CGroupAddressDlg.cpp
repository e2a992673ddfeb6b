#include "catalogue/CGroupAddressDlg.h"
#include "catalogue/ChoiceGroup.h"
#include "model/GroupEntry.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

#include <array>

namespace halvex {
namespace {

struct ChoiceButton {
    const char* id;
    const char* text;
};

// In choice order (see ObjectTypeOfChoice).
constexpr std::array<ChoiceButton, kObjectTypeChoices> kChoiceButtons = {{
    {"7062", "1 Bit"},
    {"7063", "1 Byte"},
    {"7065", "3 Byte"},
    {"7069", "4 Byte"},
    {"7070", "4 Bit"},
}};

}  // namespace

CGroupAddressDlg::CGroupAddressDlg(bool threeLevel, QWidget* parent)
    : GroupNumberDlg(Text::GroupAddress, parent), choices_(new QButtonGroup(this)) {
    setObjectName(QStringLiteral("CGroupAddressDlg"));
    NameLabel()->setText(TextOf(Text::Name));
    QLineEdit* threeLevelField = AddNumberField("7035", kMaxThreeLevel);
    QLineEdit* twoLevelField = AddNumberField("7064", kMaxTwoLevel);
    // The two-level hint really lacks its closing parenthesis.
    AddRangeLabel("7061", threeLevel ? QStringLiteral("(0..255)") : QStringLiteral("(0..2047"));
    SetActiveNumberField(threeLevel ? threeLevelField : twoLevelField);
    (threeLevel ? twoLevelField : threeLevelField)->hide();

    auto* box = new QGroupBox(TextOf(Text::ObjectType), this);
    box->setObjectName(QStringLiteral("7068"));
    auto* boxColumn = new QVBoxLayout(box);
    for (int i = 0; i < kObjectTypeChoices; ++i) {
        const ChoiceButton& button = kChoiceButtons[static_cast<size_t>(i)];
        auto* radio = new QRadioButton(QString::fromLatin1(button.text), box);
        radio->setObjectName(QString::fromLatin1(button.id));
        choices_->addButton(radio, i);
        boxColumn->addWidget(radio);
    }
    // Click, double-click and arrow keys all end in a toggle of the chosen button.
    connect(choices_, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
        if (checked)
            choice_ = id;
    });

    auto* fields = new QVBoxLayout;
    fields->addLayout(NumberNameGrid());
    fields->addStretch(1);
    auto* top = new QHBoxLayout;
    top->addLayout(fields, 1);
    top->addWidget(box);
    auto* column = new QVBoxLayout(this);
    column->addLayout(top);
    column->addLayout(ButtonRow());
}

void CGroupAddressDlg::SetChoice(int choice) {
    if (SetGroupChoice(choices_, choice, kObjectTypeChoices) < 0)
        choice_ = -1;
}

}  // namespace halvex
