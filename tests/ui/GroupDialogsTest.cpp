#include <gtest/gtest.h>

#include <QApplication>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>

#include <functional>
#include <memory>

#include "catalogue/CBusTypeDlg.h"
#include "catalogue/CGroupAddressDlg.h"
#include "catalogue/CMainGroupDlg.h"
#include "catalogue/CMiddleGroupDlg.h"
#include "plugin/ModuleState.h"
#include "support/ModalAnswerer.h"

namespace halvex {
namespace {

using test::ModalAnswerer;

template <typename T>
T* Child(QWidget& parent, const char* name) {
    T* child = parent.findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(child, nullptr) << "no control " << name;
    return child;
}

void SendKey(QWidget* target, int key) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(target, &press);
}

// What a user does with the mouse on a double-click: press, release, double-click, release.
void DoubleClick(QWidget* target) {
    const QPointF at(target->width() / 2.0, target->height() / 2.0);
    const QPointF global = target->mapToGlobal(at);
    for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease,
                              QEvent::MouseButtonDblClick, QEvent::MouseButtonRelease}) {
        const Qt::MouseButtons held =
            type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent event(type, at, global, Qt::LeftButton, held, Qt::NoModifier);
        QApplication::sendEvent(target, &event);
    }
}

class GroupDialogs : public ::testing::Test {
protected:
    void SetUp() override { ResetModuleState(); }
    void TearDown() override { ResetModuleState(); }
};

// One dialog kind with the field the user types into and the largest number it accepts.
struct RangeCase {
    const char* name;
    std::function<std::unique_ptr<GroupNumberDlg>()> make;
    const char* field;
    uint32_t max;
};

std::vector<RangeCase> RangeCases() {
    return {
        {"main", [] { return std::make_unique<CMainGroupDlg>(); }, "7035", 31},
        {"middle", [] { return std::make_unique<CMiddleGroupDlg>(); }, "7035", 7},
        {"three-level", [] { return std::make_unique<CGroupAddressDlg>(true); }, "7035", 255},
        {"two-level", [] { return std::make_unique<CGroupAddressDlg>(false); }, "7064", 2047},
    };
}

TEST_F(GroupDialogs, OkClosesWithOneOnlyForTheLargestNumberOfTheRange) {
    for (const RangeCase& c : RangeCases()) {
        SCOPED_TRACE(c.name);
        auto dlg = c.make();
        dlg->show();
        Child<QLineEdit>(*dlg, c.field)->setText(QString::number(c.max));
        Child<QPushButton>(*dlg, "7056")->click();
        EXPECT_EQ(dlg->result(), 1);
        EXPECT_FALSE(dlg->isVisible());
        EXPECT_EQ(Module().EnteredNumber, c.max);

        auto refused = c.make();
        refused->show();
        ModalAnswerer answerer;
        // The second answer is only used if OK wrongly shows a message.
        answerer.Then(ModalAnswerer::Press("OK")).Then(ModalAnswerer::Press("OK"));
        Child<QLineEdit>(*refused, c.field)->setText(QString::number(c.max + 1));
        ASSERT_EQ(answerer.Seen().size(), 1u) << "typing out of range is reported";
        EXPECT_EQ(Module().EnteredNumber, c.max + 1);
        Child<QPushButton>(*refused, "7056")->click();
        EXPECT_TRUE(refused->isVisible());
        EXPECT_NE(refused->result(), 1);
        EXPECT_EQ(answerer.Seen().size(), 1u) << "OK refuses without a message";
        Child<QPushButton>(*refused, "7057")->click();
        EXPECT_EQ(refused->result(), 2);
    }
}

TEST_F(GroupDialogs, OpeningStartsOverAndEachChangeSetsAValue) {
    CMiddleGroupDlg dlg;
    dlg.show();
    Child<QLineEdit>(dlg, "7035")->setText(QStringLiteral("6"));
    Child<QLineEdit>(dlg, "7055")
        ->setText(QString::fromUtf8("K\xC3\xBC"
                                    "che"));
    EXPECT_EQ(Module().EnteredNumber, 6u);
    EXPECT_EQ(Module().EnteredName,
              "K\xC3\xBC"
              "che");
    dlg.hide();
    dlg.show();
    EXPECT_EQ(Module().EnteredNumber, 0u);
    EXPECT_EQ(Child<QLineEdit>(dlg, "7035")->text(), QStringLiteral("0"));
    EXPECT_EQ(Child<QLineEdit>(dlg, "7055")->text(), QString());
}

TEST_F(GroupDialogs, ExecReturnsOneForOkAndTwoForCancel) {
    CMainGroupDlg ok;
    ModalAnswerer answerer;
    answerer.Then([](QWidget* w) {
        w->findChild<QLineEdit*>(QStringLiteral("7035"))->setText(QStringLiteral("5"));
        w->findChild<QLineEdit*>(QStringLiteral("7055"))->setText(QStringLiteral("Light"));
        w->findChild<QPushButton*>(QStringLiteral("7056"))->click();
    });
    EXPECT_EQ(ok.exec(), 1);
    EXPECT_EQ(Module().EnteredNumber, 5u);
    EXPECT_EQ(Module().EnteredName, "Light");

    CMainGroupDlg cancel;
    answerer.Then(ModalAnswerer::Press("Cancel"));
    EXPECT_EQ(cancel.exec(), 2);
    EXPECT_TRUE(answerer.AllAnswered());
}

TEST_F(GroupDialogs, EnterIsOkAfterTheCheckAndEscapeIsCancel) {
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
    EXPECT_EQ(Module().EnteredNumber, 255u);

    dlg.show();
    SendKey(Child<QLineEdit>(dlg, "7055"), Qt::Key_Escape);
    EXPECT_EQ(dlg.result(), 2);
    EXPECT_FALSE(dlg.isVisible());

    dlg.show();
    dlg.setResult(0);
    dlg.close();  // the window's close box
    EXPECT_EQ(dlg.result(), 2);
}

TEST_F(GroupDialogs, CaptionsAndLabelsFollowTheLanguage) {
    struct Expected {
        const char* main;
        const char* middle;
        const char* address;
        const char* number;
        const char* objectType;
    };
    const Expected languages[] = {
        {"Maingroupaddress", "Middlegroup", "Groupaddress", "Number", "Objecttype"},
        {"Hauptgruppe", "Mittelgruppe", "Gruppenadresse", "Nummer", "Objekttyp"},
    };
    for (uint8_t language = 0; language < 2; ++language) {
        SCOPED_TRACE(language);
        const Expected& e = languages[language];
        Module().UiLanguage = language;
        CMainGroupDlg main;
        CMiddleGroupDlg middle;
        CGroupAddressDlg address(true);
        EXPECT_EQ(main.objectName(), QStringLiteral("CMainGroupDlg"));
        EXPECT_EQ(middle.objectName(), QStringLiteral("CMiddleGroupDlg"));
        EXPECT_EQ(address.objectName(), QStringLiteral("CGroupAddressDlg"));
        EXPECT_EQ(main.windowTitle(), QString::fromLatin1(e.main));
        EXPECT_EQ(middle.windowTitle(), QString::fromLatin1(e.middle));
        EXPECT_EQ(address.windowTitle(), QString::fromLatin1(e.address));
        for (QDialog* dlg : {static_cast<QDialog*>(&main), static_cast<QDialog*>(&middle),
                             static_cast<QDialog*>(&address)}) {
            EXPECT_EQ(Child<QLabel>(*dlg, "7066")->text(), QString::fromLatin1(e.number));
            // Only the group-address dialog relabels the name; the others keep "Name:".
            EXPECT_EQ(Child<QLabel>(*dlg, "7067")->text(),
                      dlg == &address ? QStringLiteral("Name") : QStringLiteral("Name:"));
            EXPECT_EQ(Child<QPushButton>(*dlg, "7056")->text(), QStringLiteral("OK"));
            EXPECT_EQ(Child<QPushButton>(*dlg, "7057")->text(), QStringLiteral("Cancel"));
        }
        EXPECT_EQ(Child<QGroupBox>(address, "7068")->title(), QString::fromLatin1(e.objectType));
        bool mainRange = false;
        for (QLabel* label : main.findChildren<QLabel*>()) {
            mainRange = mainRange || label->text() == QStringLiteral("(0..31)");
        }
        EXPECT_TRUE(mainRange);
        EXPECT_EQ(Child<QLabel>(middle, "7059")->text(), QStringLiteral("(0..7)"));
        EXPECT_EQ(Child<QLabel>(address, "7061")->text(), QStringLiteral("(0..255)"));
    }
}

TEST_F(GroupDialogs, TwoLevelLayoutSwapsTheNumberFieldInPlace) {
    CGroupAddressDlg three(true);
    three.show();
    EXPECT_TRUE(Child<QLineEdit>(three, "7035")->isVisible());
    EXPECT_FALSE(Child<QLineEdit>(three, "7064")->isVisible());

    CGroupAddressDlg two(false);
    two.show();
    auto* shown = Child<QLineEdit>(two, "7064");
    auto* hidden = Child<QLineEdit>(two, "7035");
    EXPECT_TRUE(shown->isVisible());
    EXPECT_FALSE(hidden->isVisible());
    EXPECT_EQ(shown->geometry(), three.findChild<QLineEdit*>(QStringLiteral("7035"))->geometry());
    EXPECT_EQ(Child<QLabel>(two, "7061")->text(), QStringLiteral("(0..2047"));

    // OK hands over the number the user sees, whatever field changed last.
    shown->setText(QStringLiteral("2047"));
    hidden->setText(QStringLiteral("1"));
    Child<QPushButton>(two, "7056")->click();
    EXPECT_EQ(two.result(), 1);
    EXPECT_EQ(Module().EnteredNumber, 2047u);
}

TEST_F(GroupDialogs, ObjectTypeButtonsStartUnchosenAndSetTheChoice) {
    CGroupAddressDlg dlg(true);
    dlg.show();
    const char* ids[] = {"7062", "7063", "7065", "7069", "7070"};
    const char* texts[] = {"1 Bit", "1 Byte", "3 Byte", "4 Byte", "4 Bit"};
    EXPECT_EQ(dlg.Choice(), -1);
    for (int i = 0; i < 5; ++i) {
        auto* radio = Child<QRadioButton>(dlg, ids[i]);
        EXPECT_EQ(radio->text(), QString::fromLatin1(texts[i]));
        EXPECT_FALSE(radio->isChecked());
    }
    dlg.SetChoice(0);
    EXPECT_EQ(dlg.Choice(), 0);
    EXPECT_TRUE(Child<QRadioButton>(dlg, "7062")->isChecked());

    Child<QRadioButton>(dlg, "7069")->click();
    EXPECT_EQ(dlg.Choice(), 3);
    EXPECT_FALSE(Child<QRadioButton>(dlg, "7062")->isChecked()) << "one group";
    DoubleClick(Child<QRadioButton>(dlg, "7070"));
    EXPECT_EQ(dlg.Choice(), 4);

    dlg.SetChoice(-1);
    EXPECT_EQ(dlg.Choice(), -1);
    for (const char* id : ids)
        EXPECT_FALSE(Child<QRadioButton>(dlg, id)->isChecked());
    dlg.SetChoice(7);
    EXPECT_EQ(dlg.Choice(), -1);
}

TEST_F(GroupDialogs, BusTypeDialogTextsInBothLanguages) {
    const char* captions[] = {"Selection", "Auswahl"};
    const char* boxes[] = {"Bustype", "Bustyp"};
    for (uint8_t language = 0; language < 2; ++language) {
        SCOPED_TRACE(language);
        Module().UiLanguage = language;
        CBusTypeDlg dlg;
        EXPECT_EQ(dlg.objectName(), QStringLiteral("CBusTypeDlg"));
        EXPECT_EQ(dlg.windowTitle(), QString::fromLatin1(captions[language]));
        EXPECT_EQ(Child<QGroupBox>(dlg, "7065")->title(), QString::fromLatin1(boxes[language]));
        EXPECT_EQ(Child<QPushButton>(dlg, "1")->text(), QStringLiteral("OK"));
        EXPECT_EQ(Child<QPushButton>(dlg, "2")->text(), QStringLiteral("Abbrechen"));
    }
    CBusTypeDlg dlg;
    dlg.show();
    const char* ids[] = {"7047", "7050", "7048", "7049", "7051"};
    const char* texts[] = {"KNX", "", "EnOcean", "WLAN", ""};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(Child<QRadioButton>(dlg, ids[i])->text(), QString::fromLatin1(texts[i]));
    }
    // The master/slave buttons are named by two statics on their right.
    const auto besideOf = [&dlg](const char* radioId, const char* busText, const char* staticId) {
        SCOPED_TRACE(radioId);
        const QRect radio = Child<QRadioButton>(dlg, radioId)->geometry();
        auto* masterSlave = Child<QLabel>(dlg, staticId);
        EXPECT_EQ(masterSlave->text(), QStringLiteral("Master/Slave"));
        EXPECT_GE(masterSlave->geometry().left(), radio.right());
        QLabel* bus = nullptr;
        for (QLabel* label : dlg.findChildren<QLabel*>()) {
            if (label->text() == QString::fromLatin1(busText) &&
                label->geometry().left() == masterSlave->geometry().left()) {
                bus = label;
            }
        }
        ASSERT_NE(bus, nullptr);
        EXPECT_LT(bus->geometry().top(), masterSlave->geometry().top());
    };
    besideOf("7050", "KNX", "7078");
    besideOf("7051", "WLAN", "7079");
}

TEST_F(GroupDialogs, BusTypeChoiceAndResults) {
    CBusTypeDlg dlg;
    EXPECT_EQ(dlg.Choice(), -1);
    dlg.SetChoice(0);
    EXPECT_TRUE(Child<QRadioButton>(dlg, "7047")->isChecked());
    dlg.SetChoice(1);
    EXPECT_TRUE(Child<QRadioButton>(dlg, "7050")->isChecked());
    EXPECT_FALSE(Child<QRadioButton>(dlg, "7047")->isChecked());
    dlg.SetChoice(-1);
    EXPECT_EQ(dlg.Choice(), -1);
    EXPECT_FALSE(Child<QRadioButton>(dlg, "7050")->isChecked());

    ModalAnswerer answerer;
    answerer.Then([](QWidget* w) {
        w->findChild<QRadioButton*>(QStringLiteral("7051"))->click();
        w->findChild<QPushButton*>(QStringLiteral("1"))->click();
    });
    EXPECT_EQ(dlg.exec(), 1);
    EXPECT_EQ(dlg.Choice(), 4);

    CBusTypeDlg cancelled;
    answerer.Then(ModalAnswerer::Press("Abbrechen"));
    EXPECT_EQ(cancelled.exec(), 2);

    dlg.show();
    SendKey(Child<QRadioButton>(dlg, "7048"), Qt::Key_Escape);
    EXPECT_EQ(dlg.result(), 2);
    dlg.show();
    Child<QRadioButton>(dlg, "7048")->click();
    SendKey(Child<QRadioButton>(dlg, "7048"), Qt::Key_Return);
    EXPECT_EQ(dlg.result(), 1);
    EXPECT_EQ(dlg.Choice(), 2);
}

}  // namespace
}  // namespace halvex
