// An IPv4 address entry: four octet fields separated by dots, read and set as four bytes.
#pragma once

#include <QWidget>

#include <array>
#include <cstdint>

class QLineEdit;

namespace halvex {

class CIpAddressCtrl : public QWidget {
    Q_OBJECT
public:
    explicit CIpAddressCtrl(QWidget* parent = nullptr);

    // The four octets, first octet first; an empty field reads as 0, values above 255 as 255.
    std::array<uint8_t, 4> Address() const;
    void SetAddress(std::array<uint8_t, 4> address);

    // The edit of octet `index` (0-3), for keyboard-level tests and focus handling.
    QLineEdit* Field(int index) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FocusField(int index);

    std::array<QLineEdit*, 4> fields_{};
};

}  // namespace halvex
