// A stand-in plug-in for the host's tests: the three exports with dialogs that carry the real
// plug-in's objectNames and buttons, and nothing behind them. It writes what
// it received behind the header of the record it hands back.
//
// HALVEX_FAKE_MODE selects misbehaviour: "no-ok" (no OK button), "deaf-ok" (OK does nothing),
// "hang" (OK blocks forever), "mystery" (an unknown modal dialog). HALVEX_FAKE_GATEWAYS lists
// the search answers, separated by ';'.
#include <QDialog>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "halvex/plugin.h"

#define FAKE_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

std::string Env(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

bool Mode(const char* mode) {
    return Env("HALVEX_FAKE_MODE") == mode;
}

class FakeNetworkPage : public QWidget {
    Q_OBJECT
public:
    explicit FakeNetworkPage(QWidget* parent) : QWidget(parent) {
        setObjectName(QStringLiteral("CDeviceSettingsPage"));
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(list_ = new QListWidget(this));
        layout->addWidget(progress_ = new QLabel(this));
        list_->setObjectName(QStringLiteral("7039"));
        progress_->setObjectName(QStringLiteral("uploadProgress"));
        for (const auto& [name, handler] : {std::pair{"7040", &FakeNetworkPage::SearchGateways},
                                            std::pair{"7038", &FakeNetworkPage::UploadToGateway}}) {
            auto* button = new QPushButton(QString::fromLatin1(name), this);
            button->setObjectName(QString::fromLatin1(name));
            layout->addWidget(button);
            connect(button, &QPushButton::clicked, this, handler);
        }
    }

    void SearchGateways() {
        list_->clear();
        report += isVisible() ? " page-shown" : "";
        for (const QString& line :
             QString::fromStdString(Env("HALVEX_FAKE_GATEWAYS")).split(';', Qt::SkipEmptyParts)) {
            // Answers arrive a little later, as from the network.
            QTimer::singleShot(50, this, [this, line] { list_->addItem(line); });
        }
    }

    void UploadToGateway() {
        if (list_->currentItem() == nullptr ||
            QMessageBox::warning(this, QStringLiteral("Attention"),
                                 QStringLiteral("Really change IP-address of selected Gateway ?"),
                                 QMessageBox::Ok | QMessageBox::Cancel) != QMessageBox::Ok)
            return;
        progress_->setText(QStringLiteral("Block 1 of 1"));
        report += " uploaded=" + list_->currentItem()->text().section(' ', 0, 0).toStdString();
        QMessageBox::information(this, QStringLiteral("Information"),
                                 QStringLiteral("Upload done"));
    }

    std::string report;

private:
    QListWidget* list_;
    QLabel* progress_;
};

// Adds an OK button named `ok`; in the main dialog it obeys the modes "hang" and "deaf-ok".
void AddOk(QDialog& dialog, const char* ok) {
    auto* button = new QPushButton(QStringLiteral("OK"), &dialog);
    button->setObjectName(QString::fromLatin1(ok));
    dialog.layout()->addWidget(button);
    QObject::connect(button, &QPushButton::clicked, &dialog, [&dialog] {
        while (Mode("hang"))
            std::this_thread::sleep_for(std::chrono::seconds(1));
        if (!Mode("deaf-ok") || dialog.objectName() != QLatin1String("CKnxDlg"))
            dialog.accept();
    });
}

// The bus type picked in a dialog like the plug-in's (the first is preselected), or -1.
int AskBusType() {
    QDialog dialog;
    dialog.setObjectName(QStringLiteral("CBusTypeDlg"));
    new QVBoxLayout(&dialog);
    QRadioButton* radios[5];
    const char* names[5] = {"7047", "7050", "7048", "7049", "7051"};
    for (int i = 0; i < 5; ++i) {
        dialog.layout()->addWidget(radios[i] = new QRadioButton(names[i], &dialog));
        radios[i]->setObjectName(QString::fromLatin1(names[i]));
    }
    radios[0]->setChecked(true);
    AddOk(dialog, "1");
    if (dialog.exec() != QDialog::Accepted)
        return -1;
    int checked = 0;
    while (!radios[checked]->isChecked())
        ++checked;
    return checked;
}

std::string Text(const uint8_t* field, size_t size) {
    return std::string(reinterpret_cast<const char*>(field),
                       strnlen(reinterpret_cast<const char*>(field), size));
}

}  // namespace

FAKE_EXPORT void HALVEX_STDCALL __OpenKNXDialog(const uint8_t* sceneList, uint8_t* record,
                                                uint8_t** recordSlot, uint8_t language,
                                                const uint32_t* deviceTable, uint16_t deviceCount) {
    const int bus = record == nullptr ? AskBusType() : -1;
    if (record == nullptr && bus < 0)
        return;
    QDialog dialog;
    dialog.setObjectName(QStringLiteral("CKnxDlg"));
    new QVBoxLayout(&dialog);
    auto* tabs = new QTabWidget(&dialog);
    tabs->addTab(new QWidget(tabs), QStringLiteral("Scene Out 1"));
    auto* page = new FakeNetworkPage(tabs);
    tabs->addTab(page, QStringLiteral("Lan/KNX"));
    dialog.layout()->addWidget(tabs);
    if (!Mode("no-ok"))
        AddOk(dialog, "7052");
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), &dialog);
    cancel->setObjectName(QStringLiteral("7009"));
    dialog.layout()->addWidget(cancel);
    QObject::connect(cancel, &QPushButton::clicked, &dialog, &QDialog::reject);
    if (Mode("mystery")) {
        QTimer::singleShot(0, &dialog, [&dialog] {
            QDialog mystery(&dialog);
            mystery.setObjectName(QStringLiteral("Mystery"));
            mystery.setWindowTitle(QStringLiteral("Something else"));
            mystery.exec();
        });
    }
    if (dialog.exec() != QDialog::Accepted)
        return;
    // The first scene's name ends where the u16 at 10 points; device 0 is at the table's start.
    const auto* devices = reinterpret_cast<const uint8_t*>(deviceTable);
    std::string text = "bus=" + std::to_string(bus) + " lang=" + std::to_string(language) +
                       " scenes=" + std::to_string(sceneList[6]) +
                       " devices=" + std::to_string(deviceCount);
    if (sceneList[6] > 0)
        text += " scene0=" + Text(sceneList + (sceneList[10] | sceneList[11] << 8) - 15, 15);
    if (deviceCount > 0)
        text += " device0=" + Text(devices, 20) + " kind0=" + std::to_string(devices[20]);
    if (record != nullptr)
        text += " old=" + std::to_string(record[0] | (record[1] << 8));
    text += page->report;
    // A record whose header is valid and whose main part holds the text after the header.
    const size_t size = 62 + text.size();
    auto* replacement = static_cast<uint8_t*>(std::calloc(size, 1));
    replacement[0] = static_cast<uint8_t>(size);
    replacement[1] = static_cast<uint8_t>(size >> 8);
    std::memcpy(replacement + 62, text.data(), text.size());
    *recordSlot = replacement;
    std::free(record);
}

FAKE_EXPORT void HALVEX_STDCALL __DeleteScene(uint8_t sceneIndex, const uint8_t* sceneList,
                                              uint8_t** recordSlot) {
    // Bytes 54 and 55 are free in every record: they show what arrived.
    (*recordSlot)[54] = sceneIndex;
    (*recordSlot)[55] = sceneList[6];
}

// The host's frames are checked at the real plug-in's receiver (scripts/walkthrough.sh).
FAKE_EXPORT void HALVEX_STDCALL __SendDMXData2UDP(uint8_t*, const uint8_t*, uint16_t) {}

#include "FakePlugin.moc"
