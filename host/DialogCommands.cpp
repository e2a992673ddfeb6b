// configure, search and upload: the commands that open the plug-in's dialog.
#include <algorithm>
#include <array>
#include <filesystem>
#include <optional>

#include "engine/Codepage.h"
#include "engine/import/GroupAddress.h"
#include "host/Commands.h"
#include "host/DialogCall.h"
#include "host/DialogDriver.h"
#include "host/FileReplacement.h"
#include "model/ControlIds.h"

namespace halvex::host {
namespace {

namespace fs = std::filesystem;

const std::string kUploadDone = "Upload done";

bool IsAddressQuestion(const std::string& text) {
    return text == "Really change IP-address of selected Gateway ?" ||
           text == "Soll die IP-Adresse geändert werden ?";
}

uint8_t LanguageCode(const std::string& language) {
    return language == "de" ? 1 : 0;
}

void PressMainOk(DialogDriver& driver) {
    driver.Stage("waiting for the dialog to close after OK");
    if (!driver.Press(ids::kOk))
        driver.Fail(ExitCode::Automation, "the main dialog has no OK button (control 7052)");
}

// Opens the network page, searches and waits; prints and returns the gateway lines.
std::optional<std::vector<std::string>> Search(DialogDriver& driver, int seconds,
                                               std::ostream& out) {
    if (!driver.ShowNetworkPage())
        return std::nullopt;
    driver.Stage("searching for gateways");
    if (!driver.Press(ids::kSearch)) {
        driver.Fail(ExitCode::Automation, "the network page has no Search button (control 7040)");
        return std::nullopt;
    }
    if (!driver.Wait(std::chrono::seconds(seconds)))
        return std::nullopt;
    auto lines = driver.GatewayLines();
    if (!lines)
        return std::nullopt;
    if (lines->empty())
        out << "no gateway answered" << std::endl;
    for (const std::string& line : *lines)
        out << "gateway: " << EscapeControls(line) << std::endl;
    return lines;
}

// The line to upload to: the one whose address is `to`, or the only one.
std::optional<int> ChooseGateway(DialogDriver& driver, const std::vector<std::string>& lines,
                                 const std::string& to) {
    std::vector<int> matches;
    for (size_t row = 0; row < lines.size(); ++row) {
        if (to.empty() || lines[row].substr(0, lines[row].find(' ')) == to)
            matches.push_back(static_cast<int>(row));
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

// Clicks every tab in turn and saves a picture of the dialog showing it, named after the tab.
void SaveScreenshots(DialogDriver& driver, const std::string& folder, Console console) {
    fs::create_directories(folder);
    const std::vector<std::string> tabs = driver.TabTexts();
    for (size_t tab = 0; tab < tabs.size(); ++tab) {
        if (!driver.SelectTab(static_cast<int>(tab)))
            return;
        std::string name;
        for (const char c : tabs[tab]) {
            const bool kept =
                (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
            if (kept)
                name += c;
            else if (name.empty() || name.back() != '-')
                name += '-';
        }
        const std::string number = (tab < 9 ? "0" : "") + std::to_string(tab + 1);
        const std::string path = (fs::path(folder) / (number + "-" + name)).generic_string();
        const std::string saved = driver.SaveScreenshot(path);
        if (!saved.empty()) {
            console.out << "screenshot: " << EscapeControls(saved) << std::endl;
        } else {
            console.err << "halvex-host: could not save " << EscapeControls(path) << std::endl;
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
                    bool watchProgress, Console console) {
    const PluginLibrary library(common.library);
    const auto ui = StartUi(true);
    DialogRun run;
    const auto driver = DialogDriver::Create(
        std::chrono::seconds(options.timeoutSeconds + extraSeconds), console.out);
    driver->SetBusChoice(BusRadioId(options.bus));
    driver->SetMainScript(std::move(script));
    driver->SetAnswer(std::move(answer));
    if (watchProgress)
        driver->WatchProgress();
    run.outcome = CallOpenDialog(library, show, record, LanguageCode(options.language));
    driver->Finish();
    if (driver->FailureCode()) {
        console.err << "halvex-host: " << EscapeControls(driver->FailureMessage()) << std::endl;
        run.failure = driver->FailureCode();
    } else if (!driver->MainDialogSeen()) {
        console.err << "halvex-host: the plug-in returned without showing its main dialog"
                    << std::endl;
        run.failure = ExitCode::Automation;
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

// The configure script: import, drops, waiting and pictures, then OK.
void ConfigureScript(DialogDriver& driver, const ConfigureOptions& options,
                     const std::vector<Assignment>& assignments, Console console) {
    if (!options.importEsf.empty()) {
        driver.Stage("importing the ESF file");
        const fs::path esf = fs::absolute(options.importEsf);
        const size_t messagesBefore = driver.Messages().size();
        const std::optional<bool> imported = driver.ImportFile(esf);
        if (!imported || driver.Abandoned())
            return;
        if (!*imported) {
            // The plug-in says why in a message box (no group address in the file, not
            // well-formed XML, ...): repeat its words in the failure.
            const std::vector<MessageSeen>& messages = driver.Messages();
            const std::string why = messages.size() > messagesBefore
                                        ? " (" + messages.back().text + ")"
                                        : std::string();
            driver.Fail(ExitCode::BadInput,
                        "the dialog could not import " + esf.string() + why + "; nothing written");
            return;
        }
    }
    for (size_t i = 0; i < assignments.size(); ++i) {
        const Assignment& a = assignments[i];
        const std::optional<bool> dropped = driver.AssignEntry(a.slot, a.output, a.entry);
        if (!dropped)
            return;
        if (!*dropped) {
            driver.Fail(ExitCode::BadInput,
                        "--assign " + options.assign[i] +
                            ": refused (no such entry or output, the object types differ, or "
                            "it is assigned there already); nothing written");
            return;
        }
        console.out << "assigned " << EscapeControls(options.assign[i]) << std::endl;
    }
    if (options.waitSeconds > 0 && !driver.Wait(std::chrono::seconds(options.waitSeconds)))
        return;
    if (!options.screenshots.empty())
        SaveScreenshots(driver, options.screenshots, console);
    PressMainOk(driver);
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
        auto script = [&options, &assignments, console](DialogDriver& driver) {
            ConfigureScript(driver, options, assignments, console);
        };
        const DialogRun run = RunDriven(common, options.dialog, inputs.record, inputs.show, script,
                                        {}, options.waitSeconds, false, console);
        if (run.failure)
            return *run.failure;
        outcome = run.outcome;
    } else {
        const PluginLibrary library(common.library);
        const auto ui = StartUi(false);
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
    auto script = [seconds, console](DialogDriver& driver) {
        if (Search(driver, seconds, console.out) && !driver.Press(ids::kCancel))
            driver.Fail(ExitCode::Automation,
                        "the main dialog has no Cancel button (control 7009)");
    };
    const DialogRun run = RunDriven(common, options.dialog, inputs.record, inputs.show, script, {},
                                    seconds, false, console);
    return run.failure.value_or(ExitCode::Ok);
}

ExitCode RunUpload(const CommonOptions& common, const GatewayOptions& options, Console console) {
    const Inputs inputs =
        LoadInputs(options.dialog.show, options.record, options.dialog.bus, console.err);
    const bool changeAddress = options.changeAddress;
    bool uploadDone = false;
    auto script = [&options, &uploadDone, console](DialogDriver& driver) {
        const auto lines = Search(driver, options.seconds, console.out);
        if (!lines)
            return;
        const auto row = ChooseGateway(driver, *lines, options.to);
        if (!row || !driver.SelectGateway(*row))
            return;
        console.out << "uploading to " << EscapeControls((*lines)[*row]) << std::endl;

        driver.Stage("uploading");
        const size_t before = driver.Messages().size();
        if (!driver.Press(ids::kUpload)) {
            driver.Fail(ExitCode::Automation,
                        "the network page has no Upload button (control 7038)");
            return;
        }
        if (driver.Abandoned())
            return;
        driver.ReportProgress();
        const std::vector<MessageSeen>& messages = driver.Messages();
        for (size_t i = before; i < messages.size(); ++i)
            uploadDone |= messages[i].text == kUploadDone;
        PressMainOk(driver);
    };
    auto answer = [changeAddress](const std::string& text) {
        if (IsAddressQuestion(text))
            return changeAddress ? Reply::Ok : Reply::Cancel;
        return Reply::Ok;
    };
    const DialogRun run = RunDriven(common, options.dialog, inputs.record, inputs.show, script,
                                    answer, options.seconds, true, console);
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
