// The group dialogs and the bus-type dialog as views: texts, the fields and buttons handing their
// values on, the keys, and the box a bad number brings up. Which numbers are good and when a
// bad one is reported is the model's rule.
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

QString Text(QWidget& parent, const char* name) {
    QWidget* w = Child(parent, name);
    if (auto* label = qobject_cast<QLabel*>(w))
        return label->text();
    if (auto* box = qobject_cast<QGroupBox*>(w))
        return box->title();
    return qobject_cast<QAbstractButton*>(w)->text();
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

// In German; only the group-address dialog relabels "Name:" and has the object types.
TEST_F(GroupDialogs, EachDialogsTextsFieldsButtonsAndKeys) {
    const struct {
        std::function<std::unique_ptr<GroupNumberDlg>()> make;
        const char* field;
        uint32_t max;
        const char* texts;  // objectName, caption, range, 7066 7067 7056 7057 [7068]
    } rows[] = {
        {[] { return std::make_unique<CMainGroupDlg>(); }, "7035", 31,
         "CMainGroupDlg Hauptgruppe (0..31) Nummer Name: OK Cancel"},
        {[] { return std::make_unique<CMiddleGroupDlg>(); }, "7035", 7,
         "CMiddleGroupDlg Mittelgruppe (0..7) Nummer Name: OK Cancel"},
        {[] { return std::make_unique<CGroupAddressDlg>(true); }, "7035", 255,
         "CGroupAddressDlg Gruppenadresse (0..255) Nummer Name OK Cancel Objekttyp"},
        {[] { return std::make_unique<CGroupAddressDlg>(false); }, "7064", 2047,
         "CGroupAddressDlg Gruppenadresse (0..2047 Nummer Name OK Cancel Objekttyp"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.max);
        Module().UiLanguage = 1;
        auto dlg = row.make();
        const bool address = dlg->objectName() == "CGroupAddressDlg";
        QString range;
        for (QLabel* label : dlg->findChildren<QLabel*>()) {
            if (label->text().startsWith('('))
                range = label->text();
        }
        QString texts = dlg->objectName() + " " + dlg->windowTitle() + " " + range;
        for (const char* id : {"7066", "7067", "7056", "7057", address ? "7068" : nullptr}) {
            if (id != nullptr)
                texts += " " + Text(*dlg, id);
        }
        EXPECT_EQ(texts.toStdString(), row.texts);
        // The largest number and a name: OK closes with 1 and hands both on.
        dlg->show();
        Child<QLineEdit>(*dlg, row.field)->setText(QString::number(row.max));
        Child<QLineEdit>(*dlg, "7055")->setText(QString::fromUtf8("K\xC3\xBC"));
        Child<QPushButton>(*dlg, "7056")->click();
        EXPECT_EQ(dlg->result(), 1);
        EXPECT_FALSE(dlg->isVisible());
        EXPECT_EQ(Module().EnteredNumber, row.max);
        EXPECT_EQ(Module().EnteredName, "K\xC3\xBC");
        // Shown again it starts over; one more is reported as it is typed and again by Enter;
        // OK then refuses silently; Escape, Cancel and the close box cancel.
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
        SendKey(Child(*dlg, row.field), Qt::Key_Return);
        EXPECT_EQ(answerer.Seen().size(), 2u) << "Enter reports the number again";
        Child<QPushButton>(*dlg, "7056")->click();
        EXPECT_EQ(answerer.Seen().size(), 2u);
        EXPECT_TRUE(dlg->isVisible());
        const std::function<void()> cancels[] = {
            [&] { SendKey(Child(*dlg, "7055"), Qt::Key_Escape); },
            [&] { Child<QPushButton>(*dlg, "7057")->click(); }, [&] { dlg->close(); }};
        for (const auto& cancel : cancels) {
            dlg->show();
            dlg->setResult(0);
            cancel();
            EXPECT_EQ(dlg->result(), 2);
        }
    }
}

TEST_F(GroupDialogs, TwoLevelFieldTakesTheThreeLevelFieldsPlace) {
    CGroupAddressDlg three(true), two(false);
    three.show();
    two.show();
    EXPECT_FALSE(Child(three, "7064")->isVisible());
    EXPECT_FALSE(Child(two, "7035")->isVisible());
    EXPECT_EQ(Child(two, "7064")->geometry(), Child(three, "7035")->geometry());
    // OK hands over the number the user sees, whatever field changed last; Enter on a radio
    // button is OK.
    Child<QLineEdit>(two, "7064")->setText(QStringLiteral("2047"));
    Child<QLineEdit>(two, "7035")->setText(QStringLiteral("1"));
    SendKey(Child<QRadioButton>(two, "7063"), Qt::Key_Enter);
    EXPECT_EQ(two.result(), 1);
    EXPECT_EQ(Module().EnteredNumber, 2047u);
}

// The object-type buttons (one group, none chosen at first) and the bus-type buttons: each
// button's text and the choice it stands for, by click, double-click or SetChoice.
TEST_F(GroupDialogs, ChoiceButtonsShowAndSetTheChoice) {
    Module().UiLanguage = 1;
    CGroupAddressDlg address(true);
    CBusTypeDlg bus;
    address.show();
    bus.show();
    EXPECT_EQ(address.Choice(), -1);
    EXPECT_EQ(bus.Choice(), -1);
    EXPECT_EQ(bus.objectName() + " " + bus.windowTitle() + " " + Text(bus, "7065") + " " +
                  Text(bus, "1") + " " + Text(bus, "2") + " " + Text(bus, "7078") + " " +
                  Text(bus, "7079"),
              "CBusTypeDlg Auswahl Bustyp OK Abbrechen Master/Slave Master/Slave");
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

}  // namespace
}  // namespace halvex
