// configure, search and upload: the commands that open the plug-in's dialog.
#include <QAbstractItemView>
#include <QDialog>
#include <QLabel>
#include <QMetaObject>
#include <QMouseEvent>
#include <QRegularExpression>
#include <QStackedWidget>
#include <QTabBar>

#include <algorithm>
#include <array>
#include <filesystem>
#include <optional>

#include "engine/import/GroupAddress.h"

#include "engine/Codepage.h"
#include "host/Commands.h"
#include "host/DialogCall.h"
#include "host/DialogDriver.h"
#include "host/FileReplacement.h"
#include "model/ControlIds.h"

namespace halvex::host {
namespace {

namespace fs = std::filesystem;

const QString kMainOk = QString::number(ids::kOk);
const QString kNetworkPage = QStringLiteral("CDeviceSettingsPage");
const QString kGatewayList = QString::number(ids::kGatewayList);
const QString kUploadProgress = QStringLiteral("uploadProgress");
const QString kUploadDone = QStringLiteral("Upload done");

bool IsAddressQuestion(const QString& text) {
    return text == QLatin1String("Really change IP-address of selected Gateway ?") ||
           text == QStringLiteral("Soll die IP-Adresse geändert werden ?");
}

uint8_t LanguageCode(const std::string& language) {
    return language == "de" ? 1 : 0;
}

void PressMainOk(DialogDriver& driver, QDialog& main) {
    driver.Stage("waiting for the dialog to close after OK");
    if (!DialogDriver::Press(&main, kMainOk)) {
        driver.Fail(ExitCode::Automation, "the main dialog has no OK button (objectName 7052)");
    }
}

// A left click on tab `index`, the only way the dialog switches pages.
void ClickTab(QTabBar* bar, int index) {
    const QPointF at = bar->tabRect(index).center();
    const QPointF global = bar->mapToGlobal(at);
    QMouseEvent press(QEvent::MouseButtonPress, at, global, Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(bar, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, at, global, Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(bar, &release);
}

// Clicks the last tab (the network page is the last tab in every layout) and, if the page is
// still hidden, brings it to the front of its stacked widget.
QWidget* ShowNetworkPage(DialogDriver& driver, QDialog& main) {
    QWidget* page = main.findChild<QWidget*>(kNetworkPage);
    if (page == nullptr) {
        driver.Fail(ExitCode::Automation, "the dialog has no network page (CDeviceSettingsPage)");
        return nullptr;
    }
    for (QTabBar* bar : main.findChildren<QTabBar*>()) {
        if (!page->isVisible() && bar->count() > 0)
            ClickTab(bar, bar->count() - 1);
    }
    for (QWidget* child = page; !page->isVisible() && child->parentWidget() != nullptr;
         child = child->parentWidget()) {
        if (auto* stack = qobject_cast<QStackedWidget*>(child->parentWidget())) {
            stack->setCurrentWidget(child);
        }
    }
    return page;
}

QStringList GatewayLines(QDialog& main) {
    QStringList lines;
    auto* view = main.findChild<QAbstractItemView*>(kGatewayList);
    if (view == nullptr || view->model() == nullptr)
        return lines;
    for (int row = 0; row < view->model()->rowCount(); ++row) {
        lines << view->model()->index(row, 0).data().toString();
    }
    return lines;
}

// Opens the network page, searches and waits; prints and returns the gateway lines.
std::optional<QStringList> Search(DialogDriver& driver, QDialog& main, int seconds,
                                  std::ostream& out) {
    QWidget* page = ShowNetworkPage(driver, main);
    if (page == nullptr)
        return std::nullopt;
    if (main.findChild<QAbstractItemView*>(kGatewayList) == nullptr) {
        driver.Fail(ExitCode::Automation, "the network page has no gateway list (objectName 7039)");
        return std::nullopt;
    }
    driver.Stage("searching for gateways");
    if (!QMetaObject::invokeMethod(page, "SearchGateways")) {
        driver.Fail(ExitCode::Automation, "the network page has no SearchGateways method");
        return std::nullopt;
    }
    if (!driver.Wait(std::chrono::seconds(seconds)))
        return std::nullopt;
    const QStringList lines = GatewayLines(main);
    if (lines.isEmpty())
        out << "no gateway answered" << std::endl;
    for (const QString& line : lines)
        out << "gateway: " << EscapeControls(line.toStdString()) << std::endl;
    return lines;
}

// The line to upload to: the one whose address is `to`, or the only one.
std::optional<int> ChooseGateway(DialogDriver& driver, const QStringList& lines,
                                 const std::string& to) {
    std::vector<int> matches;
    for (int row = 0; row < lines.size(); ++row) {
        if (to.empty() || lines[row].section(QLatin1Char(' '), 0, 0).toStdString() == to) {
            matches.push_back(row);
        }
    }
    if (matches.size() == 1)
        return matches.front();
    if (!to.empty()) {
        driver.Fail(ExitCode::Gateway, "no gateway with the address " + to + " answered");
    } else if (matches.empty()) {
        driver.Fail(ExitCode::Gateway, "no gateway answered the search");
    } else {
        driver.Fail(ExitCode::Gateway, std::to_string(matches.size()) +
                                           " gateways answered; choose one with --to ADDRESS");
    }
    return std::nullopt;
}

// One --assign: the page's tab slot, the output's position on it and the catalogue entry.
struct Assignment {
    int slot;
    int output;
    int entry;
};

std::optional<Assignment> ParseAssignment(const std::string& text) {
    static const std::array<std::string_view, 6> kPages = {"scene1",  "scene2",  "dimmer1",
                                                           "dimmer2", "device1", "device2"};
    const size_t first = text.find(':');
    const size_t second = first == std::string::npos ? first : text.find(':', first + 1);
    if (second == std::string::npos)
        return std::nullopt;
    const std::string page = text.substr(0, first);
    const std::string output = text.substr(first + 1, second - first - 1);
    const std::string entry = text.substr(second + 1);
    const auto slot = std::find(kPages.begin(), kPages.end(), page) - kPages.begin();
    if (slot == static_cast<long>(kPages.size()) || output.empty() ||
        output.find_first_not_of("0123456789") != std::string::npos || output.size() > 5) {
        return std::nullopt;
    }
    Assignment a{static_cast<int>(slot), std::stoi(output) - 1, -1};
    if (!entry.empty() && entry[0] == '#') {
        const std::string row = entry.substr(1);
        if (row.empty() || row.size() > 4 ||
            row.find_first_not_of("0123456789") != std::string::npos)
            return std::nullopt;
        a.entry = std::stoi(row);
    } else if (const auto address = GroupAddress::Parse(entry)) {
        a.entry = address->Value();
    }
    if (a.output < 0 || a.entry < 0)
        return std::nullopt;
    return a;
}

// Clicks every tab in turn and saves a picture of the dialog showing it.
void SaveScreenshots(QDialog& main, const std::string& folder, Console console) {
    fs::create_directories(folder);
    QTabBar* bar = main.findChild<QTabBar*>();
    if (bar == nullptr)
        return;
    main.resize(1200, 720);
    for (int tab = 0; tab < bar->count(); ++tab) {
        ClickTab(bar, tab);
        QApplication::processEvents();
        QString name = bar->tabText(tab);
        name.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9]+")), QStringLiteral("-"));
        const QString path =
            QString::fromStdString(folder) +
            QStringLiteral("/%1-%2.png").arg(tab + 1, 2, 10, QLatin1Char('0')).arg(name);
        if (main.grab().save(path)) {
            console.out << "screenshot: " << EscapeControls(path.toStdString()) << std::endl;
        } else {
            console.err << "halvex-host: could not save " << EscapeControls(path.toStdString())
                        << std::endl;
        }
    }
}

struct DialogRun {
    DialogOutcome outcome;
    std::optional<ExitCode> failure;
};

// Runs the dialog under the driver and turns the driver's findings into an error.
DialogRun RunDriven(const CommonOptions& common, const DialogOptions& options,
                    const std::optional<StoredRecord>& record, const HostShow& show,
                    DialogDriver::Script script, DialogDriver::Answer answer, int extraSeconds,
                    const QString& watchedLabel, Console console) {
    const PluginLibrary library(common.library);
    const auto app = CreateApplication(true);
    DialogRun run;
    {
        DialogDriver driver(std::chrono::seconds(options.timeoutSeconds + extraSeconds),
                            console.out);
        driver.SetBusChoice(QString::fromStdString(BusRadioName(options.bus)));
        driver.SetMainScript(std::move(script));
        driver.SetAnswer(std::move(answer));
        driver.WatchLabel(watchedLabel);
        run.outcome = CallOpenDialog(library, show, record, LanguageCode(options.language));
        if (driver.FailureCode()) {
            console.err << "halvex-host: " << EscapeControls(driver.FailureMessage()) << std::endl;
            run.failure = driver.FailureCode();
        } else if (!driver.MainDialogSeen()) {
            console.err << "halvex-host: the plug-in returned without showing its main dialog"
                        << std::endl;
            run.failure = ExitCode::Automation;
        }
    }
    return run;
}

struct Inputs {
    HostShow show;
    std::optional<StoredRecord> record;
};

Inputs LoadInputs(const std::string& showPath, const std::string& recordPath,
                  const std::string& bus, std::ostream& err) {
    Inputs inputs{LoadShowFile(showPath), std::nullopt};
    PrintShowWarnings(inputs.show, err);
    if (!recordPath.empty())
        inputs.record = ReadRecordFileIfPresent(recordPath);
    if (inputs.record && !bus.empty()) {
        err << "halvex-host: note: --bus only applies to a new record; "
            << EscapeControls(recordPath) << " exists" << std::endl;
    }
    return inputs;
}

void WriteRecord(const std::string& path, const DialogOutcome& outcome, std::ostream& out) {
    ReplaceFileAtomically(path, outcome.record);
    out << EscapeControls(path) << ": record written (" << outcome.record.size() << " bytes)"
        << std::endl;
}

}  // namespace

ExitCode RunConfigure(const CommonOptions& common, const ConfigureOptions& options,
                      Console console) {
    if (!options.accept && (!options.importEsf.empty() || !options.dialog.bus.empty())) {
        throw HostError(ExitCode::Usage, "--import-esf and --bus need --accept");
    }
    const Inputs inputs =
        LoadInputs(options.dialog.show, options.record, options.dialog.bus, console.err);
    if (!options.importEsf.empty() && !fs::is_regular_file(options.importEsf)) {
        throw HostError(ExitCode::BadInput, options.importEsf + ": no such ESF file");
    }

    if (!options.accept &&
        (!options.assign.empty() || !options.screenshots.empty() || options.waitSeconds > 0)) {
        throw HostError(ExitCode::Usage, "--assign, --screenshots and --wait need --accept");
    }
    std::vector<Assignment> assignments;
    for (const std::string& text : options.assign) {
        const auto a = ParseAssignment(text);
        if (!a) {
            throw HostError(ExitCode::Usage, "--assign " + text +
                                                 ": expected PAGE:OUTPUT:ENTRY, for example "
                                                 "scene1:1:0/0/1 or dimmer2:3:#0");
        }
        assignments.push_back(*a);
    }

    DialogOutcome outcome;
    if (options.accept) {
        const QString esf = options.importEsf.empty()
                                ? QString()
                                : QString::fromStdString(fs::absolute(options.importEsf).string());
        auto script = [esf, &assignments, &options, console](DialogDriver& driver, QDialog& main) {
            if (!esf.isEmpty()) {
                driver.Stage("importing the ESF file");
                bool imported = false;
                const size_t messagesBefore = driver.MessageTexts().size();
                if (!QMetaObject::invokeMethod(&main, "ImportEsfFile", Q_RETURN_ARG(bool, imported),
                                               Q_ARG(QString, esf))) {
                    driver.Fail(ExitCode::Automation,
                                "the main dialog has no ImportEsfFile method");
                    return;
                }
                if (driver.Abandoned())
                    return;
                if (!imported) {
                    // The plug-in says why in a message box (no group address in the file, not
                    // well-formed XML, ...): repeat its words in the failure.
                    const std::vector<QString>& messages = driver.MessageTexts();
                    const std::string why = messages.size() > messagesBefore
                                                ? " (" + messages.back().toStdString() + ")"
                                                : std::string();
                    driver.Fail(ExitCode::BadInput, "the dialog could not import " +
                                                        esf.toStdString() + why +
                                                        "; nothing written");
                    return;
                }
            }
            for (size_t i = 0; i < assignments.size(); ++i) {
                const Assignment& a = assignments[i];
                bool dropped = false;
                if (!QMetaObject::invokeMethod(&main, "AssignEntry", Q_RETURN_ARG(bool, dropped),
                                               Q_ARG(int, a.slot), Q_ARG(int, a.output),
                                               Q_ARG(int, a.entry))) {
                    driver.Fail(ExitCode::Automation, "the main dialog has no AssignEntry method");
                    return;
                }
                if (!dropped) {
                    driver.Fail(ExitCode::BadInput,
                                "--assign " + options.assign[i] +
                                    ": refused (no such entry or output, the object types "
                                    "differ, or it is assigned there already); nothing written");
                    return;
                }
                console.out << "assigned " << EscapeControls(options.assign[i]) << std::endl;
            }
            if (options.waitSeconds > 0 &&
                !driver.Wait(std::chrono::seconds(options.waitSeconds))) {
                return;
            }
            if (!options.screenshots.empty())
                SaveScreenshots(main, options.screenshots, console);
            PressMainOk(driver, main);
        };
        const DialogRun run = RunDriven(common, options.dialog, inputs.record, inputs.show, script,
                                        {}, options.waitSeconds, QString(), console);
        if (run.failure)
            return *run.failure;
        outcome = run.outcome;
    } else {
        const PluginLibrary library(common.library);
        const auto app = CreateApplication(false);
        outcome = CallOpenDialog(library, inputs.show, inputs.record,
                                 LanguageCode(options.dialog.language));
    }
    if (!outcome.accepted) {
        console.out << EscapeControls(options.record) << ": dialog cancelled; record not written"
                    << std::endl;
        return ExitCode::Cancelled;
    }
    WriteRecord(options.record, outcome, console.out);
    return ExitCode::Ok;
}

ExitCode RunSearch(const CommonOptions& common, const GatewayOptions& options, Console console) {
    const Inputs inputs =
        LoadInputs(options.dialog.show, std::string(), options.dialog.bus, console.err);
    const int seconds = options.seconds;
    auto script = [seconds, console](DialogDriver& driver, QDialog& main) {
        if (Search(driver, main, seconds, console.out))
            main.reject();
    };
    const DialogRun run = RunDriven(common, options.dialog, inputs.record, inputs.show, script, {},
                                    seconds, {}, console);
    return run.failure.value_or(ExitCode::Ok);
}

ExitCode RunUpload(const CommonOptions& common, const GatewayOptions& options, Console console) {
    const Inputs inputs =
        LoadInputs(options.dialog.show, options.record, options.dialog.bus, console.err);
    const bool changeAddress = options.changeAddress;
    bool uploadDone = false;
    auto script = [&options, &uploadDone, console](DialogDriver& driver, QDialog& main) {
        const auto lines = Search(driver, main, options.seconds, console.out);
        if (!lines)
            return;
        const auto row = ChooseGateway(driver, *lines, options.to);
        if (!row)
            return;
        auto* view = main.findChild<QAbstractItemView*>(kGatewayList);
        const QModelIndex index = view->model()->index(*row, 0);
        view->setCurrentIndex(index);
        view->selectionModel()->select(index, QItemSelectionModel::ClearAndSelect);
        console.out << "uploading to " << EscapeControls((*lines)[*row].toStdString()) << std::endl;

        driver.Stage("uploading");
        const size_t before = driver.MessageTexts().size();
        QWidget* page = main.findChild<QWidget*>(kNetworkPage);
        if (!QMetaObject::invokeMethod(page, "UploadToGateway")) {
            driver.Fail(ExitCode::Automation, "the network page has no UploadToGateway method");
            return;
        }
        if (driver.Abandoned())
            return;
        if (auto* progress = main.findChild<QLabel*>(kUploadProgress)) {
            if (!progress->text().isEmpty()) {
                console.out << "progress: "
                            << EscapeControls(progress->text().simplified().toStdString())
                            << std::endl;
            }
        }
        const auto& texts = driver.MessageTexts();
        for (size_t i = before; i < texts.size(); ++i)
            uploadDone |= texts[i] == kUploadDone;
        PressMainOk(driver, main);
    };
    auto answer = [changeAddress](const QString& text) {
        if (IsAddressQuestion(text))
            return changeAddress ? QMessageBox::Ok : QMessageBox::Cancel;
        return QMessageBox::Ok;
    };
    const DialogRun run = RunDriven(common, options.dialog, inputs.record, inputs.show, script,
                                    answer, options.seconds, kUploadProgress, console);
    if (run.failure)
        return *run.failure;
    if (run.outcome.accepted)
        WriteRecord(options.record, run.outcome, console.out);
    if (!uploadDone) {
        console.err << "halvex-host: the upload was not done" << std::endl;
        return ExitCode::Gateway;
    }
    console.out << "Upload done" << std::endl;
    return ExitCode::Ok;
}

}  // namespace halvex::host
