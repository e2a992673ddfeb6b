#include "qt/CIpAddressCtrl.h"

#include <QHBoxLayout>
#include <QIntValidator>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>

namespace halvex {
namespace {

uint8_t OctetOf(const QString& text) {
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok || value < 0)
        return 0;
    return static_cast<uint8_t>(value > 255 ? 255 : value);
}

}  // namespace

CIpAddressCtrl::CIpAddressCtrl(QWidget* parent) : QWidget(parent) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    for (int i = 0; i < 4; ++i) {
        if (i > 0)
            layout->addWidget(new QLabel(QStringLiteral("."), this));
        auto* field = new QLineEdit(this);
        field->setValidator(new QIntValidator(0, 255, field));
        field->setMaxLength(3);
        field->setAlignment(Qt::AlignCenter);
        field->setFixedWidth(field->fontMetrics().horizontalAdvance(QStringLiteral("0000")) + 8);
        field->installEventFilter(this);
        // A complete octet moves on to the next field, as the platform's address control does.
        connect(field, &QLineEdit::textEdited, this, [this, i](const QString& text) {
            if (text.size() == 3 && i < 3)
                FocusField(i + 1);
        });
        // Leaving a field shows the octet it stands for (an over-range value becomes 255).
        connect(field, &QLineEdit::editingFinished, this, [field] {
            if (!field->text().isEmpty())
                field->setText(QString::number(OctetOf(field->text())));
        });
        fields_[static_cast<size_t>(i)] = field;
        layout->addWidget(field);
    }
    layout->addStretch();
    setFocusProxy(fields_[0]);
}

std::array<uint8_t, 4> CIpAddressCtrl::Address() const {
    std::array<uint8_t, 4> address{};
    for (size_t i = 0; i < 4; ++i)
        address[i] = OctetOf(fields_[i]->text());
    return address;
}

void CIpAddressCtrl::SetAddress(std::array<uint8_t, 4> address) {
    for (size_t i = 0; i < 4; ++i)
        fields_[i]->setText(QString::number(address[i]));
}

QLineEdit* CIpAddressCtrl::Field(int index) const {
    return index >= 0 && index < 4 ? fields_[static_cast<size_t>(index)] : nullptr;
}

void CIpAddressCtrl::FocusField(int index) {
    QLineEdit* field = Field(index);
    if (field == nullptr)
        return;
    field->setFocus();
    field->selectAll();
}

bool CIpAddressCtrl::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        for (int i = 0; i < 4; ++i) {
            if (watched != fields_[static_cast<size_t>(i)])
                continue;
            // '.' jumps to the next octet; Backspace in an empty field goes back one.
            if (key->text() == QLatin1String(".")) {
                if (i < 3 && !fields_[static_cast<size_t>(i)]->text().isEmpty())
                    FocusField(i + 1);
                return true;
            }
            if (key->key() == Qt::Key_Backspace && i > 0 &&
                fields_[static_cast<size_t>(i)]->text().isEmpty()) {
                FocusField(i - 1);
                return true;
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace halvex
