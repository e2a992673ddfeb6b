// The group dialogs and the bus-type dialog as views: texts per language, the fields and
// buttons handing their values on, the keys, and the box a bad number brings up. Which numbers
// are good and when a bad one is reported is the model's rule.
#include <gtest/gtest.h>

#include <QApplication>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <functional>
#include <memory>

#include "engine/ModuleState.h"
#include "qt/CBusTypeDlg.h"
#include "qt/CGroupAddressDlg.h"
#include "qt/CMainGroupDlg.h"
#include "qt/CMiddleGroupDlg.h"
#include "support/ModalAnswerer.h"

namespace halvex {
namespace {

using test::ModalAnswerer;

template <typename T = QWidget>
T* Child(QWidget& parent, const char* name) {
    T* child = parent.findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(child, nullptr) << "no control " << name;
    return child;
}

void SendKey(QWidget* target, int key) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(target, &press);
}

class GroupDialogs : public ::testing::Test {
protected:
    void SetUp() override { ResetModuleState(); }
    void TearDown() override { ResetModuleState(); }
};

// Texts in German (the language is the text table's choice, tested with it).
TEST_F(GroupDialogs, EachDialogsTextsFieldsAndButtons) {
    const struct {
        std::function<std::unique_ptr<GroupNumberDlg>()> make;
        const char* objectName;
        const char* field;
        uint32_t max;
        const char* caption;
        const char* range;
    } rows[] = {
        {[] { return std::make_unique<CMainGroupDlg>(); }, "CMainGroupDlg", "7035", 31,
         "Hauptgruppe", "(0..31)"},
        {[] { return std::make_unique<CMiddleGroupDlg>(); }, "CMiddleGroupDlg", "7035", 7,
         "Mittelgruppe", "(0..7)"},
        {[] { return std::make_unique<CGroupAddressDlg>(true); }, "CGroupAddressDlg", "7035", 255,
         "Gruppenadresse", "(0..255)"},
        {[] { return std::make_unique<CGroupAddressDlg>(false); }, "CGroupAddressDlg", "7064", 2047,
         "Gruppenadresse", "(0..2047"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.range);
        Module().UiLanguage = 1;
        auto dlg = row.make();
        const bool address = dlg->objectName() == "CGroupAddressDlg";
        EXPECT_EQ(dlg->objectName(), row.objectName);
        EXPECT_EQ(dlg->windowTitle(), row.caption);
        // Only the group-address dialog relabels the name; the others keep "Name:".
        EXPECT_EQ(Child<QLabel>(*dlg, "7066")->text() + Child<QLabel>(*dlg, "7067")->text(),
                  address ? "NummerName" : "NummerName:");
        EXPECT_EQ(
            Child<QPushButton>(*dlg, "7056")->text() + Child<QPushButton>(*dlg, "7057")->text(),
            "OKCancel");
        if (address) {
            EXPECT_EQ(Child<QGroupBox>(*dlg, "7068")->title(), "Objekttyp");
        }
        EXPECT_TRUE(std::ranges::any_of(dlg->findChildren<QLabel*>(),
                                        [&](QLabel* l) { return l->text() == row.range; }));
        // The largest number and a name: OK closes with 1 and hands both on.
        dlg->show();
        Child<QLineEdit>(*dlg, row.field)->setText(QString::number(row.max));
        Child<QLineEdit>(*dlg, "7055")->setText(QString::fromUtf8("K\xC3\xBC"));
        Child<QPushButton>(*dlg, "7056")->click();
        EXPECT_EQ(dlg->result(), 1);
        EXPECT_FALSE(dlg->isVisible());
        EXPECT_EQ(Module().EnteredNumber, row.max);
        EXPECT_EQ(Module().EnteredName, "K\xC3\xBC");
        // Shown again it starts over; one more is reported as it is typed, OK then refuses.
        dlg->show();
        EXPECT_EQ(
            Child<QLineEdit>(*dlg, row.field)->text() + Child<QLineEdit>(*dlg, "7055")->text(),
            "0");
        ModalAnswerer answerer;
        answerer.Then(ModalAnswerer::Press("OK")).Then(ModalAnswerer::Press("OK"));
        Child<QLineEdit>(*dlg, row.field)->setText(QString::number(row.max + 1));
        ASSERT_EQ(answerer.Seen().size(), 1u);
        EXPECT_EQ(answerer.Seen()[0].text,
                  "Bitte eine Zahl von 0 bis " + QString::number(row.max) + " eingeben.");
        Child<QPushButton>(*dlg, "7056")->click();
        EXPECT_EQ(answerer.Seen().size(), 1u);
        EXPECT_TRUE(dlg->isVisible());
        Child<QPushButton>(*dlg, "7057")->click();
        EXPECT_EQ(dlg->result(), 2);
    }
}

TEST_F(GroupDialogs, EnterIsOkAfterTheCheckEscapeAndCloseAreCancel) {
    CGroupAddressDlg dlg(true);
    dlg.show();
    ModalAnswerer answerer;
    answerer.Then(ModalAnswerer::Press("OK")).Then(ModalAnswerer::Press("OK"));
    auto* number = Child<QLineEdit>(dlg, "7035");
    number->setText(QStringLiteral("256"));
    SendKey(number, Qt::Key_Return);
    EXPECT_EQ(answerer.Seen().size(), 2u) << "Enter reports the number again";
    EXPECT_TRUE(dlg.isVisible());
    number->setText(QStringLiteral("255"));
    SendKey(Child<QRadioButton>(dlg, "7063"), Qt::Key_Enter);
    EXPECT_EQ(dlg.result(), 1);
    dlg.show();
    SendKey(Child<QLineEdit>(dlg, "7055"), Qt::Key_Escape);
    EXPECT_EQ(dlg.result(), 2);
    dlg.show();
    dlg.setResult(0);
    dlg.close();  // the window's close box
    EXPECT_EQ(dlg.result(), 2);
}

TEST_F(GroupDialogs, TwoLevelFieldTakesTheThreeLevelFieldsPlace) {
    CGroupAddressDlg three(true), two(false);
    three.show();
    two.show();
    EXPECT_FALSE(Child(three, "7064")->isVisible());
    EXPECT_FALSE(Child(two, "7035")->isVisible());
    EXPECT_EQ(Child(two, "7064")->geometry(), Child(three, "7035")->geometry());
    // OK hands over the number the user sees, whatever field changed last.
    Child<QLineEdit>(two, "7064")->setText(QStringLiteral("2047"));
    Child<QLineEdit>(two, "7035")->setText(QStringLiteral("1"));
    Child<QPushButton>(two, "7056")->click();
    EXPECT_EQ(Module().EnteredNumber, 2047u);
}

// The object-type buttons (one group, none chosen at first) and the bus-type buttons: each
// button's text and the choice it stands for, by click, double-click or SetChoice.
TEST_F(GroupDialogs, ChoiceButtonsShowAndSetTheChoice) {
    CGroupAddressDlg address(true);
    CBusTypeDlg bus;
    address.show();
    bus.show();
    EXPECT_EQ(address.Choice(), -1);
    EXPECT_EQ(bus.Choice(), -1);
    const struct {
        QDialog* dlg;
        const char* id;
        const char* text;
        int choice;
    } rows[] = {
        {&address, "7062", "1 Bit", 0},  {&address, "7063", "1 Byte", 1},
        {&address, "7065", "3 Byte", 2}, {&address, "7069", "4 Byte", 3},
        {&address, "7070", "4 Bit", 4},  {&bus, "7047", "KNX", 0},
        {&bus, "7050", "", 1},           {&bus, "7048", "EnOcean", 2},
        {&bus, "7049", "WLAN", 3},       {&bus, "7051", "", 4},
    };
    for (const auto& row : rows) {
        auto* radio = Child<QRadioButton>(*row.dlg, row.id);
        EXPECT_EQ(radio->text(), row.text);
        radio->click();
        EXPECT_EQ(row.dlg == &bus ? bus.Choice() : address.Choice(), row.choice) << row.id;
    }
    address.SetChoice(-1);
    QTest::mouseClick(Child(address, "7070"), Qt::LeftButton);  // a double-click
    QTest::mouseDClick(Child(address, "7070"), Qt::LeftButton);
    EXPECT_EQ(address.Choice(), 4);
    EXPECT_FALSE(Child<QRadioButton>(address, "7062")->isChecked()) << "one group";
    address.SetChoice(0);
    EXPECT_TRUE(Child<QRadioButton>(address, "7062")->isChecked());
    for (int outside : {-1, 7}) {
        address.SetChoice(outside);
        EXPECT_EQ(address.Choice(), -1);
        EXPECT_FALSE(Child<QRadioButton>(address, "7062")->isChecked());
    }
    bus.SetChoice(1);
    EXPECT_TRUE(Child<QRadioButton>(bus, "7050")->isChecked());
    SendKey(Child(bus, "7048"), Qt::Key_Escape);
    EXPECT_EQ(bus.result(), 2);
    bus.show();
    Child<QRadioButton>(bus, "7048")->click();
    SendKey(Child(bus, "7048"), Qt::Key_Return);
    EXPECT_EQ(bus.result(), 1);
    EXPECT_EQ(bus.Choice(), 2);
}

TEST_F(GroupDialogs, BusTypeDialogTextsAndTheMasterSlaveLabels) {
    Module().UiLanguage = 1;
    CBusTypeDlg dlg;
    dlg.show();
    EXPECT_EQ(dlg.objectName(), "CBusTypeDlg");
    EXPECT_EQ(dlg.windowTitle(), "Auswahl");
    EXPECT_EQ(Child<QGroupBox>(dlg, "7065")->title(), "Bustyp");
    EXPECT_EQ(Child<QPushButton>(dlg, "1")->text() + Child<QPushButton>(dlg, "2")->text(),
              "OKAbbrechen");
    // The master/slave buttons are named by two statics on their right, the bus above.
    for (const auto& [radio, busText, label] :
         {std::tuple{"7050", "KNX", "7078"}, std::tuple{"7051", "WLAN", "7079"}}) {
        auto* masterSlave = Child<QLabel>(dlg, label);
        EXPECT_EQ(masterSlave->text(), "Master/Slave");
        EXPECT_GE(masterSlave->x(), Child(dlg, radio)->geometry().right());
        EXPECT_TRUE(std::ranges::any_of(dlg.findChildren<QLabel*>(), [&](QLabel* bus) {
            return bus->text() == busText && bus->x() == masterSlave->x() &&
                   bus->y() < masterSlave->y();
        })) << radio;
    }
}

}  // namespace
}  // namespace halvex
