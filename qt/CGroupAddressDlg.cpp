#include "qt/CGroupAddressDlg.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

#include <array>

#include "model/ControlIds.h"
#include "model/GroupEntry.h"
#include "qt/ChoiceGroup.h"
#include "qt/QtText.h"

namespace halvex {
namespace {

struct ChoiceButton {
    int id;
    const char* text;
};

// In choice order (see ObjectTypeOfChoice).
constexpr std::array<ChoiceButton, kObjectTypeChoices> kChoiceButtons = {{
    {ids::kOneBit, "1 Bit"},
    {ids::kOneByte, "1 Byte"},
    {ids::kThreeBytes, "3 Byte"},
    {ids::kFourBytes, "4 Byte"},
    {ids::kFourBits, "4 Bit"},
}};

}  // namespace

CGroupAddressDlg::CGroupAddressDlg(bool threeLevel, QWidget* parent)
    : GroupNumberDlg(Text::GroupAddress, parent), choices_(new QButtonGroup(this)) {
    setObjectName(QStringLiteral("CGroupAddressDlg"));
    NameLabel()->setText(Tr(Text::Name));
    QLineEdit* threeLevelField = AddNumberField(ids::kGroupNumber, kMaxThreeLevel);
    QLineEdit* twoLevelField = AddNumberField(ids::kGroupNumberTwoLevel, kMaxTwoLevel);
    // The two-level hint really lacks its closing parenthesis.
    AddRangeLabel(ids::kAddressRange,
                  threeLevel ? QStringLiteral("(0..255)") : QStringLiteral("(0..2047"));
    SetActiveNumberField(threeLevel ? threeLevelField : twoLevelField);
    (threeLevel ? twoLevelField : threeLevelField)->hide();

    auto* box = new QGroupBox(Tr(Text::ObjectType), this);
    box->setObjectName(ControlName(ids::kObjectTypeBox));
    auto* boxColumn = new QVBoxLayout(box);
    for (int i = 0; i < kObjectTypeChoices; ++i) {
        const ChoiceButton& button = kChoiceButtons[static_cast<size_t>(i)];
        auto* radio = new QRadioButton(QString::fromLatin1(button.text), box);
        radio->setObjectName(ControlName(button.id));
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
