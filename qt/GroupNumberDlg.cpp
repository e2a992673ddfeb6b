#include "qt/GroupNumberDlg.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

#include "model/ControlIds.h"
#include "qt/QtText.h"

namespace halvex {

GroupNumberDlg::GroupNumberDlg(Text caption, QWidget* parent)
    : QDialog(parent),
      numberLabel_(new QLabel(Tr(Text::Number), this)),
      nameLabel_(new QLabel(QStringLiteral("Name:"), this)),
      nameEdit_(new QLineEdit(this)),
      okButton_(new QPushButton(QStringLiteral("OK"), this)),
      cancelButton_(new QPushButton(QStringLiteral("Cancel"), this)) {
    setWindowTitle(Tr(caption));
    numberLabel_->setObjectName(ControlName(ids::kNumberLabel));
    nameLabel_->setObjectName(ControlName(ids::kNameLabel));
    nameEdit_->setObjectName(ControlName(ids::kGroupName));
    okButton_->setObjectName(ControlName(ids::kGroupOk));
    cancelButton_->setObjectName(ControlName(ids::kGroupCancel));
    okButton_->setDefault(true);
    nameLabel_->setBuddy(nameEdit_);

    connect(nameEdit_, &QLineEdit::textChanged, this, [this] { OnNameChanged(); });
    connect(okButton_, &QPushButton::clicked, this, [this] { AcceptIfValid(false); });
    connect(cancelButton_, &QPushButton::clicked, this, [this] { reject(); });
}

void GroupNumberDlg::reject() {
    done(kCancel);
}

QLineEdit* GroupNumberDlg::AddNumberField(int id, uint32_t max) {
    auto* edit = new QLineEdit(QStringLiteral("0"), this);
    edit->setObjectName(ControlName(id));
    fields_.push_back({edit, GroupNumberField(max)});
    if (active_ == nullptr)
        SetActiveNumberField(edit);
    connect(edit, &QLineEdit::textChanged, this, [this, edit] { OnNumberChanged(edit); });
    return edit;
}

void GroupNumberDlg::SetActiveNumberField(QLineEdit* edit) {
    active_ = edit;
    numberLabel_->setBuddy(edit);
}

QLabel* GroupNumberDlg::AddRangeLabel(int id, const QString& text) {
    rangeLabel_ = new QLabel(text, this);
    if (id != 0)
        rangeLabel_->setObjectName(ControlName(id));
    return rangeLabel_;
}

QGridLayout* GroupNumberDlg::NumberNameGrid() {
    auto* grid = new QGridLayout;
    grid->addWidget(numberLabel_, 0, 0);
    for (const NumberField& field : fields_)
        grid->addWidget(field.edit, 0, 1);
    if (rangeLabel_ != nullptr)
        grid->addWidget(rangeLabel_, 0, 2);
    grid->addWidget(nameLabel_, 1, 0);
    grid->addWidget(nameEdit_, 1, 1, 1, 2);
    grid->setColumnStretch(1, 1);
    return grid;
}

QLayout* GroupNumberDlg::ButtonRow() {
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    row->addWidget(okButton_);
    row->addWidget(cancelButton_);
    return row;
}

void GroupNumberDlg::UseFormLayout() {
    auto* column = new QVBoxLayout(this);
    column->addLayout(NumberNameGrid());
    column->addStretch(1);
    column->addLayout(ButtonRow());
}

void GroupNumberDlg::showEvent(QShowEvent* event) {
    if (!event->spontaneous()) {
        // Opening starts from a clean slate: fields and the module's entered values.
        for (NumberField& field : fields_) {
            const QSignalBlocker block(field.edit);
            field.edit->setText(QStringLiteral("0"));
            field.rules.Reset();
        }
        {
            const QSignalBlocker block(nameEdit_);
            nameEdit_->clear();
        }
        OpenGroupEntry();
        if (active_ != nullptr) {
            active_->setFocus();
            active_->selectAll();
        }
    }
    QDialog::showEvent(event);
}

void GroupNumberDlg::keyPressEvent(QKeyEvent* event) {
    // Buttons with focus take Enter themselves; from any other control it means OK.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        AcceptIfValid(true);
        return;
    }
    QDialog::keyPressEvent(event);
}

GroupNumberDlg::NumberField* GroupNumberDlg::FieldOf(QLineEdit* edit) {
    for (NumberField& field : fields_) {
        if (field.edit == edit)
            return &field;
    }
    return nullptr;
}

void GroupNumberDlg::OnNumberChanged(QLineEdit* edit) {
    NumberField* field = FieldOf(edit);
    if (field != nullptr && field->rules.Changed(edit->text().toStdString()))
        ReportBadNumber(*field);
}

void GroupNumberDlg::OnNameChanged() {
    GroupNameChanged(nameEdit_->text().toStdString());
}

void GroupNumberDlg::AcceptIfValid(bool reportBadNumber) {
    NumberField* field = FieldOf(active_);
    if (reporting_ || field == nullptr)
        return;
    const std::optional<uint32_t> number = field->rules.Accepted(active_->text().toStdString());
    if (!number) {
        if (reportBadNumber)
            ReportBadNumber(*field);
        return;
    }
    // The caller reads what the visible fields hold, even if a hidden field changed last.
    AcceptGroupEntry(*number, nameEdit_->text().toStdString());
    done(kOk);
}

void GroupNumberDlg::ReportBadNumber(NumberField& field) {
    if (reporting_)
        return;
    reporting_ = true;
    QMessageBox box(QMessageBox::Warning, windowTitle(),
                    QString::fromStdString(BadGroupNumberText(field.rules.Max())), QMessageBox::Ok,
                    this);
    box.exec();
    reporting_ = false;
    field.edit->setFocus();
    field.edit->selectAll();
}

}  // namespace halvex
