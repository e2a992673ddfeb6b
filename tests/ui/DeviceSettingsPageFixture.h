// Shared set-up for the network settings page tests: a hand-made record in Module().
#pragma once

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QFocusEvent>
#include <QLineEdit>

#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <memory>

#include "gateway/CDeviceSettingsPage.h"
#include "gateway/CIpAddressCtrl.h"
#include "plugin/ModuleState.h"

namespace halvex::test {

class DeviceSettingsPageTest : public ::testing::Test {
protected:
    static constexpr size_t kRecordSize = 62;

    void SetUp() override {
        ResetModuleState();
        Module().UiLanguage = 0;
        auto* record = static_cast<uint8_t*>(std::malloc(kRecordSize));
        std::memset(record, 0, kRecordSize);
        // A new KNX record: length 62, flags for KNX, default addresses.
        record[0] = 62;
        record[10] = 0xFF;
        record[11] = 0xFF;
        record[15] = 0x20;
        const uint8_t addresses[16] = {192, 168, 1, 223, 255, 255, 255, 0,
                                       192, 168, 1, 1,   224, 0,   23,  12};
        std::memcpy(record + 16, addresses, sizeof addresses);
        Module().WorkingRecord = record;
        Module().WorkingRecordCapacity = kRecordSize;
    }

    void TearDown() override {
        page.reset();
        std::free(Module().WorkingRecord);
        ResetModuleState();
    }

    uint8_t* Record() { return Module().WorkingRecord; }

    CDeviceSettingsPage& Open() {
        page = std::make_unique<CDeviceSettingsPage>();
        page->InitPage();
        return *page;
    }

    template <typename T = QWidget>
    T* Control(const char* id) {
        T* w = page->findChild<T*>(QLatin1String(id));
        EXPECT_NE(w, nullptr) << "no control " << id;
        return w;
    }

    bool Hidden(const char* id) { return Control(id)->isHidden(); }

    // The ids among `ids` whose hidden state differs from `hidden`, as one readable string.
    std::string Mismatched(std::initializer_list<const char*> ids, bool hidden) {
        std::string wrong;
        for (const char* id : ids) {
            if (Hidden(id) != hidden)
                wrong += std::string(id) + " ";
        }
        return wrong;
    }

    void LoseFocus(const char* id) {
        QFocusEvent event(QEvent::FocusOut);
        QApplication::sendEvent(Control(id), &event);
    }

    void Type(const char* id, const QString& text) {
        Control<QLineEdit>(id)->setText(text);
        LoseFocus(id);
    }

    std::unique_ptr<CDeviceSettingsPage> page;
};

}  // namespace halvex::test
