// Shared base of the dialogs that ask for a group number and a name (main group, middle group,
// group address).
//
// It owns the number field(s), the name field, OK (7056) and Cancel (7057) and shows what the
// group-entry rules (model/GroupEntry.h) decide: OK closes with 1 only when the active number is
// acceptable and otherwise stays open silently; Enter does the same but reports a bad number;
// Cancel and Escape close with 2.
#pragma once

#include <QDialog>

#include <cstdint>
#include <optional>
#include <vector>

#include "engine/UiText.h"
#include "model/GroupEntry.h"

class QGridLayout;
class QLabel;
class QLayout;
class QLineEdit;
class QPushButton;

namespace halvex {

class GroupNumberDlg : public QDialog {
    Q_OBJECT
public:
    // Results of exec().
    static constexpr int kOk = 1;
    static constexpr int kCancel = 2;

    // Cancel, Escape and closing the window all end the dialog with kCancel.
    void reject() override;

protected:
    GroupNumberDlg(Text caption, QWidget* parent);

    // The name label (7067) keeps its template text "Name:" unless a dialog relabels it.
    QLabel* NameLabel() const { return nameLabel_; }

    // Creates a number field (control `id`, initial "0") that accepts 0..max. The first field
    // created is the active one, whose number OK checks.
    QLineEdit* AddNumberField(int id, uint32_t max);
    void SetActiveNumberField(QLineEdit* edit);
    // The range hint beside the number field; `id` 0 for a hint without control ID.
    QLabel* AddRangeLabel(int id, const QString& text);

    // Number label, all number fields in one cell, range hint; below them name label and field.
    QGridLayout* NumberNameGrid();
    // OK and Cancel, right-aligned.
    QLayout* ButtonRow();
    // The plain form of the main and middle group dialogs: the grid above the buttons.
    void UseFormLayout();

    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    struct NumberField {
        QLineEdit* edit = nullptr;
        GroupNumberField rules;
    };

    NumberField* FieldOf(QLineEdit* edit);
    void OnNumberChanged(QLineEdit* edit);
    void OnNameChanged();
    // OK: close with 1 when the active number is valid; Enter also reports a bad number.
    void AcceptIfValid(bool reportBadNumber);
    void ReportBadNumber(NumberField& field);

    QLabel* numberLabel_;
    QLabel* nameLabel_;
    QLineEdit* nameEdit_;
    QPushButton* okButton_;
    QPushButton* cancelButton_;
    QLabel* rangeLabel_ = nullptr;
    std::vector<NumberField> fields_;
    QLineEdit* active_ = nullptr;
    bool reporting_ = false;  // a report box is open
};

}  // namespace halvex
