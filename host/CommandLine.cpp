#include "host/CommandLine.h"

#include <CLI/CLI.hpp>

#include "engine/Codepage.h"
#include "host/Commands.h"
#include "host/PluginLibrary.h"

namespace halvex::host {
namespace {

void AddDialogOptions(CLI::App& command, DialogOptions& options) {
    command.add_option("--show", options.show, "Show file (JSON): the host's scenes and devices")
        ->required();
    command.add_option("--lang", options.language, "Language of the dialog")
        ->check(CLI::IsMember({"en", "de"}))
        ->capture_default_str();
    command
        .add_option("--bus", options.bus,
                    "Bus type chosen for a new record (answers the bus-type question)")
        ->check(CLI::IsMember(BusNames()));
    command
        .add_option("--timeout", options.timeoutSeconds,
                    "Seconds the automation may take before it gives up")
        ->check(CLI::Range(1, 3600))
        ->capture_default_str();
}

int Parse(int argc, const char* const* argv, Console console) {
    CLI::App app{"halvex-host: drives the Halvex plug-in as a lighting-control host does."};
    app.set_version_flag("--version", std::string("halvex-host ") + HALVEX_VERSION);
    // Options take dashes on every platform, so that "/data/x.rec" (a path under Wine) is a
    // file and not a Windows-style option. Subcommands inherit this.
    app.allow_windows_style_options(false);
    app.require_subcommand(1);
    app.fallthrough();
    CommonOptions common{PluginLibrary::DefaultPath()};
    app.add_option("--library", common.library, "The plug-in library to load")
        ->capture_default_str();

    ConfigureOptions configure;
    auto* configureCommand = app.add_subcommand(
        "configure", "Open the plug-in's dialog for a record file; write it back on OK");
    configureCommand
        ->add_option("RECORD", configure.record, "Record file (a missing file is a new record)")
        ->required();
    AddDialogOptions(*configureCommand, configure.dialog);
    configureCommand->add_flag("--accept", configure.accept,
                               "Run offscreen and press OK once the dialog is up");
    configureCommand->add_option("--import-esf", configure.importEsf,
                                 "With --accept: import this ESF file before OK");
    configureCommand->add_option(
        "--assign", configure.assign,
        "With --accept: drag catalogue entry ENTRY (group address 1/2/3 or 1/515, or #ROW for a "
        "transmitter) onto output OUTPUT (1-based) of PAGE (scene1, scene2, dimmer1, dimmer2, "
        "device1, device2), as PAGE:OUTPUT:ENTRY");
    configureCommand->add_option("--screenshots", configure.screenshots,
                                 "With --accept: save a picture of every page into this folder");
    configureCommand
        ->add_option("--wait", configure.waitSeconds,
                     "With --accept: keep the dialog open this many seconds before OK")
        ->check(CLI::Range(0, 600));

    DeleteSceneOptions deleteScene;
    auto* deleteCommand = app.add_subcommand(
        "delete-scene", "Remove a deleted scene from each record file, in place");
    deleteCommand->add_option("INDEX", deleteScene.index, "0-based number of the deleted scene")
        ->required()
        ->check(CLI::Range(0, 253));
    deleteCommand->add_option("RECORD", deleteScene.records, "Record files of the show")
        ->required();
    deleteCommand->add_option("--show", deleteScene.show, "The show after the deletion")
        ->required();

    InspectOptions inspect;
    auto* inspectCommand = app.add_subcommand("inspect", "Describe a record file");
    inspectCommand->add_option("RECORD", inspect.record, "Record file")->required();
    inspectCommand->add_flag("--json", inspect.json, "Print JSON instead of text");

    PreviewOptions preview;
    auto* previewCommand =
        app.add_subcommand("preview", "Stream DMX frames through the plug-in's live output");
    previewCommand->add_option("RECORD", preview.record, "Record file of the scene")->required();
    previewCommand->add_option("--frames", preview.frames, "Number of frames")
        ->required()
        ->check(CLI::Range(1, 10000000));
    previewCommand->add_option("--interval-ms", preview.intervalMs, "Milliseconds between frames")
        ->check(CLI::Range(0, 60000))
        ->capture_default_str();
    previewCommand
        ->add_option("--channel-values", preview.channelValues,
                     "Values 0-255 of channels 1, 2, ... (comma or space separated; others 0)")
        ->delimiter(',')
        ->check(CLI::Range(0, 255));

    GatewayOptions search;
    auto* searchCommand =
        app.add_subcommand("search", "Search for gateways from the dialog's network page");
    AddDialogOptions(*searchCommand, search.dialog);
    searchCommand->add_option("--seconds", search.seconds, "Seconds to wait for answers")
        ->check(CLI::Range(0, 600))
        ->capture_default_str();

    GatewayOptions upload;
    auto* uploadCommand =
        app.add_subcommand("upload", "Upload the show and a record file to a gateway");
    uploadCommand
        ->add_option("RECORD", upload.record, "Record file (a missing file is a new record)")
        ->required();
    AddDialogOptions(*uploadCommand, upload.dialog);
    uploadCommand->add_option("--seconds", upload.seconds, "Seconds to wait for search answers")
        ->check(CLI::Range(0, 600))
        ->capture_default_str();
    uploadCommand->add_option("--to", upload.to, "Address of the gateway to upload to");
    uploadCommand->add_flag("--change-address", upload.changeAddress,
                            "Allow the upload to change the gateway's address");

    CheckShowOptions checkShow;
    auto* checkCommand =
        app.add_subcommand("check-show", "Check a show file and write the bytes built from it");
    checkCommand->add_option("SHOW", checkShow.show, "Show file (JSON)")->required();
    checkCommand->add_option("--scene-list", checkShow.sceneListOut,
                             "Write the scene list bytes to this file");
    checkCommand->add_option("--device-table", checkShow.deviceTableOut,
                             "Write the 12288 device table bytes to this file");

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        if (e.get_exit_code() == 0)
            return app.exit(e, console.out, console.err);
        std::string message = e.what();
        if (app.get_subcommands().empty()) {
            // Name the first word that is no option when it is no known command either.
            for (int i = 1; i < argc; ++i) {
                const std::string word = argv[i];
                if (word == "--library") {
                    ++i;
                } else if (!word.empty() && word[0] != '-') {
                    message = "unknown command \"" + word + "\"";
                    break;
                }
            }
        }
        console.err << "halvex-host: " << EscapeControls(message)
                    << "\nRun with --help for more information.\n";
        return static_cast<int>(ExitCode::Usage);
    }

    ExitCode code = ExitCode::Ok;
    if (configureCommand->parsed())
        code = RunConfigure(common, configure, console);
    if (deleteCommand->parsed())
        code = RunDeleteScene(common, deleteScene, console);
    if (inspectCommand->parsed())
        code = RunInspect(inspect, console);
    if (previewCommand->parsed())
        code = RunPreview(common, preview, console);
    if (searchCommand->parsed())
        code = RunSearch(common, search, console);
    if (uploadCommand->parsed())
        code = RunUpload(common, upload, console);
    if (checkCommand->parsed())
        code = RunCheckShow(checkShow, console);
    return static_cast<int>(code);
}

}  // namespace

int RunCommandLine(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
    try {
        return Parse(argc, argv, Console{out, err});
    } catch (const std::exception& e) {
        err << "halvex-host: " << EscapeControls(e.what()) << std::endl;
        const auto* hostError = dynamic_cast<const HostError*>(&e);
        return static_cast<int>(hostError != nullptr ? hostError->Code() : ExitCode::Internal);
    }
}

}  // namespace halvex::host
