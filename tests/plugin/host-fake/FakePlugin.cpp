// A stand-in plug-in for the host's tests: the three exports with dialogs that carry the
// objectNames, buttons and invokable methods of the real plug-in, and nothing behind them.
//
// It reports what it received in the records it hands back, so that the tests can check
// what the host passed through the C interface. HALVEX_FAKE_MODE selects misbehaviour:
// "greet" (a message box when the main dialog opens), "no-ok" (no OK button), "deaf-ok"
// (OK does nothing), "hang" (OK blocks forever), "mystery" (an unknown modal dialog).
// HALVEX_FAKE_GATEWAYS lists the search answers, separated by ';'. HALVEX_FAKE_LOG names a
// file that receives one line per DMX frame.
#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

#include <cstdio>
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
        list_ = new QListWidget(this);
        list_->setObjectName(QStringLiteral("7039"));
        progress_ = new QLabel(this);
        progress_->setObjectName(QStringLiteral("uploadProgress"));
        layout->addWidget(list_);
        layout->addWidget(progress_);
    }

    Q_INVOKABLE void SearchGateways() {
        list_->clear();
        searchedVisible = isVisible();
        for (const QString& line :
             QString::fromStdString(Env("HALVEX_FAKE_GATEWAYS")).split(';', Qt::SkipEmptyParts)) {
            // Answers arrive a little later, as from the network.
            QTimer::singleShot(50, this, [this, line] { list_->addItem(line); });
        }
    }

    Q_INVOKABLE void UploadToGateway() {
        if (list_->currentItem() == nullptr)
            return;
        const QString line = list_->currentItem()->text();
        QMessageBox question(QMessageBox::Warning, QStringLiteral("Attention"),
                             QStringLiteral("Really change IP-address of selected Gateway ?"),
                             QMessageBox::Ok | QMessageBox::Cancel, this);
        if (question.exec() != QMessageBox::Ok)
            return;
        progress_->setText(QStringLiteral("Block 1 of 1"));
        uploadedTo = line.section(' ', 0, 0).toStdString();
        QMessageBox::information(this, QStringLiteral("Information"),
                                 QStringLiteral("Upload done"));
    }

    std::string uploadedTo;
    bool searchedVisible = false;

private:
    QListWidget* list_;
    QLabel* progress_;
};

class FakeMainDialog : public QDialog {
    Q_OBJECT
public:
    FakeMainDialog() {
        setObjectName(QStringLiteral("CKnxDlg"));
        auto* layout = new QVBoxLayout(this);
        auto* tabs = new QTabWidget(this);
        tabs->addTab(new QWidget(tabs), QStringLiteral("Scene Out 1"));
        page = new FakeNetworkPage(tabs);
        tabs->addTab(page, QStringLiteral("Lan/KNX"));
        layout->addWidget(tabs);
        if (!Mode("no-ok")) {
            auto* ok = new QPushButton(QStringLiteral("OK"), this);
            ok->setObjectName(QStringLiteral("7052"));
            layout->addWidget(ok);
            connect(ok, &QPushButton::clicked, this, [this] {
                if (Mode("deaf-ok"))
                    return;
                while (Mode("hang"))
                    std::this_thread::sleep_for(std::chrono::seconds(1));
                accept();
            });
        }
    }

    Q_INVOKABLE void ImportEsfFile(const QString& path) {
        importedEsf = path.toStdString();
        QMessageBox::information(this, QStringLiteral("Information"),
                                 QStringLiteral("Imported ") + path.section('/', -1));
    }

    FakeNetworkPage* page;
    std::string importedEsf;
};

// The bus type picked in a dialog like the plug-in's, or -1 on Cancel.
int AskBusType() {
    QDialog dialog;
    dialog.setObjectName(QStringLiteral("CBusTypeDlg"));
    auto* layout = new QVBoxLayout(&dialog);
    const char* names[] = {"7047", "7050", "7048", "7049", "7051"};
    QRadioButton* radios[5];
    for (int i = 0; i < 5; ++i) {
        radios[i] = new QRadioButton(QString::number(i), &dialog);
        radios[i]->setObjectName(QString::fromLatin1(names[i]));
        layout->addWidget(radios[i]);
    }
    radios[0]->setChecked(true);
    auto* ok = new QPushButton(QStringLiteral("OK"), &dialog);
    QObject::connect(ok, &QPushButton::clicked, &dialog, &QDialog::accept);
    layout->addWidget(ok);
    if (dialog.exec() != QDialog::Accepted)
        return -1;
    for (int i = 0; i < 5; ++i) {
        if (radios[i]->isChecked())
            return i;
    }
    return -1;
}

std::string SceneName(const uint8_t* sceneList, int index) {
    size_t block = 7;
    for (int i = 0; i < index; ++i)
        block += sceneList[block] | (sceneList[block + 1] << 8);
    const size_t end = sceneList[block + 3] | (sceneList[block + 4] << 8);
    return std::string(reinterpret_cast<const char*>(sceneList + end - 15),
                       strnlen(reinterpret_cast<const char*>(sceneList + end - 15), 15));
}

// A record whose header is valid and whose main part holds a line of text after the header.
uint8_t* MakeRecord(const std::string& text) {
    const size_t size = 62 + text.size();
    auto* record = static_cast<uint8_t*>(std::calloc(size, 1));
    record[0] = static_cast<uint8_t>(size);
    record[1] = static_cast<uint8_t>(size >> 8);
    std::memcpy(record + 62, text.data(), text.size());
    return record;
}

}  // namespace

FAKE_EXPORT void HALVEX_STDCALL __OpenKNXDialog(const uint8_t* sceneList, uint8_t* record,
                                                uint8_t** recordSlot, uint8_t language,
                                                const uint32_t* deviceTable, uint16_t deviceCount) {
    int bus = -1;
    if (record == nullptr) {
        bus = AskBusType();
        if (bus < 0)
            return;
    }
    FakeMainDialog dialog;
    if (Mode("greet")) {
        QTimer::singleShot(0, &dialog, [&dialog] {
            QMessageBox::warning(&dialog, QStringLiteral("Attention"),
                                 QStringLiteral("Listening socket could not be opened"));
        });
    }
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

    const auto* devices = reinterpret_cast<const uint8_t*>(deviceTable);
    std::string text = "bus=" + std::to_string(bus) + " lang=" + std::to_string(language) +
                       " scenes=" + std::to_string(sceneList[6]) +
                       " devices=" + std::to_string(deviceCount);
    if (sceneList[6] > 0)
        text += " scene0=" + SceneName(sceneList, 0);
    if (deviceCount > 0) {
        text += " device0=" + std::string(reinterpret_cast<const char*>(devices),
                                          strnlen(reinterpret_cast<const char*>(devices), 20));
        text += " kind0=" + std::to_string(devices[20]);
    }
    if (record != nullptr)
        text += " old=" + std::to_string(record[0] | (record[1] << 8));
    if (!dialog.importedEsf.empty())
        text += " esf=" + dialog.importedEsf;
    if (!dialog.page->uploadedTo.empty())
        text += " uploaded=" + dialog.page->uploadedTo;
    if (dialog.page->searchedVisible)
        text += " page-shown";
    *recordSlot = MakeRecord(text);
    std::free(record);
}

FAKE_EXPORT void HALVEX_STDCALL __DeleteScene(uint8_t sceneIndex, const uint8_t* sceneList,
                                              uint8_t** recordSlot) {
    // Bytes 54 and 55 are free in every record: they show what arrived.
    (*recordSlot)[54] = sceneIndex;
    (*recordSlot)[55] = sceneList[6];
}

FAKE_EXPORT void HALVEX_STDCALL __SendDMXData2UDP(uint8_t* frame, const uint8_t* record,
                                                  uint16_t length) {
    frame[6] = record[15] & 0xC0;
    const std::string path = Env("HALVEX_FAKE_LOG");
    if (path.empty())
        return;
    if (FILE* log = std::fopen(path.c_str(), "a")) {
        std::fprintf(log, "%.6s %u %u %u %u %u\n", reinterpret_cast<const char*>(frame), length,
                     frame[6], frame[7], frame[8], frame[7 + 511]);
        std::fclose(log);
    }
}

#include "FakePlugin.moc"
